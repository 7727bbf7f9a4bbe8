#!/usr/bin/env bash
# The real program on a virtual display without a tray: no lock file that isn't held keeps it
# from starting, a second silent start ends quietly with status 0, and a second start
# without /SILENT ends with status 0 after the running agent has shown its job list window, and
# an agent whose start-up box is open runs its due jobs and ends on SIGTERM.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
display=$DISPLAY
source "$(dirname "$0")/agent.bash"
export DISPLAY=$display
window_shown() { xwininfo -name "Scheduled Backup Jobs" 2>/dev/null | grep -q "Map State: IsViewable"; }

# An empty lock file, a folder and a dangling link in its place (both set aside and replaced),
# and one a power cut filled with garbage (the number of a living process among it) block nothing.
for kind in empty folder link garbage; do
  rm -rf "$app/arkwell.lock"
  case $kind in
    empty) : > "$app/arkwell.lock" ;;
    folder) mkdir -p "$app/arkwell.lock/inside" ;;
    link) ln -s /nonexistent/arkwell.lock "$app/arkwell.lock" ;;
    garbage) printf '1\n\0\377garbage' > "$app/arkwell.lock" ;;
  esac
  launch "$kind"
  await lock_held || fail "with a $kind lock file the agent took no lock: $(cat "$work/$kind.err")"
  [ "$kind" = garbage ] || finish TERM
done
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

# The start-up box about a damaged job file holds no run: a job due while it is open runs.
# SIGTERM while it is open ends the agent within five seconds, and the user's preferences stay
# as they were.
printf 'Damaged\r\n' > "$app/BackupJobs/Damaged.awj"
mkdir "$work/held"
sed -e 's/^Nightly\r$/Held\r/' -e "s|$work/target/|$work/held/|" "$job" > "$app/BackupJobs/Held.awj"
printf ' 7 \r\n 0 \r\n 0 \r\n' > "$app/Arkwell.txt"
preferences=$(sha256sum < "$app/Arkwell.txt")
box_open() { xwininfo -name "Backup Job Files Skipped" > /dev/null 2>&1; }
launch boxed
await box_open || fail "no box about the damaged job file"
await test -s "$work/held/Held.zip" || fail "the job due behind the open box did not run: $(cat "$work/boxed.err")"
box_open || fail "the box closed by itself"
signalled=$(date +%s%N)
finish TERM
took=$(( ($(date +%s%N) - signalled) / 1000000 ))
[ "$took" -lt 5000 ] || fail "the program took $took ms to end after SIGTERM in its start-up box"
[ "$(sha256sum < "$app/Arkwell.txt")" = "$preferences" ] || fail "preferences: $(od -c "$app/Arkwell.txt")"
echo "PASS"
