#!/usr/bin/env bash
# The real program on a virtual display without a tray: neither an empty nor a garbage lock file
# keeps it from starting, a second silent start ends quietly with status 0, and a second start
# without /SILENT ends with status 0 after the running agent has shown its job list window.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
display=$DISPLAY
source "$(dirname "$0")/agent.bash"
export DISPLAY=$display
window_shown() { xwininfo -name "Scheduled Backup Jobs" 2>/dev/null | grep -q "Map State: IsViewable"; }

# An empty lock file, and one a power cut filled with garbage (the number of a living process
# among it), block nothing.
: > "$app/arkwell.lock"
launch empty
await lock_held || fail "with an empty lock file the agent took no lock: $(cat "$work/empty.err")"
finish TERM
printf '1\n\0\377garbage' > "$app/arkwell.lock"
launch garbage
await lock_held || fail "with a garbage lock file the agent took no lock: $(cat "$work/garbage.err")"
! window_shown || fail "a silent start showed the window"

# A second silent start ends at once, quietly, and leaves the window as it is.
timeout 20 "$app/arkwell" /SILENT 2> "$work/silent.err" || fail "the second silent start ended with status $?"
! grep -q "Arkwell" "$work/silent.err" || fail "the second silent start spoke: $(cat "$work/silent.err")"
! window_shown || fail "a second silent start showed the window"

# A second start without /SILENT has the agent show its window and ends with status 0.
timeout 20 "$app/arkwell" 2> "$work/second.err" || fail "the second start ended with status $?"
await window_shown || fail "the agent did not show its window"
kill -0 "$agent" || fail "the agent ended"
finish TERM
echo "PASS"
