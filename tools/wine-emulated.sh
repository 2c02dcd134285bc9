#!/usr/bin/env bash
# Runs chosen scenarios of the win32 tier on a machine whose kernel cannot run 32-bit programs
# (some virtual machines answer "exec format error"). For the length of the run, qemu-user's i386
# emulator is registered through binfmt_misc and removed again at the end, so nothing else
# inherits it; 64-bit programs (msiexec, reg.exe, cmd) start natively through wine64, reg.exe
# with the 32-bit registry view that the 32-bit one would have; the bench's helper programs are
# built for x86-64; every time limit is stretched (BENCH_TIME_SCALE, default 8). Slow: a start of
# the setup takes about a minute, a scenario 5 to 15. Needs root and the win32 build. Known limit:
# the 64-bit helper cannot read the items of the 32-bit setup's language list (they read empty).
#
#   tools/wine-emulated.sh TEST-NAME...      e.g. removal.tool_259 run.hostile_tag
#   SETUP_OVERRIDE=PATH tools/wine-emulated.sh TEST-NAME...
#       runs the scenario against another build of OrvexUtilities2011Setup.exe (an older commit's)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
root=$PWD
build=$root/build/win32
(($# > 0)) || { echo "usage: tools/wine-emulated.sh TEST-NAME..." >&2; exit 2; }
[[ -f $build/product.env ]] || { echo "wine-emulated.sh: build the win32 preset first" >&2; exit 2; }

missing=()
[[ -x /usr/bin/qemu-i386-static ]] || missing+=(qemu-user-static)
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" || missing+=(wine32:i386)
command -v x86_64-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-x86-64-win32)
if ((${#missing[@]})); then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null || exit 1
fi

registered=0
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  # Registered already (another run of this script): used as it is, and left to that run to remove.
  if [[ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >/proc/sys/fs/binfmt_misc/register || exit 1
    registered=1
  fi
fi
cleanup() { ((registered)) && echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386; }
trap cleanup EXIT

tools=$build/wine-emulated/tools
wrappers=$build/wine-emulated/bin
mkdir -p "$tools" "$wrappers"
for tool in launcher boxes urlrecorder probe controls; do
  [[ $tools/$tool.exe -nt tests/wine/tools/$tool.cpp ]] && continue
  x86_64-w64-mingw32-g++ -O2 -mwindows -municode -DUNICODE -D_UNICODE "tests/wine/tools/$tool.cpp" \
    -o "$tools/$tool.exe" -static -static-libgcc -static-libstdc++ -luser32 -lshell32 || exit 1
done
for name in wine wine-stable; do
  cat >"$wrappers/$name" <<'EOF'
#!/bin/bash
[[ -n ${WINEDEBUG:-} ]] || export WINEDEBUG=fixme-all
case "${1,,}" in
  reg | reg.exe) [[ " ${*,,} " == *" /reg:"* ]] || set -- "$@" /reg:32 ;;
esac
exec /usr/lib/wine/wine64 "$@"
EOF
  chmod +x "$wrappers/$name"
done

# run_test NAME: the scenario's command and environment as CTest has them, with the overrides.
run_test() {
  local name=$1 info number command line i
  info=$(ctest --test-dir "$build" -N -V -R "^${name//./\\.}\$" 2>&1)
  number=$(sed -nE "s/^ *Test +#([0-9]+): ${name//./\\.}\$/\\1/p" <<<"$info")
  [[ -n $number ]] || { echo "wine-emulated.sh: no test $name" >&2; return 2; }
  command=$(sed -n "s/^$number: Test command: //p" <<<"$info")
  local -a env_words=() args=()
  while IFS= read -r line; do
    [[ $line == "$number:  "* ]] && env_words+=("${line#"$number:  "}")
  done < <(sed -n "/^$number: Environment variables:/,/Test *#/p" <<<"$info")
  eval "args=($command)"
  if [[ -n ${SETUP_OVERRIDE:-} ]]; then
    for i in "${!args[@]}"; do
      [[ ${args[$i]} == */OrvexUtilities2011Setup.exe ]] && args[i]=$SETUP_OVERRIDE
    done
  fi
  (cd "$build/tests/wine" 2>/dev/null || cd "$build" || exit 2
   env "${env_words[@]}" BENCH_TOOLS="$tools" BENCH_TIME_SCALE="${BENCH_TIME_SCALE:-8}" \
     PATH="$wrappers:$PATH" "${args[@]}")
}

status=0
run_test wine.template || exit 1
for name in "$@"; do
  echo "== $name"
  run_test "$name" || status=1
done
exit $status
