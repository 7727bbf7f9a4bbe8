#!/usr/bin/env bash
# The real program on a virtual display without a tray: neither an empty nor a garbage lock file
# keeps it from starting, a second silent start ends quietly with status 0, and a second start
# without /SILENT ends with status 0 after the running agent has shown its job list window.
set -euo pipefail
if [ -z "${ARKWELL_ON_XVFB:-}" ]; then
  ARKWELL_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
exe=$(readlink -f "$1")
work=$(mktemp -d)
agent=
cleanup() {
  [ -z "$agent" ] || kill -KILL "$agent" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

app=$work/app
mkdir -p "$app"
cp "$exe" "$app/arkwell"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export TZ=UTC LC_ALL=C.UTF-8

# Waits (at most 60 s) until the command succeeds.
await() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.2; done
  return 1
}
lock_held() { ! flock -n "$app/arkwell.lock" true; }
window_shown() { xwininfo -name "Scheduled Backup Jobs" 2>/dev/null | grep -q "Map State: IsViewable"; }

start_agent() {
  "$app/arkwell" /SILENT 2> "$work/agent.err" &
  agent=$!
  await lock_held || fail "$1: the agent took no lock: $(cat "$work/agent.err")"
}
stop_agent() {
  kill -TERM "$agent"
  wait "$agent" || fail "SIGTERM ended the agent with status $?"
  agent=
}

# An empty lock file, and one a power cut filled with garbage (the number of a living process
# among it), block nothing.
: > "$app/arkwell.lock"
start_agent "empty lock file"
stop_agent
printf '1\n\0\377garbage' > "$app/arkwell.lock"
start_agent "garbage lock file"
window_shown && fail "a silent start showed the window"

# A second silent start ends at once, quietly, and leaves the window as it is.
timeout 20 "$app/arkwell" /SILENT 2> "$work/silent.err" || fail "the second silent start ended with status $?"
! grep -q "Arkwell" "$work/silent.err" || fail "the second silent start spoke: $(cat "$work/silent.err")"
window_shown && fail "a second silent start showed the window"

# A second start without /SILENT has the agent show its window and ends with status 0.
timeout 20 "$app/arkwell" 2> "$work/second.err" || fail "the second start ended with status $?"
! grep -q "already running" "$work/second.err" || fail "the agent did not answer: $(cat "$work/second.err")"
await window_shown || fail "the agent did not show its window"
kill -0 "$agent" || fail "the agent ended"
stop_agent
echo "PASS"
