#!/usr/bin/env bash
# --help and --version print and end with status 0 without starting the agent: no data
# folder, lock or autostart entry appears. An unknown option is refused with status 2.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
mkdir "$work/app" "$work/home"
cp "$(readlink -f "$1")" "$work/app/arkwell"
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
unset DISPLAY WAYLAND_DISPLAY

ask() { timeout 20 "$work/app/arkwell" "$@" > "$work/out" 2> "$work/err"; }
ask --help || fail "--help ended with status $?"
grep -q '^Usage: arkwell \[/SILENT\]' "$work/out" || fail "--help: $(cat "$work/out")"
for option in /SILENT --help --version; do
  grep -q "^  $option " "$work/out" || fail "--help does not name $option"
done
ask --version || fail "--version ended with status $?"
grep -qx 'arkwell [0-9]*\.[0-9]*\.[0-9]*' "$work/out" || fail "--version: $(cat "$work/out")"
status=0
ask --frobnicate || status=$?
[ "$status" -eq 2 ] && grep -q "unknown option '--frobnicate'" "$work/err" || fail "an unknown option: status $status, $(cat "$work/err")"

[ "$(ls -A "$work/app")" = arkwell ] || fail "the application folder changed: $(ls -A "$work/app")"
[ -z "$(ls -A "$work/home")" ] || fail "the home folder changed: $(find "$work/home")"
echo "PASS"
