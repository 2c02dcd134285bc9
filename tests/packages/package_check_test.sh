#!/bin/bash
# The build's package check (packages/tools/check_package_set.py) accepts the stand-in packages
# and refuses each kind of wrong package with its own message.
#
#   package_check_test.sh PYTHON MSIBUILD MSIINFO PACKAGES-DIR PRODUCT-ENV
set -u
python=$1 msibuild=$2 msiinfo=$3 pkgdir=$4
source "$5"
tools=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../packages/tools" && pwd)
work=$(mktemp -d /tmp/orvex-package-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

pack() { echo "$1=$pkgdir/langpack_${1/-/_}.msi"; }
with_property() {  # with_property NAME PROPERTY VALUE: a copy of main.msi with one property changed
  cp "$pkgdir/main.msi" "$work/$1.msi"
  "$msibuild" "$work/$1.msi" -q "UPDATE Property SET Value='$3' WHERE Property='$2'"
}
with_property other_code ProductCode '{11111111-2222-3333-4444-555555555555}'
with_property other_version ProductVersion 10.0.2999.1
echo "not a package" >"$work/text.msi"
"$python" "$tools/finish_msi.py" --msibuild "$msibuild" --msiinfo "$msiinfo" --input "$pkgdir/obj/main.wixl.msi" \
  --output "$work/silent_en_only.msi" --transform silent:TRANSFORMAPPLIED=silent --transform en-US:TRANSFORMAPPLIED=en-US

table=()
all=()
for code in "${ORVEX_LANGUAGE_CODES[@]}"; do
  table+=(--language "$code=${ORVEX_LANGUAGE_PACK_PRODUCT_CODES[$code]}")
  all+=(--pack "$(pack "$code")")
done

# check EXPECTED MAIN PACK...: the check's output holds EXPECTED and it fails (EXPECTED empty:
# it passes).
check() {
  local expected=$1 main=$2 output status
  shift 2
  output=$("$python" "$tools/check_package_set.py" --msiinfo "$msiinfo" \
             --product-code "$ORVEX_INSTALLER_PRODUCT_CODE" --version "$ORVEX_PRODUCT_VERSION" \
             "${table[@]}" --main "$main" "$@" 2>&1)
  status=$?
  if [[ -z $expected && $status -eq 0 ]] || [[ -n $expected && $status -ne 0 && $output == *"$expected"* ]]; then
    echo "ok: ${expected:-accepted}"
  else
    echo "FAIL: expected ${expected:-acceptance}, got exit $status: $output"
    failures=$((failures + 1))
  fi
}

de_en=(--pack "$(pack de-DE)" --pack "$(pack en-US)")
check "" "$pkgdir/main.msi" "${all[@]}"
check "other_code.msi: ProductCode is {11111111-2222-3333-4444-555555555555}, expected $ORVEX_INSTALLER_PRODUCT_CODE" \
  "$work/other_code.msi" "${de_en[@]}"
check "other_version.msi: ProductVersion is 10.0.2999.1, expected $ORVEX_PRODUCT_VERSION" \
  "$work/other_version.msi" "${de_en[@]}"
check "langpack_fr_FR.msi: ProductCode is ${ORVEX_LANGUAGE_PACK_PRODUCT_CODES[fr-FR]}, expected ${ORVEX_LANGUAGE_PACK_PRODUCT_CODES[de-DE]}" \
  "$pkgdir/main.msi" --pack "de-DE=$pkgdir/langpack_fr_FR.msi"
check "langpack_de_DE.msi: ProductCode is ${ORVEX_LANGUAGE_PACK_PRODUCT_CODES[de-DE]}, expected $ORVEX_INSTALLER_PRODUCT_CODE" \
  "$pkgdir/langpack_de_DE.msi" --pack "de-DE=$pkgdir/main.msi"
check "main.msi: the main package is also the language pack of de-DE" "$pkgdir/main.msi" --pack "de-DE=$pkgdir/main.msi"
check "text.msi is not a Windows Installer database" "$work/text.msi" "${de_en[@]}"
check "silent_en_only.msi: embedded transform de-DE is missing" "$work/silent_en_only.msi" "${de_en[@]}"
check "language sv-SE is not one of the language table" "$pkgdir/main.msi" --pack "sv-SE=$pkgdir/langpack_de_DE.msi"
check "language de-DE is carried twice" "$pkgdir/main.msi" "${de_en[@]}" --pack "$(pack de-DE)"

[[ $failures -eq 0 ]] || { echo "$failures case(s) failed"; exit 1; }
