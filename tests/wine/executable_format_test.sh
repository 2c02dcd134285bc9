#!/usr/bin/env bash
# The setup executable is a 32-bit GUI program that imports Windows DLLs only and carries the
# manifest (administrator, common controls 6) and the version block 10.0.3000.101.
set -u
exe="$1"
objdump="${OBJDUMP:-i686-w64-mingw32-objdump}"
failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

headers=$("$objdump" -p "$exe")
check "PE32 image" grep -q 'Magic[[:space:]]*010b' <<<"$headers"
check "GUI subsystem" grep -q 'Subsystem[[:space:]]*00000002' <<<"$headers"

# Only DLLs that Windows takes from its KnownDLLs list may be imported: an import of any other DLL
# is resolved before the program's first line runs, from the program's own folder first.
known_dlls=$(grep -v '^#' "$(dirname "$0")/known_dlls.txt")
imports=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}')
check "imports present" test -n "$imports"
for dll in $imports; do
  check "import $dll is one of the KnownDLLs" grep -qx "$dll" <<<"$known_dlls"
done
check "msi.dll is not imported (it is loaded from the system folder at run time)" \
  bash -c '! grep -qi "^msi.dll$" <<<"$0"' "$imports"

manifest=$(tr -d '\r\n' <"$exe" | grep -a -o '<assembly.*</assembly>')
check "manifest requires administrator" grep -q 'requestedExecutionLevel level="requireAdministrator"' <<<"$manifest"
check "manifest binds common controls 6.0.0.0 x86" \
  grep -Eq 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"[^>]*processorArchitecture="x86"' <<<"$manifest"
utf16=$(strings -el "$exe")
check "version block names 10.0.3000.101" grep -qx '10.0.3000.101' <<<"$utf16"
check "fixed file version 10.0.3000.101" bash -c \
  'od -An -tx1 -v "$0" | tr -d " \n" | grep -q "bd04effe0000010000000a006500b80b00000a006500b80b"' "$exe"

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all checks passed"
