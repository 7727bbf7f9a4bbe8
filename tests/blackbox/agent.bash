# Shared by the black-box tests (sourced, not run): a scratch folder holding a copy of the
# program as its application folder, a daily job "Nightly" at 10:00 AM over two source files,
# and starting and ending the program under a wall clock that runs ten times fast from two fake
# minutes (twelve real seconds) before the job's start time. Only the wall clock is faked; the
# timers keep real time.
set -euo pipefail
exe=$(readlink -f "$1")
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

app=$work/app
mkdir -p "$app/BackupJobs" "$work/source" "$work/target"
cp "$exe" "$app/arkwell"
ln -s "$(readlink -f "$(dirname "$exe")/zip")" "$app/zip"
echo "the first file" > "$work/source/one.txt"
echo "the second file" > "$work/source/two.txt"
job=$app/BackupJobs/Nightly.awj
printf 'Nightly\r\nJan-05-2026\r\n10:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\nFalse\r\nFalse\r\n%s/\r\n%s/*.*\r\n\r\n' \
  "$work/target" "$work/source" > "$job"

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export TZ=UTC LC_ALL=C.UTF-8
clock=(env FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f "@2026-03-02 09:58:00 x10")

# Waits (at most 60 s) until the command succeeds.
await() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.2; done
  return 1
}
# Whether a process holds the agent's lock. Read from the kernel's list of locks: a probe that
# took the lock itself, however briefly, could make a starting agent think another one runs.
lock_held() {
  local inode
  inode=$(stat -c %i "$app/arkwell.lock" 2> /dev/null) || return 1
  grep -qE "^[0-9]+: FLOCK +ADVISORY +WRITE +[0-9]+ [0-9a-f]+:[0-9a-f]+:$inode " /proc/locks
}

# Starts the program in the background under the fast clock; sets $wrapper (faketime, which
# waits for the program and passes on its exit status) and $agent (the program itself).
launch() {
  "${clock[@]}" "$app/arkwell" /SILENT 2> "$work/$1.err" &
  wrapper=$!
  pids+=("$wrapper")
  await pgrep -P "$wrapper" > /dev/null || fail "$1 start: the program did not start"
  agent=$(pgrep -P "$wrapper")
  pids+=("$agent")
}

# Ends the program with a signal and checks that it ended by itself with status 0.
finish() {
  kill "-$1" "$agent"
  wait "$wrapper" || fail "$1 ended the program with status $?"
  pids=()
}
