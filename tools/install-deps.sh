#!/usr/bin/env bash
# Installs what building and testing Corvane needs on Debian 12; quick when all is there.
set -euo pipefail

install() {
  local missing=() package
  for package in "$@"; do
    # One status per architecture installed, read whole: no reader that stops early under pipefail.
    [[ $(dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null) == 'install ok installed'* ]] || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run as root: dpkg --add-architecture i386 && apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
  fi

  echo "Installing: ${missing[*]}"
  dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

install g++-mingw-w64-i686-posix mingw-w64-tools wine wine32:i386 wine64 xvfb xauth cmake googletest make python3 "$@"
# A machine that runs no 32-bit programs tests a 64-bit build (tools/wine-env.sh).
source "$(dirname "$0")/wine-env.sh"
[ -z "$CORVANE_HOST64" ] || install g++-mingw-w64-x86-64-posix
