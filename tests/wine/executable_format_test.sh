#!/usr/bin/env bash
# The setup executable is a 32-bit GUI program that imports Windows DLLs only and carries the
# manifest (administrator, common controls 6), the product's version in the version block, the
# language dialog's template and its bitmaps. It starts on Windows 2000 SP4, where it has to show
# its requirements notice: its header asks for no newer system than 5.0, and it imports only
# functions that Windows 2000 SP4 has (EXPORTS-LIST, see windows2000_exports.txt).
# ORVEX_PRODUCT_ENV names the build folder's product.env.
#
#   executable_format_test.sh EXE EXPORTS-LIST
set -u
exe="$1"
exports_list="$2"
source "${ORVEX_PRODUCT_ENV:?must name product.env of the build folder}"
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
for loaded in msi wtsapi32; do
  check "$loaded.dll is not imported (it is loaded from the system folder at run time)" \
    bash -c '! grep -qi "^$1.dll$" <<<"$0"' "$imports" "$loaded"
done

for field in OSystem Subsystem; do
  version=$(awk -v f="$field" '$1 == "Major" f "Version" { major = $2 } $1 == "Minor" f "Version" { minor = $2 }
                               END { print major "." minor }' <<<"$headers")
  check "$field version $version is 4.0 or 5.0 (Windows 2000 loads it)" grep -Eqx '4\.0|5\.0' <<<"$version"
done

# Every import as "dll function", or "dll @ordinal" for an import by ordinal (objdump shows it with
# the thunk's top bit set and no name), from the import tables of objdump's report.
imported=$(awk '
  /^The Import Tables/ { inside = 1; next }
  inside && /^(The |PE File)/ { inside = 0 }
  !inside { next }
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && /^\t[0-9a-f]+\t *[0-9]+ +[^ ]/ {
    if ($3 == "<none>" && length($1) == 8 && $1 ~ /^[89a-f]/) print dll " @" $2
    else print dll " " $3
  }' <<<"$headers")
declare -A available=()
section=''
while IFS= read -r line; do
  line=${line%$'\r'}
  [[ -z $line || $line == '#'* ]] && continue
  if [[ $line =~ ^\[(.+)\]$ ]]; then section=${BASH_REMATCH[1]}; continue; fi
  available["$section $line"]=1
done <"$exports_list"
check "import list read ($(wc -l <<<"$imported") imports, ${#available[@]} known functions)" \
  test "${#available[@]}" -gt 0 -a -n "$imported"
while IFS= read -r entry; do
  [[ -n $entry ]] || continue
  if [[ -z ${available[$entry]+x} ]]; then
    check "import $entry exists on Windows 2000 SP4 (not in $(basename "$exports_list"))" false
  fi
done <<<"$imported"

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

# The dialog and bitmap resources, read from the resource section: one line per resource,
# "bitmap ID WIDTHxHEIGHTxBITS" or "dialog ID extended|plain CONTROLS WIDTHxHEIGHT".
resources=$(python3 - "$exe" <<'EOF'
import struct, sys

data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
optional = pe + 24
resource_rva = struct.unpack_from("<I", data, optional + 96 + 2 * 8)[0]
table = optional + optional_size

def offset(rva):
    for i in range(sections):
        size, address, raw_size, raw = struct.unpack_from("<4I", data, table + 40 * i + 8)
        if address <= rva < address + max(size, raw_size):
            return raw + rva - address
    raise ValueError(f"RVA {rva:#x} is in no section")

base = offset(resource_rva)

def entries(directory):
    named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
    for i in range(named + numbered):
        name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
        yield (None if name & 0x80000000 else name), target & 0x7FFFFFFF

for kind, names in entries(0):
    if kind not in (2, 5, 14):
        continue
    for name, languages in entries(names):
        for _, leaf in entries(languages):
            at = offset(struct.unpack_from("<I", data, base + leaf)[0])
            if kind == 14:
                count = struct.unpack_from("<H", data, at + 4)[0]
                sizes = [struct.unpack_from("<B", data, at + 6 + 14 * i)[0] or 256 for i in range(count)]
                print(f"icongroup {name} " + " ".join(map(str, sorted(sizes))))
            elif kind == 2:
                width, height, _, bits = struct.unpack_from("<iiHH", data, at + 4)
                print(f"bitmap {name} {width}x{height}x{bits}")
            else:
                version, signature = struct.unpack_from("<HH", data, at)
                extended = version == 1 and signature == 0xFFFF
                count, _, _, cx, cy = struct.unpack_from("<Hhhhh", data, at + (16 if extended else 8))
                print(f"dialog {name} {'extended' if extended else 'plain'} {count} {cx}x{cy}")
EOF
)
check "resources readable" test -n "$resources"
check "dialog 101: extended template, 12 controls, 333 x 223 units" \
  grep -qx 'dialog 101 extended 12 333x223' <<<"$resources"
check "bitmap 202: the dialog's picture, 500 x 312, 256 colours" grep -qx 'bitmap 202 500x312x8' <<<"$resources"
check "bitmap 222: the notice icon, 16 x 16, 24 bits" grep -qx 'bitmap 222 16x16x24' <<<"$resources"
for id in "${ORVEX_LANGUAGE_FLAG_BITMAP_IDS[@]}"; do
  check "bitmap $id: a flag, 16 x 14, 24 bits" grep -qx "bitmap $id 16x14x24" <<<"$resources"
done
check "the first icon group (the one Explorer shows) has 16, 32, 48 and 256 pixels" \
  grep -qx 'icongroup 1 16 32 48 256' <<<"$(grep -m1 '^icongroup' <<<"$resources")"
check "no other bitmaps" test "$(grep -c '^bitmap' <<<"$resources")" -eq $((${#ORVEX_LANGUAGE_FLAG_BITMAP_IDS[@]} + 2))

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all checks passed"
