#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test setup.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev python3
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-tools
  clang clang-format libclang-rt-14-dev
  wine wine64 wine32:i386 fonts-wine fonts-vlgothic xvfb xauth icoutils imagemagick
  xorriso fuseiso osslsigncode openssl
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
# Wine's 32-bit side, which runs the 32-bit setup.exe, comes from Debian's
# i386 architecture.
if [ "$(dpkg --print-architecture)" != i386 ] && ! dpkg --print-foreign-architectures | grep -qx i386
then
  echo "Adding the i386 architecture (for wine32:i386)"
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
