#!/usr/bin/env bash
# The setup executable is a 32-bit GUI program that imports Windows DLLs only and carries the
# manifest (administrator, common controls 6) and the product's version in the version block.
# ORVEX_PRODUCT_ENV names the build folder's product.env.
set -u
exe="$1"
source "${ORVEX_PRODUCT_ENV:?must name product.env of the build folder}"
objdump="${OBJDUMP:-i686-w64-mingw32-objdump}"
failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

headers=$("$objdump" -p "$exe")
check "PE32 image" grep -q 'Magic[[:space:]]*010b' <<<"$headers"
check "GUI subsystem" grep -q 'Subsystem[[:space:]]*00000002' <<<"$headers"

allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|msvcrt|wtsapi32)\.dll$'
imports=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}')
check "imports present" test -n "$imports"
for dll in $imports; do
  check "import $dll is a Windows DLL" grep -Eq "$allowed" <<<"$dll"
done
check "msi.dll is not imported (it is loaded from the system folder at run time)" \
  bash -c '! grep -qi "^msi.dll$" <<<"$0"' "$imports"

manifest=$(tr -d '\r\n' <"$exe" | grep -a -o '<assembly.*</assembly>')
check "manifest requires administrator" grep -q 'requestedExecutionLevel level="requireAdministrator"' <<<"$manifest"
check "manifest binds common controls 6.0.0.0 x86" \
  grep -Eq 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"[^>]*processorArchitecture="x86"' <<<"$manifest"
utf16=$(strings -el "$exe")
check "version block names $ORVEX_PRODUCT_VERSION" grep -qxF "$ORVEX_PRODUCT_VERSION" <<<"$utf16"
# The fixed file information: its signature and structure version, then the file and the product
# version, each as two little-endian words (major and minor, then build and revision).
little_endian32() { printf '%02x%02x%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
IFS=. read -r major minor build revision <<<"$ORVEX_PRODUCT_VERSION"
words=$(little_endian32 $((major << 16 | minor)))$(little_endian32 $((build << 16 | revision)))
check "fixed file version $ORVEX_PRODUCT_VERSION" bash -c \
  'od -An -tx1 -v "$0" | tr -d " \n" | grep -q "$1"' "$exe" "bd04effe00000100$words$words"

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all checks passed"
