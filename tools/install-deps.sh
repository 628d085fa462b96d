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

# The 32-bit Wine that runs the 32-bit Corvane.exe in the tests, on a machine that runs no 32-bit
# programs through qemu-user (tools/wine32.sh). Debian 12's own qemu-user (7.2) can't start Wine;
# bookworm-backports' can. Its static qemu-i386 alone is unpacked into the build tree: the system's
# package sources and programs stay as they are.
fetch_qemu() {
  # shellcheck disable=SC2154  # set by wine-env.sh, sourced below
  local apt=${corvane_qemu%/*}/apt arch
  [ ! -x "$corvane_qemu" ] || return 0
  arch=$(dpkg --print-architecture)
  rm -rf "$apt"
  mkdir -p "$apt/lists/partial" "$apt/cache"
  echo "deb [arch=$arch signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-backports main" >"$apt/sources.list"
  local options=(-qq -o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=- -o "Dir::State::Lists=$apt/lists"
    -o "Dir::Cache=$apt/cache" -o Acquire::Languages=none -o APT::Sandbox::User="$(id -un)")
  echo "Fetching qemu-user from bookworm-backports into $apt"
  apt-get "${options[@]}" update
  # qemu-user's programs are static since version 10; qemu-user-static is only a name that leads to it.
  (cd "$apt" && apt-get "${options[@]}" download qemu-user)
  # tar reads the whole archive, so dpkg-deb never writes into a closed pipe.
  dpkg-deb --fsys-tarfile "$apt"/qemu-user_*.deb | tar -x -C "$apt" ./usr/bin/qemu-i386
  mv "$apt/usr/bin/qemu-i386" "$corvane_qemu"
  rm -rf "$apt"
}

install g++-mingw-w64-i686-posix mingw-w64-tools wine wine32:i386 wine64 xvfb xauth cmake googletest make python3 "$@"
# A machine that runs no 32-bit programs tests a 64-bit build (tools/wine-env.sh).
source "$(dirname "$0")/wine-env.sh"
[ -z "$CORVANE_HOST64" ] || { install g++-mingw-w64-x86-64-posix; fetch_qemu; }
