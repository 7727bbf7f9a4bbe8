# Sourced by the tests that run the real program: a scratch folder removed at the end with
# every process still running, failing with a message, waiting for a condition, a copy of
# the program in an application folder of its own, and starting it headless under a faked
# wall clock.
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits (at most 60 s) until the command succeeds.
await() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.2; done
  return 1
}

# Copies the program given (with its zip link) into $app, a new application folder with an
# empty jobs folder, beside the empty folders $work/source and $work/target.
make_app() {
  app=$work/app
  mkdir -p "$app/BackupJobs" "$work/source" "$work/target"
  cp "$1" "$app/arkwell"
  ln -s "$(readlink -f "$(dirname "$1")/zip")" "$app/zip"
}

# Starts "$app/arkwell /SILENT" in the background with the wall clock faked from the moment
# given (the monotonic clock, and so the timers, keep real time), standard error to the file
# given; sets $wrapper (faketime, which waits for the program and passes on its status) and
# $agent (the program itself).
start_agent() {
  env FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f "$1" "$app/arkwell" /SILENT 2> "$2" &
  wrapper=$!
  pids+=("$wrapper")
  await pgrep -P "$wrapper" > /dev/null || fail "the program did not start: $(cat "$2")"
  agent=$(pgrep -P "$wrapper")
  pids+=("$agent")
}
