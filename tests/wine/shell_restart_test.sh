#!/bin/bash
# The shell-restart mode of the real setup. It ends with 0 and does nothing else: no package
# written, nothing installed. From Windows Vista on it goes through the Task Scheduler, whose first
# step deletes a task of the same name left from an earlier run; Wine's scheduler then refuses the
# run level (E_NOTIMPL), so no new task is left behind. On Windows XP it starts
# %SystemRoot%\Explorer.EXE itself (a recorder stands in for it). A [boot] Shell other than
# Explorer in system.ini stops it before either.
#
#   shell_restart_test.sh SETUP
#
# Needs BENCH_TOOLS and BENCH_WORK, like every Wine test. Wine finds no "Progman" window.

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

setup=${1:?usage: shell_restart_test.sh SETUP}
task_name='{DD552472-A185-4a0c-AC58-90AA40E9E26A}'

bench_prefix
bench_fake_explorer || bench_fail "replacing Explorer by the recorder"
tasks=$BENCH_PREFIX/drive_c/windows/system32/tasks
ini=$BENCH_PREFIX/drive_c/windows/system.ini
cp "$ini" "$BENCH_RUN/system.ini"

# What an installation would add to: the Uninstall entries, the product's folders and the folder
# the main package is written to.
installed_state() {
  wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null |
    tr -d '\r' | sed '/^$/d' | sort
  (cd "$BENCH_PREFIX/drive_c" && find 'Program Files (x86)/Orvex' 'Program Files/Orvex' \
    "ProgramData/$ORVEX_INSTALLER_PRODUCT_CODE" 2>/dev/null | sort)
}

# plant_task NAME: a scheduled task of that name, made with Wine's schtasks.
plant_task() {
  local xml=$BENCH_RUN/task.xml
  printf '%s\n' '<?xml version="1.0"?>' \
    '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">' \
    '<Actions><Exec><Command>C:\windows\notepad.exe</Command></Exec></Actions></Task>' >"$xml"
  wine schtasks /create /xml "$(bench_winpath "$xml")" /tn "$1" </dev/null >/dev/null 2>&1
  expect_file "$tasks/$1" "task $1 planted"
}

# The prefix's system.ini has no [boot] section; set_boot_shell adds one, restore_ini takes it away.
set_boot_shell() { { cat "$BENCH_RUN/system.ini"; printf '\r\n[boot]\r\nShell=%s\r\n' "$1"; } >"$ini"; }
restore_ini() { cp "$BENCH_RUN/system.ini" "$ini"; }

state_before=$(installed_state)
plant_task "$task_name"
plant_task other

# Wine's own version (6.0 and later).
set_boot_shell cmd.exe
bench_run "$setup" --force-shell-restart
expect_exit 0 "another shell in system.ini: exit code 0"
expect_file "$tasks/$task_name" "another shell in system.ini: the Task Scheduler is not asked"

restore_ini
bench_run "$setup" --force-shell-restart
expect_exit 0 "no [boot] Shell: exit code 0"
expect_no_file "$tasks/$task_name" "the task left from an earlier run is deleted, and no new one is registered"
expect_file "$tasks/other" "other tasks stay"

# Windows XP: Explorer is started directly, and not at all with another shell.
bench_winver winxp
set_boot_shell cmd.exe
bench_run "$setup" --force-shell-restart
expect_exit 0 "Windows XP, another shell in system.ini: exit code 0"
restore_ini
bench_run "$setup" --force-shell-restart
expect_exit 0 "Windows XP, no [boot] Shell: exit code 0"
bench_wait_lines "$BENCH_SHELL_EXPLORER" 1 || bench_fail "Windows XP: Explorer was not started"
sleep 1
expect_eq "" "$(cat "$BENCH_SHELL_EXPLORER" 2>/dev/null)" \
  "Windows XP: Explorer started once, without parameters, and not for the other shell"
expect_eq 1 "$(wc -l <"$BENCH_SHELL_EXPLORER" 2>/dev/null)" "Windows XP: one start"
expect_no_file "$BENCH_EXPLORER" "no other Explorer was started"

expect_eq "$state_before" "$(installed_state)" "nothing was installed and no package written"

bench_done
