#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need (as root, Debian 12). Skips the package
# index update when everything is already there.
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libboost-dev
          clang-14 libclang-rt-14-dev
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          wine wine32:i386 wine64 msitools wixl osslsigncode openssl
          xvfb xauth xdotool imagemagick x11-utils util-linux
          python3 python3-gi gir1.2-gsf-1 python3-pil python3-yaml python3-jsonschema fonts-dejavu-core
          fonts-wqy-microhei)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
# The 32-bit Wine runs only the Wine scenarios, which a kernel that cannot run 32-bit programs
# skips (tools/wine-emulated.sh installs it for itself).
if [ "${missing[*]}" = wine32:i386 ] && [ -e /lib/ld-linux.so.2 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "install-prerequisites.sh: wine32:i386 left out: this kernel cannot run 32-bit programs" >&2
  exit 0
fi

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive

# A mirror in the middle of a sync serves an index of the wrong size for a while ("File has
# unexpected size ... Mirror sync in progress?"): the update is tried again after a pause. When it
# still fails, the install is tried with what was fetched, since the failed index may not matter.
failed_indexes=""
for attempt in 1 2 3 4 5; do
  if update_log=$(apt-get update -qq 2>&1); then
    failed_indexes=""
    break
  fi
  failed_indexes=$(grep -E '^E: Failed to fetch' <<<"$update_log" | sed 's/^E: Failed to fetch \([^ ]*\).*/\1/' || true)
  [ -n "$failed_indexes" ] || failed_indexes=$(grep -E '^E:' <<<"$update_log" || true)
  echo "install-prerequisites.sh: package index update failed (attempt $attempt of 5):" >&2
  echo "$failed_indexes" | sed 's/^/  /' >&2
  [ "$attempt" -lt 5 ] && sleep $((attempt * 15))
done

install() { apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }

if install "${missing[@]}"; then
  exit 0
fi
if [ -n "$failed_indexes" ]; then
  echo "install-prerequisites.sh: the packages did not install after the index update failed for:" >&2
  echo "$failed_indexes" | sed 's/^/  /' >&2
  echo "A mirror that is being synchronised serves such indexes for a while; a retry later may pass." >&2
fi
# The 32-bit Wine runs only the Wine scenarios (and tools/wine-emulated.sh). On a kernel that
# cannot run 32-bit programs they are skipped anyway, so the rest is enough there.
without_wine32=()
for package in "${missing[@]}"; do
  [ "$package" = wine32:i386 ] || without_wine32+=("$package")
done
if [ ${#without_wine32[@]} -lt ${#missing[@]} ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1 &&
   { [ ${#without_wine32[@]} -eq 0 ] || install "${without_wine32[@]}"; }; then
  echo "install-prerequisites.sh: wine32:i386 is not installed; this kernel cannot run 32-bit programs," \
       "so the Wine scenarios it serves are skipped here (tools/wine-emulated.sh needs it)." >&2
  exit 0
fi
exit 1
