#!/usr/bin/env bash
# The main job: builds everything, then installs the product silently with the default setup
# executable in a fresh Wine prefix, as an administrator's script would, and reports what happened.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build-all.sh
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "main-job.sh: built; but this machine cannot run 32-bit programs (/lib/ld-linux.so.2: exec" \
       "format error), so Wine cannot run the 32-bit setup here. Run this on a machine that can." >&2
  exit 2
fi

setup="$PWD/build/win32/OrvexUtilities2011Setup.exe"
source build/win32/product.env  # the product's facts, written by CMake
prefix=$(mktemp -d /tmp/orvex-main-job.XXXXXX)
export WINEPREFIX="$prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY  # no screen: any message box returns at once instead of waiting
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$prefix"; }
trap cleanup EXIT

echo "== Preparing a fresh Wine prefix"
wineboot -i >/dev/null 2>&1
wineserver -w

echo "== Running: OrvexUtilities2011Setup.exe /silent /logbp C:\\orvex-main.log"
set +e
wine "$setup" /silent /logbp 'C:\orvex-main.log' >/dev/null 2>&1
code=$?
set -e
wineserver -w
echo "exit code: $code"

echo "== Installed products (name, version, product code)"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
  awk '/^HKEY/ { n = split($0, part, "\\"); key = part[n]; name = ""; next }
       $1 == "DisplayName" { sub(/^[ \t]*DisplayName[ \t]+REG_SZ[ \t]+/, ""); name = $0; next }
       $1 == "DisplayVersion" && name != "" { printf "%-46s %-14s %s\n", name, $3, key }' | sort

echo "== Installed files"
for folder in "$prefix/drive_c/Program Files (x86)/Orvex" "$prefix/drive_c/Program Files/Orvex"; do
  [ -d "$folder" ] && (cd "$folder/.." && find Orvex -type f | sort)
done
[ -d "$prefix/drive_c/Program Files (x86)/Orvex" ] || [ -d "$prefix/drive_c/Program Files/Orvex" ] || echo "(none)"

echo "== Registry values the setup wrote (HKLM\\Software\\Orvex)"
wine reg query 'HKLM\Software\Orvex' /s 2>/dev/null | tr -d '\r' | grep -v '^$' || echo "(none)"

echo "== Extracted packages"
find "$prefix/drive_c" -path "*$ORVEX_INSTALLER_PRODUCT_CODE*" -name '*.msi' 2>/dev/null | sed "s|$prefix/||" || true

if [ -f "$prefix/drive_c/orvex-main.log" ]; then
  echo "== Main package log: properties passed"
  iconv -f latin1 -t utf-8 "$prefix/drive_c/orvex-main.log" | tr -d '\r' |
    grep -E 'Property\(S\): (LANGSTRING|USERDEFINST|AFFILIATEID|AFFILIATEIDFLAGS|TRANSFORMS|FASTOEM|QZUPGRADE) ' || true
fi
