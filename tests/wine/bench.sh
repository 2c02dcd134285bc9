# Wine test bench: sourced by the end-to-end test scripts that run the real
# setup program under Wine. See README.md in this folder.
#
# In:  BENCH_TOOLS  folder with launcher.exe, boxes.exe and urlrecorder.exe
#      BENCH_WORK   scratch folder for the template prefix and each test's run
#      ORVEX_PRODUCT_ENV  the build folder's product.env: the product's facts
#                   (ORVEX_PRODUCT_VERSION, ORVEX_INSTALLER_PRODUCT_CODE, ...)
# Optional: BENCH_KEEP=1 keeps a test's run folder (prefix, logs) after it,
#      BENCH_RUN_TIMEOUT (seconds, default 120) for bench_run and bench_console,
#      BENCH_BOX_TIMEOUT (seconds, default 15) for the message box helpers,
#      BENCH_TIME_SCALE (default 1) multiplies every time limit of the bench and
#      of the tests: for a machine that runs the 32-bit programs emulated.
#
# Executed rather than sourced ("bash bench.sh --reap PID RUN") it is the
# watchdog that bench_prefix starts: it waits for the test's shell to end and
# then cleans up whatever the test left running, even after a SIGKILL.

BENCH_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [[ ${BASH_SOURCE[0]} != "$0" ]]; then
  if [[ ! -r ${ORVEX_PRODUCT_ENV:-} ]]; then
    echo "bench.sh: ORVEX_PRODUCT_ENV must name the build folder's product.env" >&2
    exit 2
  fi
  source "$ORVEX_PRODUCT_ENV"
fi

# Raised whenever the way the template is made changes, so that an old
# template in a build folder is made again.
BENCH_TEMPLATE_RECIPE=1

BENCH_PASSED=${BENCH_PASSED:-0}

# _bench_scaled SECONDS: a time limit times BENCH_TIME_SCALE, rounded up to whole seconds.
_bench_scaled() { awk -v s="$1" -v f="${BENCH_TIME_SCALE:-1}" 'BEGIN { t = s * f; printf "%d", (t == int(t)) ? t : int(t) + 1 }'; }
BENCH_FAILED=${BENCH_FAILED:-0}
BENCH_NAME=${BENCH_NAME:-$(basename "$0" .sh)}
BENCH_RUN=
BENCH_PREFIX=
BENCH_EXIT=
BENCH_OUTPUT=
BENCH_PID=
BENCH_LC_ALL=
_bench_runs=0
_bench_xvfb_pid=
_bench_exit_file=

# wine prints "fixme" and "err" lines by default; a test may set WINEDEBUG
# (for example +msgbox) for a single call. winemenubuilder would write menu
# entries into the real home folder.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

# Reports and counting.

# The first caller outside this file, as "file:line".
_bench_where() {
  local i
  for ((i = 1; i < ${#BASH_SOURCE[@]}; i++)); do
    if [[ ${BASH_SOURCE[i]} != "${BASH_SOURCE[0]}" ]]; then
      printf '%s:%s' "$(basename "${BASH_SOURCE[i]}")" "${BASH_LINENO[i - 1]}"
      return
    fi
  done
  printf '?'
}

bench_log() { printf '# %s\n' "$*" >&2; }

bench_pass() {
  BENCH_PASSED=$((BENCH_PASSED + 1))
  printf 'ok %s\n' "$*"
}

# bench_fail MESSAGE [DETAIL...]: counts a failure; each detail is printed on
# its own indented line.
bench_fail() {
  BENCH_FAILED=$((BENCH_FAILED + 1))
  printf 'FAIL %s (%s)\n' "$1" "$(_bench_where)"
  shift
  local line
  for line in "$@"; do printf '    %s\n' "$line"; done
}

# Shows two texts so that every difference is visible: quoted on one line
# each, or as a unified diff when either has several lines.
_bench_show_difference() {
  local expected=$1 actual=$2
  if [[ $expected == *$'\n'* || $actual == *$'\n'* ]]; then
    diff -u --label expected --label actual <(printf '%s\n' "$expected") \
      <(printf '%s\n' "$actual") | sed 's/^/    /'
  else
    printf '    expected: %q\n    actual:   %q\n' "$expected" "$actual"
  fi
}

# expect_eq EXPECTED ACTUAL [MESSAGE]
expect_eq() {
  local message=${3:-values are equal}
  if [[ $1 == "$2" ]]; then
    bench_pass "$message"
  else
    bench_fail "$message"
    _bench_show_difference "$1" "$2"
  fi
}

# expect_ne UNEXPECTED ACTUAL [MESSAGE]
expect_ne() {
  local message=${3:-values differ}
  if [[ $1 != "$2" ]]; then
    bench_pass "$message"
  else
    bench_fail "$message" "both are: $(printf '%q' "$2")"
  fi
}

# expect_contains TEXT PART [MESSAGE]
expect_contains() {
  local message=${3:-text contains $(printf '%q' "$2")}
  if [[ $1 == *"$2"* ]]; then
    bench_pass "$message"
  else
    bench_fail "$message" "missing: $(printf '%q' "$2")" "in:      $(printf '%q' "$1")"
  fi
}

# expect_not_contains TEXT PART [MESSAGE]
expect_not_contains() {
  local message=${3:-text does not contain $(printf '%q' "$2")}
  if [[ $1 != *"$2"* ]]; then
    bench_pass "$message"
  else
    bench_fail "$message" "found: $(printf '%q' "$2")" "in:    $(printf '%q' "$1")"
  fi
}

# expect_match TEXT EXTENDED-REGEX [MESSAGE]
expect_match() {
  local message=${3:-text matches $2}
  if [[ $1 =~ $2 ]]; then
    bench_pass "$message"
  else
    bench_fail "$message" "pattern: $2" "text:    $(printf '%q' "$1")"
  fi
}

# expect_exit CODE [MESSAGE]: the full exit code of the last bench_run,
# bench_wait or bench_console.
expect_exit() {
  expect_eq "$1" "$BENCH_EXIT" "${2:-exit code is $1}"
}

# expect_file PATH [MESSAGE]
expect_file() {
  if [[ -f $1 ]]; then
    bench_pass "${2:-file exists: $1}"
  else
    bench_fail "${2:-file exists: $1}" "no such file: $1"
  fi
}

# expect_no_file PATH [MESSAGE]
expect_no_file() {
  if [[ ! -e $1 ]]; then
    bench_pass "${2:-no file: $1}"
  else
    bench_fail "${2:-no file: $1}" "exists: $1"
  fi
}

# Ends the test: prints "N passed, M failed" and exits non-zero when anything
# failed or nothing was checked. The EXIT trap then tears the prefix down.
bench_done() {
  printf '%d passed, %d failed\n' "$BENCH_PASSED" "$BENCH_FAILED"
  if ((BENCH_FAILED > 0)); then exit 1; fi
  if ((BENCH_PASSED == 0)); then
    printf 'FAIL no check ran\n'
    exit 1
  fi
  exit 0
}

# Paths and command lines.

# bench_winpath PATH: the Windows form of a Linux path (Wine's drive Z: is /).
bench_winpath() {
  local path=$1
  [[ $path == /* ]] || path=$PWD/$path
  printf 'Z:%s' "${path//\//\\}"
}

# "hex:" plus the UTF-8 bytes of the text, for the helper programs: Wine
# converts arguments and environment with the Linux locale's character set,
# which loses everything beyond ASCII when LC_ALL names a locale that is not
# installed.
_bench_hex() {
  printf 'hex:'
  printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'
}

# One argument quoted so that CommandLineToArgvW gives it back unchanged:
# backslashes are doubled only before a quote, quotes are escaped.
_bench_quote_arg() {
  local arg=$1
  if [[ -n $arg && $arg != *[[:space:]\"]* ]]; then
    printf '%s' "$arg"
    return
  fi
  local out='"' slashes='' c i
  for ((i = 0; i < ${#arg}; i++)); do
    c=${arg:i:1}
    case $c in
      \\) slashes+=\\ ;;
      \") out+=$slashes$slashes\\\" slashes='' ;;
      *) out+=$slashes$c slashes='' ;;
    esac
  done
  printf '%s' "$out$slashes$slashes\""
}

# bench_cmdline PROGRAM ARGS...: the Windows command line that starts PROGRAM
# with exactly ARGS. A PROGRAM containing "/" is a Linux path and becomes a
# Z: path; anything else (cmd, C:\x.exe) is used as it is.
bench_cmdline() {
  local program=$1 line arg
  shift
  [[ $program == */* ]] && program=$(bench_winpath "$program")
  line="\"$program\""
  for arg in "$@"; do line+=" $(_bench_quote_arg "$arg")"; done
  printf '%s' "$line"
}

# Reads a file into the named variable, trailing line breaks included.
_bench_read_exact() {
  local -n _target=$1
  _target=$(cat "$2" 2>/dev/null; printf x)
  _target=${_target%x}
}

# Prefixes, displays and teardown.

# wine for the bench's own plumbing (reg, boxes): never with the test's
# language, so that arguments and output stay UTF-8.
_bench_wine() { wine "$@"; }

# wine for the program under test, with the language from bench_set_language.
_bench_wine_lang() {
  if [[ -n $BENCH_LC_ALL ]]; then
    env LC_ALL="$BENCH_LC_ALL" wine "$@"
  else
    wine "$@"
  fi
}

_bench_require_environment() {
  if [[ -z ${BENCH_TOOLS:-} || -z ${BENCH_WORK:-} ]]; then
    echo "bench: BENCH_TOOLS and BENCH_WORK must be set" >&2
    exit 2
  fi
  local tool
  for tool in launcher boxes urlrecorder; do
    if [[ ! -f $BENCH_TOOLS/$tool.exe ]]; then
      echo "bench: $BENCH_TOOLS/$tool.exe is missing" >&2
      exit 2
    fi
  done
}

# Removes the folder in which Wine kept this prefix's server socket; Debian's
# Wine names it in the file "wineserver" of the prefix and makes it under
# TMPDIR. Only called when the prefix's server has ended.
_bench_remove_server_folder() {
  local prefix=$1 tmp=${2:-/tmp} name folder
  [[ -f $prefix/wineserver ]] || return 0
  name=$(<"$prefix/wineserver")
  [[ $name =~ ^wine-[A-Za-z0-9]+$ ]] || return 0
  for folder in "$tmp/$name" "/tmp/$name"; do
    [[ -d $folder ]] && rm -rf "$folder"
  done
  return 0
}

# bench_template: makes the template prefix $BENCH_WORK/template once.
# Concurrent callers wait for the one that makes it.
bench_template() {
  _bench_require_environment
  local template=$BENCH_WORK/template stamp status=0
  mkdir -p "$BENCH_WORK"
  stamp="recipe $BENCH_TEMPLATE_RECIPE, $(wine --version 2>/dev/null)"
  (
    flock 9
    if [[ -f $template/.bench-template && $(<"$template/.bench-template") == "$stamp" ]]; then
      exit 0
    fi
    rm -rf "$template"
    bench_log "making the template prefix $template"
    (
      unset DISPLAY WAYLAND_DISPLAY
      export WINEPREFIX=$template WINEARCH=win64 WINEDEBUG=-all
      # No Mono or Gecko is installed; without this wineboot would try to
      # offer their download.
      export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
      wineboot -i >"$BENCH_WORK/template.log" 2>&1 9>&- &&
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
          >>"$BENCH_WORK/template.log" 2>&1 9>&-
      result=$?
      wineserver -w 9>&-
      exit "$result"
    ) || status=$?
    if ((status != 0)); then
      echo "bench: wineboot failed, see $BENCH_WORK/template.log" >&2
      rm -rf "$template"
      exit 1
    fi
    _bench_remove_server_folder "$template" "${TMPDIR:-/tmp}"
    rm -f "$template/wineserver"
    printf '%s' "$stamp" >"$template/.bench-template"
  ) 9>"$BENCH_WORK/template.lock" || status=$?
  return "$status"
}

# bench_prefix [--display]: gives this test its own prefix, a hard-link copy
# of the template, and a persistent wineserver for it (later programs start
# without waiting for the server and Wine's services to come up). With
# --display a private
# Xvfb is started first, so that windows and message boxes exist; without it
# DISPLAY is unset and MessageBoxW returns -1 at once. Everything is torn down
# when the test's shell exits: use bench_on_exit for own cleanups instead of
# trap ... EXIT.
bench_prefix() {
  local display=0 arg
  for arg in "$@"; do
    case $arg in
      --display) display=1 ;;
      *) echo "bench_prefix: unknown option $arg" >&2; exit 2 ;;
    esac
  done
  if [[ -n $BENCH_RUN ]]; then
    echo "bench_prefix: called twice" >&2
    exit 2
  fi
  bench_template || exit 1

  local template=$BENCH_WORK/template name=${BENCH_NAME//[^A-Za-z0-9_.-]/_}
  BENCH_RUN=$(mktemp -d "$BENCH_WORK/run.$name.XXXXXX") || exit 1
  BENCH_PREFIX=$BENCH_RUN/prefix
  BENCH_URLS=$BENCH_RUN/urls.txt
  BENCH_SERVER_TMP=${TMPDIR:-/tmp}
  printf '%s' "$BENCH_SERVER_TMP" >"$BENCH_RUN/server-tmp"

  trap _bench_teardown EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
  setsid -f bash "$BENCH_LIB_DIR/bench.sh" --reap "$$" "$BENCH_RUN" \
    </dev/null >/dev/null 2>&1

  cp -al "$template" "$BENCH_PREFIX" || exit 1
  rm -f "$BENCH_PREFIX/.bench-template" "$BENCH_PREFIX/wineserver"
  # Wine rewrites these files in place; through a hard link that would change
  # the template.
  local file
  for file in "$template"/*.reg "$template/.update-timestamp" \
    "$template/drive_c/windows/win.ini" "$template/drive_c/windows/system.ini"; do
    [[ -f $file ]] && cp --remove-destination "$file" "$BENCH_PREFIX/${file#"$template"/}"
  done

  export WINEPREFIX=$BENCH_PREFIX
  unset WAYLAND_DISPLAY
  if ((display)); then
    _bench_start_xvfb || exit 1
  else
    unset DISPLAY
  fi
  _bench_start_server
  # The first program that looks for windows starts Wine's desktop program, which keeps that
  # program's output open for the life of the server: a later $(bench_box_text ...) would then
  # wait for the server to end. Start it here, with its output going nowhere.
  if ((display)); then
    bench_boxes >/dev/null 2>&1
  fi
}

# bench_on_exit COMMAND...: runs COMMAND (with eval) at teardown, before the
# prefix's processes are ended.
_bench_on_exit=()
bench_on_exit() { _bench_on_exit+=("$*"); }

# bench_unshare PATH...: replaces hard-linked files of the prefix by real
# copies. Needed before a test lets a program overwrite a file that came with
# the template (a file opened for writing in place would change the template
# and every other test's prefix with it).
bench_unshare() {
  local path
  for path in "$@"; do
    [[ -f $path ]] || continue
    cp -p "$path" "$path.bench-copy" && mv -f "$path.bench-copy" "$path"
  done
}

# The server stays up for 10 minutes without clients: long enough for any
# test, short enough that it ends by itself should the watchdog ever fail.
# Its output goes to a file: a server holding the test's standard output open
# would keep a reader such as CTest waiting after the test has ended.
_bench_start_server() {
  wineserver -p600 </dev/null >>"$BENCH_RUN/wineserver.log" 2>&1
}

# bench_display: starts the private Xvfb. bench_prefix --display does it in
# the right order; called later, it restarts the prefix's server (ending all
# its programs), because Wine binds windows to the display the server was
# started with.
bench_display() {
  [[ -n $BENCH_RUN ]] || { echo "bench_display: call bench_prefix first" >&2; exit 2; }
  [[ -n $_bench_xvfb_pid ]] && return 0
  wineserver -k 2>/dev/null
  timeout -k 5 30 wineserver -w 2>/dev/null
  _bench_start_xvfb || exit 1
  _bench_start_server
}

# Starts Xvfb on the first free display from :100 to :199. The lock keeps two
# tests from picking the same number; Xvfb's own lock file keeps others off.
_bench_start_xvfb() {
  local number socket pid deadline
  mkdir -p /tmp/.X11-unix 2>/dev/null
  {
    flock 8
    for ((number = 100; number < 200; number++)); do
      socket=/tmp/.X11-unix/X$number
      [[ -e /tmp/.X$number-lock || -e $socket ]] && continue
      Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp \
        </dev/null >"$BENCH_RUN/xvfb.log" 2>&1 8>&- &
      pid=$!
      deadline=$((SECONDS + 10))
      while [[ ! -S $socket ]] && kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do
        sleep 0.02
      done
      if [[ -S $socket ]] && kill -0 "$pid" 2>/dev/null; then
        _bench_xvfb_pid=$pid
        printf '%s' "$pid" >"$BENCH_RUN/xvfb.pid"
        export DISPLAY=:$number
        break
      fi
      kill "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
    done
  } 8>/tmp/.bench-display.lock
  if [[ -z $_bench_xvfb_pid ]]; then
    echo "bench: no Xvfb display could be started, see $BENCH_RUN/xvfb.log" >&2
    return 1
  fi
}

# True while the process runs. A zombie does not count: where the
# watchdog's or Xvfb's parent has ended, nothing may ever reap them.
_bench_alive() {
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
  [[ -n $state && $state != Z && $state != X ]]
}

# Ends what a run left behind. Used by the teardown and by the watchdog.
_bench_cleanup_run() {
  local run=$1 keep=${2:-0} pid
  [[ -d $run ]] || return 0
  if [[ -d $run/prefix ]]; then
    # Bounded: a teardown must not hang, whatever state the server is in.
    WINEPREFIX=$run/prefix wineserver -k 2>/dev/null
    WINEPREFIX=$run/prefix timeout -k 5 30 wineserver -w 2>/dev/null
    _bench_remove_server_folder "$run/prefix" "$(cat "$run/server-tmp" 2>/dev/null)"
  fi
  if [[ -f $run/xvfb.pid ]]; then
    pid=$(<"$run/xvfb.pid")
    if [[ $pid =~ ^[0-9]+$ ]] && [[ $(cat "/proc/$pid/comm" 2>/dev/null) == Xvfb ]]; then
      kill "$pid" 2>/dev/null
      for _ in {1..100}; do
        _bench_alive "$pid" || break
        sleep 0.02
      done
      _bench_alive "$pid" && kill -KILL "$pid" 2>/dev/null
    fi
    rm -f "$run/xvfb.pid"
  fi
  if ((keep)); then
    echo "bench: kept $run" >&2
  else
    rm -rf "$run"
  fi
}

_bench_teardown() {
  local status=$? command reaper=
  [[ -n $BENCH_RUN ]] || return "$status"
  # Finish the teardown even when signalled now; a SIGKILL is left to the
  # watchdog, which is therefore stopped last.
  trap '' INT TERM HUP
  for command in "${_bench_on_exit[@]}"; do eval "$command"; done
  for _ in {1..100}; do
    [[ -f $BENCH_RUN/reaper.pid ]] && break
    sleep 0.02
  done
  [[ -f $BENCH_RUN/reaper.pid ]] && reaper=$(<"$BENCH_RUN/reaper.pid")
  [[ -n $BENCH_PID ]] && kill "$BENCH_PID" 2>/dev/null
  _bench_cleanup_run "$BENCH_RUN" "${BENCH_KEEP:-0}"
  [[ -n $_bench_xvfb_pid ]] && wait "$_bench_xvfb_pid" 2>/dev/null
  [[ -n $BENCH_PID ]] && wait "$BENCH_PID" 2>/dev/null
  if [[ -n $reaper ]]; then
    kill "$reaper" 2>/dev/null
    for _ in {1..100}; do
      _bench_alive "$reaper" || break
      sleep 0.02
    done
  fi
  BENCH_RUN=
  return "$status"
}

# Running programs.

# bench_set_language de_DE | de-DE | de_DE.UTF-8 | (nothing to reset): the
# Windows UI language, user locale and geo id of programs started afterwards
# (LC_ALL for their wine; the Linux locale need not exist). The locale's
# character set is then ASCII for Wine: console text beyond ASCII turns into
# "?" (message box texts read with bench_box_text are not affected).
bench_set_language() {
  local tag=${1:-}
  if [[ -z $tag ]]; then
    BENCH_LC_ALL=
    return
  fi
  tag=${tag/-/_}
  [[ $tag == *.* ]] || tag+=.UTF-8
  BENCH_LC_ALL=$tag
}

# Starts a program through the launcher in the background. The command line
# is handed over in hexadecimal UTF-8 through the environment (see
# launcher.cpp), so that it arrives exactly.
_bench_launch() {
  local line=$1
  _bench_runs=$((_bench_runs + 1))
  _bench_exit_file=$BENCH_RUN/exit.$_bench_runs
  rm -f "$_bench_exit_file"
  BENCH_CMDLINE=$(_bench_hex "$line") _bench_wine_lang "$BENCH_TOOLS/launcher.exe" --no-console \
    --exit-file "$(_bench_hex "$(bench_winpath "$_bench_exit_file")")" </dev/null &
  BENCH_PID=$!
}

# Reads the exit code that the launcher wrote; BENCH_EXIT stays empty when the
# program could not be started.
_bench_collect_exit() {
  BENCH_EXIT=
  if [[ -s $_bench_exit_file ]]; then
    BENCH_EXIT=$(<"$_bench_exit_file")
    return 0
  fi
  bench_fail "$1: the program did not start or the launcher failed"
  return 1
}

# bench_start PROGRAM ARGS...: starts a program and returns at once (for tests
# that then answer its message boxes); bench_wait collects its exit code.
bench_start() {
  bench_start_cmdline "$(bench_cmdline "$@")"
}

# bench_start_cmdline LINE: the same with a raw Windows command line.
bench_start_cmdline() {
  _bench_check_idle bench_start
  BENCH_EXIT=
  BENCH_STARTED=$1
  _bench_launch "$1"
}

# Misuse of the bench ends the test at once: its result would mean nothing.
_bench_check_idle() {
  if [[ -z $BENCH_RUN ]]; then
    echo "$1: call bench_prefix first" >&2
    exit 2
  fi
  if [[ -n $BENCH_PID ]]; then
    echo "$1: the program of bench_start was not waited for (bench_wait)" >&2
    exit 2
  fi
}

# bench_wait [TIMEOUT-SECONDS]: waits for the program of bench_start and sets
# BENCH_EXIT to its full exit code (signed decimal: 16389, -1). A program
# still running at the timeout counts as a failure; the windows then open are
# listed and every program of the prefix is ended.
bench_wait() {
  local timeout deadline
  timeout=$(_bench_scaled "${1:-${BENCH_RUN_TIMEOUT:-120}}")
  if [[ -z $BENCH_PID ]]; then
    bench_fail "bench_wait: nothing was started"
    return 1
  fi
  deadline=$((SECONDS + timeout))
  while kill -0 "$BENCH_PID" 2>/dev/null && ((SECONDS < deadline)); do
    sleep 0.02
  done
  if kill -0 "$BENCH_PID" 2>/dev/null; then
    bench_fail "still running after ${timeout}s: $BENCH_STARTED" \
      "open windows:" "$(bench_boxes)"
    wineserver -k 2>/dev/null
    wait "$BENCH_PID" 2>/dev/null
    BENCH_PID=
    timeout -k 5 30 wineserver -w 2>/dev/null
    _bench_start_server
    BENCH_EXIT=
    return 1
  fi
  wait "$BENCH_PID" 2>/dev/null
  BENCH_PID=
  _bench_collect_exit "$BENCH_STARTED"
}

# bench_run PROGRAM ARGS...: runs a program as if started from Explorer (no
# console to attach to) and waits for it; sets BENCH_EXIT. Returns non-zero
# only when it could not be run to its end.
bench_run() {
  bench_start "$@" && bench_wait
}

# bench_run_cmdline LINE: the same with a raw Windows command line, for tests
# of the program's own command-line splitting.
bench_run_cmdline() {
  bench_start_cmdline "$1" && bench_wait
}

# bench_console PROGRAM ARGS...: runs a program as if typed at a command
# prompt: the launcher runs in a terminal (util-linux script), so the
# program's AttachConsole(ATTACH_PARENT_PROCESS) finds a console. Sets
# BENCH_OUTPUT to the console text exactly (terminal control sequences and
# carriage returns removed, line breaks kept) and BENCH_EXIT.
bench_console() {
  bench_console_cmdline "$(bench_cmdline "$@")"
}

# bench_console_cmdline LINE: the same with a raw Windows command line.
bench_console_cmdline() {
  _bench_check_idle bench_console
  local line=$1 raw wine_command status=0
  _bench_runs=$((_bench_runs + 1))
  _bench_exit_file=$BENCH_RUN/exit.$_bench_runs
  raw=$BENCH_RUN/console.$_bench_runs
  rm -f "$_bench_exit_file"
  local -a wine_words=(wine "$BENCH_TOOLS/launcher.exe" --exit-file
    "$(_bench_hex "$(bench_winpath "$_bench_exit_file")")")
  # LC_ALL only for wine: the shell inside script would complain about a
  # locale that is not installed, on the terminal that is being recorded.
  [[ -n $BENCH_LC_ALL ]] && wine_words=(env "LC_ALL=$BENCH_LC_ALL" "${wine_words[@]}")
  wine_command=$(printf '%q ' "${wine_words[@]}")
  # A wide terminal, so that Wine's console does not break long lines; wine's
  # own messages go to a file instead of the terminal.
  BENCH_CMDLINE=$(_bench_hex "$line") SHELL=/bin/bash timeout -k 5 "$(_bench_scaled "${BENCH_RUN_TIMEOUT:-120}")" \
    script -qec "stty cols 2000 rows 100 2>/dev/null; $wine_command 2>>$(printf '%q' "$raw.stderr")" \
    /dev/null </dev/null >"$raw" 2>&1 || status=$?
  sed -E -e $'s/\x1b\\[[0-9;?<=>]*[ -\\/]*[@-~]//g' -e $'s/\x1b\\][^\x07\x1b]*(\x07|\x1b\\\\)//g' \
    -e $'s/\x1b[()][A-Za-z0-9]//g' -e $'s/\x1b[=>78]//g' "$raw" | tr -d '\r' >"$raw.text"
  _bench_read_exact BENCH_OUTPUT "$raw.text"
  if ((status == 124 || status == 137)); then
    bench_fail "still running after $(_bench_scaled "${BENCH_RUN_TIMEOUT:-120}")s: $line"
    BENCH_EXIT=
    wineserver -k 2>/dev/null
    timeout -k 5 30 wineserver -w 2>/dev/null
    _bench_start_server
    return 1
  fi
  _bench_collect_exit "$line"
}

# Message boxes and windows. These need bench_prefix --display.

_bench_boxes() { _bench_wine "$BENCH_TOOLS/boxes.exe" "$@"; }

# Seconds (fractions allowed) as milliseconds.
_bench_box_ms() { awk -v s="${1:-${BENCH_BOX_TIMEOUT:-15}}" -v f="${BENCH_TIME_SCALE:-1}" 'BEGIN { printf "%d", s * f * 1000 }'; }

# bench_boxes: lists the visible top-level windows (handle, class, caption).
bench_boxes() { _bench_boxes list; }

# bench_box_wait CAPTION [TIMEOUT-SECONDS]: waits for a visible top-level
# window whose caption is exactly CAPTION; a timeout counts as a failure.
#
# A MessageBoxW with a null caption gets the system's default caption. It is
# "Error" under Wine as on an English Windows, and localized like Windows
# does: with bench_set_language de_DE it is "Fehler".
bench_box_wait() {
  _bench_boxes wait "$(_bench_hex "$1")" "$(_bench_box_ms "${2:-}")" >/dev/null 2>&1 && return 0
  bench_fail "no window \"$1\" within ${2:-${BENCH_BOX_TIMEOUT:-15}}s" "open windows:" "$(bench_boxes)"
  return 1
}

# bench_box_text CAPTION: prints the body text of the box (static control
# 65535) in UTF-8, exactly, without an added line break. Waits for a window
# with that caption and a body text (a dialog with the same caption, which
# has none, does not count). Meant for $(...), where no failure can be
# counted: a missing box is reported on standard error, prints nothing and
# returns 1.
bench_box_text() {
  _bench_boxes text "$(_bench_hex "$1")" "$(_bench_box_ms)" 2>/dev/null && return 0
  printf 'bench_box_text: no window "%s"; open windows:\n%s\n' "$1" "$(bench_boxes)" >&2
  return 1
}

# bench_box_buttons CAPTION: one line per button, "ID<tab>text" (&Yes, &No...).
bench_box_buttons() {
  _bench_boxes buttons "$(_bench_hex "$1")" "$(_bench_box_ms)"
}

# bench_box_press CAPTION ok|cancel|yes|no|abort|retry|ignore|ID: presses the
# button (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No) by sending
# the box the click's WM_COMMAND, and waits until the box has closed. Unlike
# keys typed with xdotool this does not depend on focus: one Return typed
# into a box has been seen to answer the box shown after it as well. Of
# several windows with that caption the one with that button is pressed.
bench_box_press() {
  local id
  case $2 in
    ok) id=1 ;; cancel) id=2 ;; abort) id=3 ;; retry) id=4 ;; ignore) id=5 ;;
    yes) id=6 ;; no) id=7 ;;
    *[!0-9]* | '') echo "bench_box_press: unknown button $2" >&2; exit 2 ;;
    *) id=$2 ;;
  esac
  local error status=0
  error=$(_bench_boxes press "$(_bench_hex "$1")" "$id" "$(_bench_box_ms)" 2>&1) || status=$?
  ((status == 0)) && return 0
  bench_fail "pressing $2 in \"$1\"" "$error" "open windows:" "$(bench_boxes)"
  return 1
}

# bench_box_help CAPTION: asks the box for help as the F1 key does, which
# makes a box with a Help button send WM_HELP to its owner; returns at once,
# the box stays open. Wine's message box ignores a click on its Help button
# ("Help button not supported yet"); Windows treats both alike.
bench_box_help() {
  local error status=0
  error=$(_bench_boxes help "$(_bench_hex "$1")" "$(_bench_box_ms)" 2>&1) || status=$?
  ((status == 0)) && return 0
  bench_fail "asking \"$1\" for help" "$error" "open windows:" "$(bench_boxes)"
  return 1
}

# bench_no_box CAPTION SECONDS: checks that no window with that caption shows
# up during SECONDS.
bench_no_box() {
  local found
  if found=$(_bench_boxes absent "$(_bench_hex "$1")" "$(_bench_box_ms "$2")" 2>&1); then
    bench_pass "no window \"$1\" for $2s"
  else
    bench_fail "no window \"$1\" for $2s" "it appeared: $found"
  fi
}

# expect_box CAPTION TEXT [MESSAGE]: waits for the box and checks its text.
expect_box() {
  local text
  if ! bench_box_wait "$1"; then return 1; fi
  text=$(bench_box_text "$1"; printf x)
  expect_eq "$2" "${text%x}" "${3:-box \"$1\" says the expected text}"
}

# bench_screenshot FILE: the whole Xvfb screen as a PNG.
bench_screenshot() { import -display "$DISPLAY" -window root "$1"; }

# Dialog controls. WINDOW is a caption (exactly) or class:NAME, for example class:#32770 for the
# first visible dialog; each helper waits for it like bench_box_wait.

_bench_controls() { _bench_wine "$BENCH_TOOLS/controls.exe" "$@"; }

# bench_controls WINDOW: one line per control, tab-separated (see tools/controls.cpp):
#   ID PARENT-ID CLASS visible|hidden enabled|disabled LEFT,TOP,RIGHT,BOTTOM TEXT [EXTRA...]
# The window itself comes first as control 0 with its caption; controls inside controls follow
# their parent (PARENT-ID is 0 for the window's own). The rectangle is in the window's client
# coordinates; visible is the control's own style; a picture's text is its resource id (#202).
# A ComboBoxEx32 adds selected=N and its item texts, a check box checked=0|1|2, a picture
# image=1 when it holds an image (else image=0). Meant for $(...): a missing window is reported
# on standard error, prints nothing and returns 1.
bench_controls() {
  _bench_controls list "$(_bench_hex "$1")" "$(_bench_box_ms)" 2>/dev/null && return 0
  printf 'bench_controls: no window "%s"; open windows:\n%s\n' "$1" "$(bench_boxes)" >&2
  return 1
}

# Runs a controls.exe command; a failure is counted with the helper's message.
_bench_control() {
  local what=$1 error
  shift
  error=$(_bench_controls "$@" 2>&1) && return 0
  bench_fail "$what" "$error" "open windows:" "$(bench_boxes)"
  return 1
}

# bench_control_select WINDOW ID INDEX: picks item INDEX of the list ID as a user's pick in its
# drop-down does: the selection is set and the dialog receives CBN_SELENDOK, CBN_CLOSEUP and
# CBN_SELCHANGE (from a ComboBoxEx32 as passed on from its inner combo box). Returns once the
# dialog has handled them.
bench_control_select() {
  _bench_control "selecting item $3 of $2 in \"$1\"" select "$(_bench_hex "$1")" "$2" "$3" "$(_bench_box_ms)"
}

# bench_control_click WINDOW ID: posts BM_CLICK to the control and returns at once (the click
# may open a box that the test answers next).
bench_control_click() {
  _bench_control "clicking $2 in \"$1\"" click "$(_bench_hex "$1")" "$2" "$(_bench_box_ms)"
}

# bench_control_check WINDOW ID [0|1]: clicks the check box until it is ticked (1, the default)
# or not (0).
bench_control_check() {
  _bench_control "setting check box $2 in \"$1\" to ${3:-1}" check "$(_bench_hex "$1")" "$2" \
    "${3:-1}" "$(_bench_box_ms)"
}

# bench_control_close WINDOW: the window's close box (posts WM_SYSCOMMAND SC_CLOSE); returns at
# once.
bench_control_close() {
  _bench_control "closing \"$1\"" close "$(_bench_hex "$1")" "$(_bench_box_ms)"
}

# bench_control_key WINDOW escape|return|VK: a key typed in the window: its press and release
# are posted to the control with the focus (Escape in a dialog becomes IDCANCEL there, as when
# typed). Returns at once.
bench_control_key() {
  local key=$2
  case $key in
    escape) key=0x1B ;; return) key=0x0D ;;
  esac
  _bench_control "typing $2 in \"$1\"" key "$(_bench_hex "$1")" "$key" "$(_bench_box_ms)"
}

# Timing, for the benchmarks.

# bench_now_ms: the wall clock in milliseconds.
bench_now_ms() { echo $(($(date +%s%N) / 1000000)); }

# bench_median FILE: the median of the numbers in FILE, one a line.
bench_median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Registry and Windows version.

# bench_reg_query KEY VALUE [/reg:64|/reg:32]: prints the value's data as
# "wine reg query" shows it (REG_DWORD as 0x..., REG_MULTI_SZ joined by \0)
# and sets BENCH_REG_TYPE; an empty VALUE means the key's default value.
# Returns 1, printing nothing, when the key or value does not exist. Plain
# "wine reg" reads the 32-bit view.
bench_reg_query() {
  local key=$1 value=$2 view=${3:-} output line pattern
  local -a args=(reg query "$key")
  if [[ -z $value ]]; then args+=(/ve); else args+=(/v "$value"); fi
  [[ -n $view ]] && args+=("$view")
  output=$(_bench_wine "${args[@]}" 2>/dev/null) || return 1
  output=${output//$'\r'/}
  BENCH_REG_TYPE=
  [[ -z $value ]] && value='(Default)'
  while IFS= read -r line; do
    pattern="^    (.+)    (REG_[A-Z_]+)    (.*)$"
    if [[ $line =~ $pattern ]] && [[ ${BASH_REMATCH[1],,} == "${value,,}" ]]; then
      BENCH_REG_TYPE=${BASH_REMATCH[2]}
      printf '%s' "${BASH_REMATCH[3]}"
      return 0
    fi
    pattern="^    (.+)    (REG_[A-Z_]+)$"
    if [[ $line =~ $pattern ]] && [[ ${BASH_REMATCH[1],,} == "${value,,}" ]]; then
      BENCH_REG_TYPE=${BASH_REMATCH[2]}
      return 0
    fi
  done <<<"$output"
  return 1
}

# bench_reg ARGS...: "wine reg ARGS" quietly; non-zero on failure.
bench_reg() { _bench_wine reg "$@" >/dev/null 2>&1; }

# bench_reg_import TEXT [/reg:32|/reg:64]: imports registry-file lines (the
# part after the "Windows Registry Editor Version 5.00" header: [KEY],
# [-KEY], "Name"="text", "Name"=dword:0000abcd, "Name"=-, @="default") into
# the given view, or into both views without one. Backslashes and quotes in
# names and data are escaped as \\ and \". One reg.exe start per view
# instead of one per value.
bench_reg_import() {
  local text=$1 file view status=0
  local -a views=("${@:2}")
  ((${#views[@]})) || views=(/reg:32 /reg:64)
  _bench_runs=$((_bench_runs + 1))
  file=$BENCH_RUN/import.$_bench_runs.reg
  printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n' "${text//$'\n'/$'\r\n'}" |
    iconv -f UTF-8 -t UTF-16 >"$file" || return 1
  for view in "${views[@]}"; do
    bench_reg import "$(bench_winpath "$file")" "$view" || status=1
  done
  rm -f "$file"
  return "$status"
}

# Escapes text for a string in a registry file.
_bench_reg_string() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

# bench_winver win2k|winxp|win2003|vista|win7|win8|win81|win10 | xpsp0..xpsp3 | 2003sp0..2003sp2
# The names are Wine's (winxp is XP with Service Pack 3, win2003 is Server 2003
# with Service Pack 2). xpsp0 to xpsp3 make Windows XP (a workstation), 2003sp0
# to 2003sp2 Windows Server 2003 with that service pack through the registry,
# in both views.
bench_winver() {
  case $1 in
    xpsp[0-3] | 2003sp[0-2])
      local sp=${1#*sp} csd='' version=5.1 build=2600 type=WinNT
      [[ $1 == 2003* ]] && version=5.2 build=3790 type=ServerNT
      ((sp > 0)) && csd="Service Pack $sp"
      bench_reg_import "[HKEY_CURRENT_USER\Software\Wine]
\"Version\"=-

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion]
\"CurrentVersion\"=\"$version\"
\"CurrentBuild\"=\"$build\"
\"CurrentBuildNumber\"=\"$build\"
\"CSDVersion\"=\"$csd\"
\"CurrentMajorVersionNumber\"=-
\"CurrentMinorVersionNumber\"=-

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ProductOptions]
\"ProductType\"=\"$type\"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Windows]
\"CSDVersion\"=dword:$(printf '%08x' $((sp * 256)))"
      ;;
    *) bench_reg add 'HKCU\Software\Wine' /v Version /d "$1" /f ;;
  esac
}

# bench_font_links: Chinese, Japanese and Korean text in windows as glyphs, not boxes. Wine's
# interface fonts lack those characters; a font link to WenQuanYi Micro Hei (Debian
# fonts-wqy-microhei) lends them, in both registry views. The server reads the links when it
# starts, so it is restarted (ending the prefix's programs). Only pictures need this: texts read
# from windows are the same without it.
bench_font_links() {
  local link data name text=''
  link=$(printf '%s' 'wqy-microhei.ttc,WenQuanYi Micro Hei' | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 |
         tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g')
  data="hex(7):$link,00,00,00,00"
  for name in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' 'Segoe UI' 'Microsoft Sans Serif'; do
    text+="\"$name\"=$data"$'\n'
  done
  bench_reg_import "[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]
$text" || bench_fail "linking the interface fonts to WenQuanYi Micro Hei"
  wineserver -k 2>/dev/null
  timeout -k 5 30 wineserver -w 2>/dev/null
  _bench_start_server
  [[ -n $_bench_xvfb_pid ]] && bench_boxes >/dev/null 2>&1
  return 0
}

# Browser and Explorer.

# bench_browser_recorder: makes the recorder the program for http and https
# links, in both registry views. ShellExecuteW of a URL then appends the URL
# to $BENCH_URLS (one line each). "explorer.exe URL" also ends up there: Wine's
# Explorer hands a URL to the https handler (quotes around it removed).
bench_browser_recorder() {
  local command
  command="\"$(bench_winpath "$BENCH_TOOLS/urlrecorder.exe")\" --out \"$(bench_winpath "$BENCH_URLS")\" \"%1\""
  command=$(_bench_reg_string "$command")
  bench_reg_import "[HKEY_CLASSES_ROOT\http\shell\open\command]
@=$command

[HKEY_CLASSES_ROOT\https\shell\open\command]
@=$command" || bench_fail "registering the URL recorder"
}

# bench_browser_none: removes every program for http and https links, so that
# ShellExecuteW of a URL fails with 31 (SE_ERR_NOASSOC).
bench_browser_none() {
  bench_reg_import '[-HKEY_CLASSES_ROOT\http\shell]

[-HKEY_CLASSES_ROOT\https\shell]' || bench_fail "removing the URL handlers"
}

# bench_fake_explorer: replaces Explorer in this prefix by copies of the
# recorder that write their parameters exactly, quotes included, one line per
# start:
#   $BENCH_EXPLORER        "explorer.exe" as a 32-bit program's ShellExecuteW
#                          finds it (C:\windows\syswow64\explorer.exe)
#   $BENCH_SHELL_EXPLORER  %SystemRoot%\Explorer.EXE (C:\windows\explorer.exe)
# The desktop's own Explorer (the 64-bit system32 copy) is not touched.
# Wine honours neither "App Paths" nor "Image File Execution Options" for
# this, hence the copies.
bench_fake_explorer() {
  local windows=$BENCH_PREFIX/drive_c/windows copy
  for copy in "$windows/syswow64/explorer.exe" "$windows/explorer.exe"; do
    rm -f "$copy" && cp "$BENCH_TOOLS/urlrecorder.exe" "$copy" || return 1
  done
  BENCH_EXPLORER=$windows/syswow64/explorer.txt
  BENCH_SHELL_EXPLORER=$windows/explorer.txt
}

# bench_wait_lines FILE COUNT [TIMEOUT-SECONDS]: waits until FILE has at least
# COUNT lines (a browser or Explorer is started without waiting for it).
# Returns 1 at the timeout.
bench_wait_lines() {
  local deadline=$((SECONDS + $(_bench_scaled "${3:-10}")))
  while (($(wc -l 2>/dev/null <"$1" || echo 0) < $2)); do
    ((SECONDS >= deadline)) && return 1
    sleep 0.05
  done
  return 0
}

# The watchdog (see the top of this file).
if [[ ${BASH_SOURCE[0]} == "$0" && ${1:-} == --reap ]]; then
  _reap_pid=$2
  _reap_run=$3
  echo "$$" >"$_reap_run/reaper.pid"
  trap 'kill "$_reap_tail" 2>/dev/null; exit 0' TERM
  tail --pid="$_reap_pid" -f /dev/null &
  _reap_tail=$!
  wait "$_reap_tail"
  _bench_cleanup_run "$_reap_run" "${BENCH_KEEP:-0}"
  exit 0
fi
