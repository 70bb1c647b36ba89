# shellcheck shell=bash
# Sourced by the scripts that run Wine: the test prefix and a Chinese locale.
# The program is Chinese: under zh_CN.UTF-8 Wine uses code page 936 and fonts
# with Chinese glyphs. glibc must know that locale, or Wine falls back to code
# page 1252 and garbles non-ASCII command lines, so a private copy is compiled
# under build/ (see ensure-wineprefix) instead of changing the system's.
tessarin_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TESSARIN_WINEPREFIX:-$tessarin_repo/build/wineprefix}
export TESSARIN_LOCPATH=${TESSARIN_LOCPATH:-$tessarin_repo/build/locale}
export LOCPATH=$TESSARIN_LOCPATH
# bash itself warns that it cannot switch to that locale; only Wine needs it.
{ export LANG=zh_CN.UTF-8; unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE; } 2>/dev/null
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialog waiting for a click.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
