#!/bin/bash
# Checks the Wine test bench itself against probe.exe, a program whose
# behaviour is known: full exit codes, exact arguments, console text, message
# boxes, links, the registry helpers, and that a test leaves no process and no
# prefix behind, even when its shell is killed.
#
# Needs BENCH_TOOLS (with probe.exe) and BENCH_WORK, like every Wine test.

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

probe=$BENCH_TOOLS/probe.exe
bench_prefix --display
report=$BENCH_RUN/report.txt
win_report=$(bench_winpath "$report")

# Lines of the probe's report written since the last call.
report_lines() {
  cat "$report" 2>/dev/null
  rm -f "$report"
}

# Exit codes beyond the 8 bits a Linux shell sees.
for code in 16389 -1 0 1 -2147467259; do
  bench_run "$probe" /exit "$code"
  expect_exit "$code" "exit code $code arrives in full"
done
bench_run "$probe" /exit 0x80070002
expect_exit -2147024894 "0x80070002 arrives as a signed number"

# Arguments arrive exactly as given, whatever they contain.
args=$BENCH_RUN/args.txt
bench_run "$probe" /args "$(bench_winpath "$args")" "a b" 'q"x' 'de-DE;fr-FR' 'tr\' 'c:\p a\' '' 'ü€'
expect_exit 0
expect_eq "arg3=a b
arg4=q\"x
arg5=de-DE;fr-FR
arg6=tr\\
arg7=c:\\p a\\
arg8=
arg9=ü€" "$(grep '^arg[3-9]=' "$args")" "arguments arrive unchanged"
rm -f "$args"

raw="\"$(bench_winpath "$probe")\" /args $(bench_winpath "$args") /language de-DE;fr-FR  \"x  y\""
bench_run_cmdline "$raw"
expect_eq "line=$raw" "$(grep '^line=' "$args")" "a raw command line arrives byte for byte"
rm -f "$args"

# Console: started like from Explorer there is none to attach to; started
# like from a prompt the text arrives exactly, long lines unbroken.
bench_run "$probe" /report "$win_report" /print hello
expect_eq "attach=0 error=6" "$(report_lines)" "no parent console when started from Explorer"

long=$(printf 'x%.0s' {1..150})
bench_console "$probe" /report "$win_report" /print '\nSupported languages:\n- en-US\n' \
  /print "- $long\n" /exit 16389
expect_exit 16389 "console run keeps the full exit code"
expect_eq $'\nSupported languages:\n- en-US\n- '"$long"$'\n' "$BENCH_OUTPUT" "console text is exact"
expect_eq "attach=1 conout=1" "$(report_lines)" "parent console found from a prompt"

bench_console "$probe" /print 'Parameter "/x;y z" is not supported!\n' /exit 0
expect_eq $'Parameter "/x;y z" is not supported!\n' "$BENCH_OUTPUT" "quotes and semicolons on the console"
expect_exit 0
bench_console "$probe" /args "$(bench_winpath "$args")" '/language "de-DE;fr-FR"' "it's" 'x y'
expect_eq $'arg3=/language "de-DE;fr-FR"\narg4=it\'s\narg5=x y' "$(grep '^arg[3-9]=' "$args")" \
  "arguments reach a program started from a prompt unchanged"
expect_eq "" "$BENCH_OUTPUT" "a program that prints nothing leaves the console empty"
rm -f "$args"

# Message boxes: caption, text, buttons, answers; the default caption.
caption='Frage – Größe'
bench_start "$probe" /report "$win_report" /box "$caption" 'Zeile 1\nZeile 2' 0x24 \
  /box-default 'Fatal: ' 0x10 /exit 16389
expect_box "$caption" $'Zeile 1\nZeile 2'
expect_eq $'6\t&Yes\n7\t&No' "$(bench_box_buttons "$caption")" "a Yes/No box has buttons 6 and 7"
bench_box_press "$caption" no
expect_box Error "Fatal: " "a box without caption is called Error"
bench_box_press Error ok
bench_wait
expect_exit 16389 "exit code after the boxes"
expect_eq $'box=7\nbox=1' "$(report_lines)" "the probe saw No, then OK"
bench_no_box "$caption" 1

# The failing side of the box checks, in subshells so that their failures
# do not count.
bench_start "$probe" /box Lingering text 0
bench_box_wait Lingering
result=$(bench_no_box Lingering 1)
expect_contains "$result" "FAIL no window \"Lingering\"" "bench_no_box fails while the box is open"
result=$(bench_box_press Lingering yes)
expect_contains "$result" "has no button 6" "pressing a missing button fails"
bench_box_press Lingering ok
bench_wait
expect_exit 0

# A program that does not end: bench_wait fails, ends it and the server
# comes back for later runs.
bench_start "$probe" /sleep 60000
result=$(bench_wait 1)
expect_contains "$result" "FAIL still running after 1s" "bench_wait reports a hung program"
wait "$BENCH_PID" 2>/dev/null
BENCH_PID=
bench_run "$probe" /exit 7
expect_exit 7 "programs run again after a hung one was ended"

# Language: UI language and the localized default caption.
bench_set_language de_DE
bench_run "$probe" /report "$win_report" /lang
expect_eq "lang=0x0407 lcid=0x0407" "$(report_lines)" "bench_set_language de_DE gives German"
bench_start "$probe" /box-default 'Ü' 0
expect_box Fehler "Ü" "the default caption is localized"
bench_box_press Fehler ok
bench_wait
bench_console "$probe" /report "$win_report" /lang /print 'Sprache\n'
expect_eq $'Sprache\n' "$BENCH_OUTPUT" "console text with a language set"
expect_eq "lang=0x0407 lcid=0x0407"$'\n'"attach=1 conout=1" "$(report_lines)" \
  "a program started from a prompt gets the language too"
bench_set_language
bench_run "$probe" /report "$win_report" /lang
expect_eq "lang=0x0409 lcid=0x0409" "$(report_lines)" "bench_set_language without argument resets"

# Links: the recorder gets the URL as the program passed it.
url='https://example.invalid/link/?target=installhelp&errorcode=1603&q=%22a%20b%22&x=ä'
bench_browser_recorder
bench_run "$probe" /report "$win_report" /url "$url"
expect_match "$(report_lines)" '^url=(3[3-9]|[4-9][0-9]|[1-9][0-9]{2,})$' \
  "ShellExecuteW succeeds (more than 32) with the recorder"
bench_wait_lines "$BENCH_URLS" 1
expect_eq "$url" "$(cat "$BENCH_URLS")" "the recorder got the exact URL"

# Without any handler ShellExecuteW fails, and a fake Explorer shows its
# parameters exactly, quotes included.
template_explorer=$BENCH_WORK/template/drive_c/windows/syswow64/explorer.exe
template_sum=$(md5sum <"$template_explorer")
bench_browser_none
bench_fake_explorer
bench_run "$probe" /report "$win_report" /url "$url" /explorer "\"$url\""
expect_match "$(report_lines)" $'^url=31\nexplorer=(3[3-9]|[4-9][0-9])$' \
  "no handler: 31, then Explorer starts"
bench_wait_lines "$BENCH_EXPLORER" 1
expect_eq "\"$url\"" "$(cat "$BENCH_EXPLORER")" "Explorer got the quoted parameter"
rm -f "$BENCH_EXPLORER"
bench_run "$probe" /explorer "$url"
bench_wait_lines "$BENCH_EXPLORER" 1
expect_eq "$url" "$(cat "$BENCH_EXPLORER")" "Explorer got the bare parameter"
expect_eq "$template_sum" "$(md5sum <"$template_explorer")" "the template's Explorer is untouched"

# Registry helpers and Windows versions.
bench_reg add 'HKCU\Software\BenchTest' /v Text /d 'a  b' /f
bench_reg add 'HKCU\Software\BenchTest' /v Number /t REG_DWORD /d 16389 /f
bench_reg add 'HKCU\Software\BenchTest' /ve /d default /f
bench_reg add 'HKLM\Software\BenchTest' /v View /d 64 /f /reg:64
expect_eq "a  b" "$(bench_reg_query 'HKCU\Software\BenchTest' Text)" "a string value"
bench_reg_query 'HKCU\Software\BenchTest' Number >/dev/null
expect_eq REG_DWORD "$BENCH_REG_TYPE" "the value's type"
expect_eq 0x4005 "$(bench_reg_query 'HKCU\Software\BenchTest' Number)" "a DWORD value"
expect_eq default "$(bench_reg_query 'HKCU\Software\BenchTest' '')" "the default value"
expect_eq 64 "$(bench_reg_query 'HKLM\Software\BenchTest' View /reg:64)" "the 64-bit view"
if bench_reg_query 'HKLM\Software\BenchTest' View >/dev/null; then
  bench_fail "the 32-bit view does not see a 64-bit value"
else
  bench_pass "the 32-bit view does not see a 64-bit value"
fi

bench_winver winxp
bench_run "$probe" /report "$win_report" /version
expect_match "$(report_lines)" '^version=5\.1\.2600 sp=3 csd=Service Pack 3' "bench_winver winxp"
bench_winver xpsp1
bench_run "$probe" /report "$win_report" /version
expect_match "$(report_lines)" '^version=5\.1\.2600 sp=1 csd=Service Pack 1 ' "bench_winver xpsp1"
bench_winver 2003sp0
bench_run "$probe" /report "$win_report" /version
expect_match "$(report_lines)" '^version=5\.2\.3790 sp=0 csd= type=3' "bench_winver 2003sp0"

# The prefix's own registry files are not shared with the template.
expect_eq 1 "$(stat -c %h "$BENCH_PREFIX/user.reg")" "user.reg is a copy of its own"

# Teardown, seen from outside: a child test that ends normally and one whose
# shell is killed leave nothing behind.
# The child writes to a file, not to a pipe: a process it leaves behind would
# hold a pipe open and make this test hang instead of fail.
child_test() {
  local out=$BENCH_RUN/child.txt
  BENCH_NAME=selftest-child bash -c '
    source "$1"
    bench_prefix --display
    bench_run "$2" /exit 3
    name=$(<"$BENCH_PREFIX/wineserver")
    printf "run=%s\n" "$BENCH_RUN"
    printf "display=%s\n" "${DISPLAY#:}"
    printf "xvfb=%s\n" "$(<"$BENCH_RUN/xvfb.pid")"
    printf "lock=%s\n" "$(tr -d " " <"/tmp/.X${DISPLAY#:}-lock")"
    printf "reaper=%s\n" "$(<"$BENCH_RUN/reaper.pid")"
    printf "server=%s/%s/server-%x-%x\n" "${TMPDIR:-/tmp}" "$name" \
      "$(stat -c %d "$BENCH_PREFIX")" "$(stat -c %i "$BENCH_PREFIX")"
    printf "exit=%s\n" "$BENCH_EXIT"
    [[ $3 == kill ]] && kill -9 $$
    exit 0
  ' child "$BENCH_LIB_DIR/bench.sh" "$probe" "$1" >"$out" 2>&1
  cat "$out"
}

field() { sed -n "s/^$1=//p" <<<"$2"; }

alive() { [[ -e /proc/$1 && $(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) != Z ]]; }

# Processes whose working folder is the server folder: the wineserver, also
# when its folder has been deleted under it.
server_processes() {
  local link target
  for link in /proc/[0-9]*/cwd; do
    target=$(readlink "$link" 2>/dev/null)
    [[ ${target% (deleted)} == "$1" ]] && echo "${link//[!0-9]/}"
  done
}

check_left_nothing() {
  local info=$1 what=$2 run display xvfb reaper server
  run=$(field run "$info")
  display=$(field display "$info")
  xvfb=$(field xvfb "$info")
  reaper=$(field reaper "$info")
  server=$(field server "$info")
  expect_eq 3 "$(field exit "$info")" "$what: the child test ran its program"
  expect_eq "$xvfb" "$(field lock "$info")" "$what: its Xvfb held the display's lock"
  expect_no_file "$run" "$what: its run folder is deleted"
  expect_eq "" "$(server_processes "$server")" "$what: no wineserver left"
  expect_no_file "$(dirname "$server")" "$what: the server folder is deleted"
  if [[ -n $xvfb ]] && alive "$xvfb"; then
    bench_fail "$what: Xvfb $xvfb still runs"
  else
    bench_pass "$what: Xvfb has ended"
  fi
  # Another test may already use the display number again: only the lock of
  # this Xvfb must be gone.
  if [[ -n $xvfb && $(tr -d ' ' 2>/dev/null <"/tmp/.X$display-lock") == "$xvfb" ]]; then
    bench_fail "$what: display :$display is still locked by Xvfb $xvfb"
  else
    bench_pass "$what: display :$display is released"
  fi
  if [[ -n $reaper ]] && alive "$reaper"; then
    bench_fail "$what: the watchdog $reaper still runs"
  else
    bench_pass "$what: the watchdog has ended"
  fi
}

info=$(child_test normal)
check_left_nothing "$info" "normal end"

info=$(child_test kill)
run=$(field run "$info")
for _ in {1..150}; do
  [[ -e $run ]] || break
  sleep 0.1
done
check_left_nothing "$info" "killed shell"

bench_done
