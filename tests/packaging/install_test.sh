#!/usr/bin/env bash
# cmake --install into a temporary prefix (with a blank in its path) gives a runnable program
# in one application folder: it starts with /SILENT without a display and ends cleanly on
# SIGTERM; its launcher and autostart entry are valid desktop entries naming it; and a user
# who can't write into the folder is told so at start-up.
set -euo pipefail
build=$(readlink -f "$1")
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/a prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.out" || fail "install: $(cat "$work/install.out")"
app="$prefix/lib/arkwell"
launcher="$prefix/share/applications/arkwell.desktop"
autostart="$prefix/etc/xdg/autostart/arkwell.desktop"

[ -x "$app/arkwell" ] || fail "no program in $app"
[ -x "$(readlink -f "$app/zip")" ] || fail "the zip link does not lead to a program"
[ -f "$app/Arkwell_Help.htm" ] || fail "no help page"
for icon in arkwell.svg arkwell-16.png arkwell-22.png arkwell-32.png arkwell-48.png arkwell-256.png; do
  [ -s "$app/icons/$icon" ] || fail "no icon $icon"
done
[ "$(readlink -f "$prefix/bin/arkwell")" = "$(readlink -f "$app/arkwell")" ] || fail "bin/arkwell leads elsewhere"

desktop-file-validate "$launcher" "$autostart" || fail "desktop-file-validate"
grep -qxF "Exec=\"$app/arkwell\"" "$launcher" || fail "launcher: $(grep Exec "$launcher")"
grep -qxF "Exec=\"$app/arkwell\" /SILENT" "$autostart" || fail "autostart: $(grep Exec "$autostart")"
grep -qxF "Icon=$app/icons/arkwell.svg" "$launcher" || fail "launcher icon: $(grep Icon "$launcher")"

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export HOME="$work/home" LC_ALL=C.UTF-8
mkdir -p "$HOME"

# Whether the process has its own handler for SIGTERM yet, so the signal is its clean end.
handles_term() {
  local mask
  mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2> /dev/null) || return 1
  [ -n "$mask" ] && (( (16#$mask >> 14) & 1 ))
}
# Waits (at most 30 s) until the program is up; false at once when it has ended.
await_up() {
  for _ in $(seq 150); do
    handles_term && return 0
    kill -0 "$pid" 2> /dev/null || return 1
    sleep 0.2
  done
  return 1
}

"$app/arkwell" /SILENT 2> "$work/run.err" &
pid=$!
await_up || fail "the installed program did not come up: $(cat "$work/run.err")"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "SIGTERM ended it with status $status: $(cat "$work/run.err")"
[ "$(cat "$app/Arkwell.txt")" = "$(printf ' 99 \r\n-1 \r\n-1 \r\n')" ] || fail "preferences: $(od -c "$app/Arkwell.txt")"
flock -n "$app/arkwell.lock" true || fail "the lock stayed held"

# A folder the user can't write into: said at once, and the program ends without running.
rm "$app/Arkwell.txt"
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod a-w "$app"
  as_user=()
fi
status=0
timeout 30 "${as_user[@]}" "$app/arkwell" /SILENT 2> "$work/readonly.err" || status=$?
chmod u+w "$app"
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "an unwritable folder was not refused (status $status)"
grep -qF "Arkwell cannot write into its folder '$app'" "$work/readonly.err" || fail "no clear message: $(cat "$work/readonly.err")"
[ ! -e "$app/Arkwell.txt" ] || fail "preferences were written"
echo PASS
