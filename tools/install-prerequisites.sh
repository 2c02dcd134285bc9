#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need (as root, Debian 12). Skips the package
# index update when everything is already there.
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libboost-dev
          clang-14 libclang-rt-14-dev
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          wine wine32:i386 wine64 msitools wixl osslsigncode openssl
          xvfb xauth xdotool imagemagick x11-utils util-linux
          python3 python3-gi gir1.2-gsf-1 python3-pil fonts-dejavu-core
          fonts-wqy-microhei)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
