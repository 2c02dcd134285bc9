#!/bin/bash
# The elevated setup writes its packages where others may have been first, and keeps them from
# being changed before Windows Installer reads them:
# - an all-users package folder that the user's own unelevated program made beforehand is refused
#   (its owner is the user's account, not the owner an elevated token gives), and the per-user
#   folder, which that program can write to as well, is used;
# - a symbolic link or a hard link planted there as the main package's file is neither followed
#   nor removed, and the file is not rewritten through it: the file it names stays as it was, and
#   the run installs from a new file beside it; one planted at a numbered name, where the run
#   removes earlier copies, is left as well, and so is the file it names;
# - while the setup runs (here: waiting in the question about an installed older version, after
#   the main package has been written) another program cannot open that file for writing;
# - a temporary folder so long that the system cannot name a file in it ends the run with the
#   "ExtractMsi2" error instead of a language pack file named from whatever followed the name;
# - the package folder the setup creates has a DACL that gives Everyone nothing, read back with
#   GetSecurityInfo. Wine keeps of a file's security descriptor only what its Unix mode bits can
#   hold (access for the owner and for everyone), and maps a DACL set together with a new owner
#   loosely; the protection against inheritance, the SYSTEM, Administrators and Users entries and
#   the restriction of a folder found in place are kept only by Windows (host tests check that
#   the setup asks for them).
#
#   hardening_package_files_test.sh SETUP HARDENING_PROBE EXTRACTION_PROBE OLDER_EDITION_MSI

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

setup=$1
probe=$2
extraction_probe=$3
older_msi=$4
folder="C:\\ProgramData\\$ORVEX_INSTALLER_PRODUCT_CODE"
main_package="$folder\\$ORVEX_MAIN_PACKAGE_FILE"

bench_prefix --display
bench_browser_recorder
unix_folder="$BENCH_PREFIX/drive_c/ProgramData/$ORVEX_INSTALLER_PRODUCT_CODE"
user_folder="$BENCH_PREFIX/drive_c/users/$(id -un)/AppData/Roaming/$ORVEX_INSTALLER_PRODUCT_CODE"
unix_package="$user_folder/$ORVEX_MAIN_PACKAGE_FILE"
planted_copy="$user_folder/${ORVEX_MAIN_PACKAGE_FILE%.msi}_1.msi"
installed() { bench_reg_query "HKLM\\Software\\Orvex\\Setup\\$ORVEX_PRODUCT_CODE_WORD" '' >/dev/null; }
# The owner and DACL of a file or folder, in the system's descriptor language.
security() {
  rm -f "$BENCH_RUN/security.txt"
  wine "$extraction_probe" "$(bench_winpath "$BENCH_RUN/security.txt")" security "$1" </dev/null >/dev/null 2>&1
  sed -n 's/^security=//p' "$BENCH_RUN/security.txt" 2>/dev/null
}

# The user's program made the all-users folder and put links where the main package goes in the
# per-user one and where an earlier run's numbered copy would be, pointing at a file the user
# cares about.
victim="$BENCH_PREFIX/drive_c/users/Public/important.txt"
mkdir -p "$(dirname "$victim")" "$unix_folder" "$user_folder"
printf 'do not overwrite\n' >"$victim"
ln -s "$victim" "$unix_package"
ln -s "$victim" "$planted_copy"
bench_run "$setup" /silent /language en-US
expect_exit 0 "the run with planted links installs"
expect_eq "" "$(ls -A "$unix_folder")" "nothing is written to the all-users folder the user made"
expect_eq "do not overwrite" "$(cat "$victim")" "the links' target is untouched"
expect_eq "$victim" "$(readlink "$unix_package")" "the link at the plain name is left as it was"
expect_eq "$victim" "$(readlink "$planted_copy")" "the link at a numbered name is left as it was"
numbered=$(find "$user_folder" -maxdepth 1 -type f -name '*_*.msi')
if [[ -n $numbered && $numbered != *$'\n'* ]]; then
  bench_pass "the package was written to a file of its own beside the links"
else
  bench_fail "the package was written to a file of its own beside the links" "$(ls -l "$user_folder" 2>&1)"
fi
rm -f "$unix_package" "$planted_copy" "$numbered"
installed
expect_eq 0 $? "the product is installed"
bench_run msiexec /x "$ORVEX_INSTALLER_PRODUCT_CODE" /qn

# Hard links there, second names of the same file: not rewritten or removed either.
ln "$victim" "$unix_package"
ln "$victim" "$planted_copy"
bench_run "$setup" /silent /language en-US
expect_exit 0 "the run with planted hard links installs"
expect_eq "do not overwrite" "$(cat "$victim")" "the hard links' file is untouched"
expect_eq 3 "$(stat -c %h "$victim")" "the hard links are left as they were"
numbered=$(find "$user_folder" -maxdepth 1 -type f -name '*_*.msi' ! -samefile "$victim")
expect_file "$numbered" "the package was written to a file of its own beside the hard links"
rm -f "$unix_package" "$planted_copy" "$numbered"
bench_run msiexec /x "$ORVEX_INSTALLER_PRODUCT_CODE" /qn

# An older version installed: the setup asks before anything else, with the package written
# into a folder it creates.
rm -rf "$unix_folder"
bench_run msiexec /i "$(bench_winpath "$older_msi")" /qn
expect_exit 0 "the older edition is installed"
bench_start "$setup"
bench_box_wait "Orvex Utilities" 60
descriptor=$(security "$folder")
expect_match "$descriptor" 'D:.*\(A;[^)]*;FA;;;' "the created folder's DACL can be read"
expect_not_contains "$descriptor" ';;;WD)' "the created folder's DACL gives Everyone nothing"
expect_contains "$(security 'C:\ProgramData')" ';;;WD)' "a folder made the default way is open to Everyone"
wine "$probe" write "$main_package" </dev/null >/dev/null 2>&1
BENCH_EXIT=$?
expect_exit 32 "another program cannot open the written package for writing (sharing violation)"
bench_box_press "Orvex Utilities" no
bench_wait
expect_exit 0 "No ends the run"
bench_run "$probe" write "$main_package"
expect_exit 0 "once the setup has ended the file can be opened again"
bench_run msiexec /x "$ORVEX_INSTALLER_PRODUCT_CODE" /qn

# A temporary folder of 254 characters.
long="C:\\$(printf 'T%.0s' $(seq 1 251))"
mkdir -p "$BENCH_PREFIX/drive_c/$(printf 'T%.0s' $(seq 1 251))"
bench_reg add 'HKCU\Environment' /v TMP /d "$long" /f
bench_reg add 'HKCU\Environment' /v TEMP /d "$long" /f
bench_start "$setup" /silent /language en-US
expect_box Error "ExtractMsi216389" "the language pack cannot be named: the ExtractMsi2 error"
bench_box_press Error ok
bench_wait
expect_exit 16389 "exit code of E_FAIL"

bench_done
