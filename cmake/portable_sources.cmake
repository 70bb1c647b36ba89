# Logic that includes no Windows header: built into the program and, natively,
# into the fast host tests.
set(TESSARIN_PORTABLE_SOURCES
  ${CMAKE_SOURCE_DIR}/picture/bmp_layout.cpp
  ${CMAKE_SOURCE_DIR}/picture/fit_placement.cpp
  ${CMAKE_SOURCE_DIR}/picture/shrink_average.cpp
  ${CMAKE_SOURCE_DIR}/platform/message_box_style.cpp
)
