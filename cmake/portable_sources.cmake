# Logic that includes no Windows header: built into the program and, natively,
# into the fast host tests.
set(TESSARIN_PORTABLE_SOURCES
)
