#!/bin/bash
# Smoke check of the built Windows Installer packages under Wine.
#
#   check_packages.sh BUILD_DIR
#
# BUILD_DIR is the folder holding main.msi and the langpack_*.msi files (or a
# build tree with them in its packages/ folder); the product's codes come from
# product.env, which CMake writes into the build tree. In a fresh throw-away Wine
# prefix the check installs the de-DE and en-US language packs and the main
# package with msiexec /qn, checks the installed files, the registry values
# and the embedded transforms, removes everything again, and checks that the
# failing packages fail with their result codes. It exits non-zero on the
# first failure.
#
# ORVEX_WINE_TEMPLATE, when set, names a prepared prefix that is hard-linked
# instead of running wineboot (much faster; the template is not changed).

set -u

UNINSTALL='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
COMPAT_KEY='HKLM\Software\Orvex\Setup\Compatibility\1'

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
die() { echo "FAIL: $*"; exit 1; }

[ $# -eq 1 ] || die "usage: $0 BUILD_DIR"
pkgdir=$(cd "$1" 2>/dev/null && pwd) || die "no such folder: $1"
[ -f "$pkgdir/main.msi" ] || pkgdir="$pkgdir/packages"
for name in main langpack_de_DE langpack_en_US main_fail_1603 main_fail_1627 \
            langpack_de_DE_fail_1603; do
  [ -f "$pkgdir/$name.msi" ] || die "$name.msi not found in $1"
done
product_env=
for candidate in "$pkgdir/product.env" "$pkgdir/../product.env"; do
  [ -f "$candidate" ] && { product_env=$candidate; break; }
done
[ -n "$product_env" ] || die "product.env not found in or beside $pkgdir"
source "$product_env"
MAIN_CODE=$ORVEX_INSTALLER_PRODUCT_CODE
DE_CODE=${ORVEX_LANGUAGE_PACK_PRODUCT_CODES[de-DE]}
EN_US_CODE=${ORVEX_LANGUAGE_PACK_PRODUCT_CODES[en-US]}
read -r -a default_properties <<<"$ORVEX_DEFAULT_AFFILIATE_PROPERTIES"

for tool in wine wineserver msiinfo; do
  command -v "$tool" >/dev/null || die "$tool not found"
done

work=$(mktemp -d /tmp/orvex-pkgcheck.XXXXXX) || die "mktemp failed"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY

cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

if [ -n "${ORVEX_WINE_TEMPLATE:-}" ]; then
  [ -f "$ORVEX_WINE_TEMPLATE/system.reg" ] || die "not a Wine prefix: $ORVEX_WINE_TEMPLATE"
  cp -al "$ORVEX_WINE_TEMPLATE" "$WINEPREFIX" || die "cannot link $ORVEX_WINE_TEMPLATE"
  # Files Wine rewrites in place must not be shared with the template.
  for f in "$WINEPREFIX"/*.reg "$WINEPREFIX/drive_c/windows/win.ini" \
           "$WINEPREFIX/drive_c/windows/system.ini"; do
    [ -f "$f" ] && cp --remove-destination "$ORVEX_WINE_TEMPLATE/${f#"$WINEPREFIX"/}" "$f"
  done
else
  wineboot -i >/dev/null 2>&1 || die "wineboot failed"
  wineserver -w
fi
wineserver -p >/dev/null 2>&1

winpath() { winepath -w "$1" 2>/dev/null; }
# msiexec returns the installer result; the shell sees its low 8 bits.
msiexec_rc() { wine msiexec "$@" >/dev/null 2>&1; echo $?; }

# reg_value KEY NAME: prints the data of a REG_SZ value, empty if missing.
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name && $2 ~ /^REG_/ { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]+/, ""); print; exit }'
}
reg_key_exists() { wine reg query "$1" >/dev/null 2>&1; }

expect_eq() { # what expected actual
  if [ "$2" == "$3" ]; then pass "$1 = $3"; else fail "$1: expected '$2', got '$3'"; fi
}

# File table row with the short|long pair.
row=$(msiinfo export "$pkgdir/main.msi" File | awk -F'\t' '$1 == "ReadmeFirst" { print $3 }')
expect_eq "main.msi File.FileName of ReadmeFirst" 'README~1.TXT|readme first.txt' "$row"

# --- install ---------------------------------------------------------------
log_main="$work/main.log"
expect_eq "langpack_de_DE.msi install result" 0 \
  "$(msiexec_rc /i "$(winpath "$pkgdir/langpack_de_DE.msi")" ALLUSERS=1 /qn)"
expect_eq "langpack_en_US.msi install result" 0 \
  "$(msiexec_rc /i "$(winpath "$pkgdir/langpack_en_US.msi")" ALLUSERS=1 /qn)"
expect_eq "main.msi install result" 0 \
  "$(msiexec_rc /i "$(winpath "$pkgdir/main.msi")" LANGSTRING=silent USERDEFINST=2 \
       "${default_properties[@]}" TRANSFORMS=:silent \
       FASTOEM=1 /qn /l*v "$(winpath "$log_main")")"

log_property() { tr -d '\r' < "$log_main" | sed -n "s/^Property(S): $1 = //p" | tail -n 1; }
expect_eq "log: TRANSFORMAPPLIED" silent "$(log_property TRANSFORMAPPLIED)"
expect_eq "log: LANGSTRING" silent "$(log_property LANGSTRING)"
expect_eq "log: FASTOEM" 1 "$(log_property FASTOEM)"
expect_eq "log: QZUPGRADE (package default)" 0 "$(log_property QZUPGRADE)"

expect_eq "main DisplayName" "Orvex Utilities 2011" "$(reg_value "$UNINSTALL\\$MAIN_CODE" DisplayName)"
expect_eq "main DisplayVersion" "$ORVEX_PRODUCT_VERSION" "$(reg_value "$UNINSTALL\\$MAIN_CODE" DisplayVersion)"
expect_eq "de-DE pack DisplayName" "Orvex Utilities 2011 Language Pack (de-DE)" \
  "$(reg_value "$UNINSTALL\\$DE_CODE" DisplayName)"
expect_eq "en-US pack DisplayName" "Orvex Utilities 2011 Language Pack (en-US)" \
  "$(reg_value "$UNINSTALL\\$EN_US_CODE" DisplayName)"
expect_eq "compatibility record" "$MAIN_CODE" "$(reg_value "$COMPAT_KEY" ProductCode)"

location=$(reg_value "$UNINSTALL\\Orvex Utilities 2011" InstallLocation)
case "$location" in
  *'\Orvex\Utilities 2011\') pass "Uninstall\\Orvex Utilities 2011 InstallLocation = $location" ;;
  *) fail "Uninstall\\Orvex Utilities 2011 InstallLocation: unexpected '$location'" ;;
esac
expect_eq "Uninstall\\{code} InstallLocation" "$location" \
  "$(reg_value "$UNINSTALL\\$MAIN_CODE" InstallLocation)"

installdir=""
[ -n "$location" ] && installdir=$(winepath -u "$location" 2>/dev/null)
for file in "readme first.txt" license.txt lang/de-DE.txt lang/en-US.txt; do
  if [ -n "$installdir" ] && [ -s "$installdir/$file" ]; then
    pass "installed: $file"
  else
    fail "not installed: $file (in '$installdir')"
  fi
done
if [ -n "$installdir" ] && cmp -s "$installdir/readme first.txt" \
     "$pkgdir/payload/main/readme first.txt"; then
  pass "readme first.txt has the packaged content"
else
  fail "readme first.txt differs from the packaged file"
fi

# --- remove ----------------------------------------------------------------
before=$failures
for code in "$MAIN_CODE" "$DE_CODE" "$EN_US_CODE"; do
  expect_eq "removal of $code" 0 "$(msiexec_rc /x "$code" /qn)"
  if reg_key_exists "$UNINSTALL\\$code"; then fail "Uninstall\\$code still present"; fi
done
reg_key_exists "$UNINSTALL\\Orvex Utilities 2011" &&
  fail "Uninstall\\Orvex Utilities 2011 still present"
[ -z "$(reg_value "$COMPAT_KEY" ProductCode)" ] || fail "compatibility record still present"
if [ -n "$installdir" ]; then
  for file in "readme first.txt" license.txt lang/de-DE.txt lang/en-US.txt; do
    [ -e "$installdir/$file" ] && fail "still present after removal: $file"
  done
fi
[ "$failures" -eq "$before" ] && pass "removal left no product files, keys or values"

# --- the en-US transform -----------------------------------------------------
expect_eq "main.msi install with TRANSFORMS=:en-US" 0 \
  "$(msiexec_rc /i "$(winpath "$pkgdir/main.msi")" TRANSFORMS=:en-US /qn \
       /l*v "$(winpath "$log_main")")"
expect_eq "log: TRANSFORMAPPLIED" en-US "$(log_property TRANSFORMAPPLIED)"
expect_eq "removal of $MAIN_CODE" 0 "$(msiexec_rc /x "$MAIN_CODE" /qn)"

# --- failing packages (Wine result codes; the shell sees the low byte) -------
expect_eq "main_fail_1603.msi result (1603 & 0xFF)" 67 \
  "$(msiexec_rc /i "$(winpath "$pkgdir/main_fail_1603.msi")" /qn)"
expect_eq "main_fail_1627.msi result (1627 & 0xFF)" 91 \
  "$(msiexec_rc /i "$(winpath "$pkgdir/main_fail_1627.msi")" /qn)"
expect_eq "langpack_de_DE_fail_1603.msi result (1603 & 0xFF)" 67 \
  "$(msiexec_rc /i "$(winpath "$pkgdir/langpack_de_DE_fail_1603.msi")" ALLUSERS=1 /qn)"
for code in "$MAIN_CODE" "$DE_CODE"; do
  reg_key_exists "$UNINSTALL\\$code" && fail "$code registered after a failed installation"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all package checks passed"
