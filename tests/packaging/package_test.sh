#!/usr/bin/env bash
# The Debian package: built by CPack from the build folder, with the expected files and
# control fields, no lintian errors, a valid launcher and AppStream file. Unpacked into a
# temporary root, it runs headless for a user who can't write into its folder: jobs,
# preferences and logs live in $XDG_DATA_HOME/arkwell, a due job runs there, the first start
# sets the user's autostart entry, and SIGTERM ends it cleanly.
# Only the wall clock is faked, ten times fast; the agent starts two fake minutes (twelve real
# seconds) before the job's start time.
set -euo pipefail
build=$(readlink -f "$1")
work=$(mktemp -d)
wrapper=
cleanup() {
  [ -n "$wrapper" ] && kill -KILL $(pgrep -P "$wrapper") "$wrapper" 2> /dev/null || true
  chmod -R u+w "$work"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
await() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.2; done
  return 1
}

cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" > "$work/cpack.out" 2>&1 || fail "cpack: $(cat "$work/cpack.out")"
deb=$(ls "$work"/pkg/arkwell_*_*.deb)

# Files and links, without the folders.
listed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 ($7 == "->" ? " -> " $8 : "") }' | sort)
expected=$({
  printf '%s\n' "/usr/bin/arkwell -> ../lib/arkwell/arkwell" /usr/lib/arkwell/arkwell /usr/lib/arkwell/Arkwell_Help.htm \
    "/usr/lib/arkwell/zip -> ../../bin/zip" /usr/lib/arkwell/icons/arkwell.svg /usr/share/applications/arkwell.desktop \
    /usr/share/doc/arkwell/changelog.gz /usr/share/doc/arkwell/copyright /usr/share/man/man1/arkwell.1.gz /usr/share/icons/hicolor/scalable/apps/arkwell.svg \
    /usr/share/metainfo/org.example.arkwell.metainfo.xml
  for size in 16 22 24 32 48 64 128 256; do
    echo "/usr/lib/arkwell/icons/arkwell-$size.png"
    echo "/usr/share/icons/hicolor/${size}x$size/apps/arkwell.png"
  done
} | sort)
[ "$listed" = "$expected" ] || fail "file list: $(diff <(echo "$expected") <(echo "$listed"))"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = arkwell ] && [ "$(field Section)" = utils ] || fail "control: $(dpkg-deb -f "$deb")"
for dependency in zip libqt6widgets6 libqt6core6 libc6 zlib1g; do
  grep -qE "(^|, )$dependency( |,|$)" <<< "$(field Depends)" || fail "Depends lacks $dependency: $(field Depends)"
done
[ -n "$(field Maintainer)" ] && [ "$(field Description | wc -l)" -gt 2 ] || fail "control: $(dpkg-deb -f "$deb")"
lintian --fail-on error "$deb" > "$work/lintian.out" 2>&1 || fail "lintian: $(cat "$work/lintian.out")"

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/arkwell.desktop" || fail "desktop-file-validate"
grep -qxF 'Exec="/usr/lib/arkwell/arkwell"' "$root/usr/share/applications/arkwell.desktop" &&
  grep -qxF 'TryExec=/usr/lib/arkwell/arkwell' "$root/usr/share/applications/arkwell.desktop" || fail "launcher Exec"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.arkwell.metainfo.xml" > "$work/appstream.out" 2>&1 ||
  fail "appstreamcli: $(cat "$work/appstream.out")"
# The dependency zip, as installed beside the package.
ln -s "$(command -v zip)" "$root/usr/bin/zip"

# A user who can't write into the program's folder: nobody when run as root, otherwise the
# caller with the folder made read-only.
chmod 755 "$work"
home=$work/home
data=$home/data/arkwell
mkdir -p "$data/BackupJobs" "$home/config" "$work/source" "$work/target"
echo "the first file" > "$work/source/one.txt"
printf 'Nightly\r\nJan-05-2026\r\n10:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\nFalse\r\nFalse\r\n%s/\r\n%s/*.*\r\n\r\n' \
  "$work/target" "$work/source" > "$data/BackupJobs/Nightly.awj"
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$home" "$work/target"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod -R a-w "$root/usr/lib/arkwell"
  as_user=()
fi
before=$(ls -la "$root/usr/lib/arkwell")

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
"${as_user[@]}" env HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" TZ=UTC LC_ALL=C.UTF-8 \
  FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f "@2026-03-02 09:58:00 x10" "$root/usr/bin/arkwell" /SILENT 2> "$work/run.err" &
wrapper=$!
await test -s "$work/target/Nightly.zip" || fail "no archive appeared; stderr: $(cat "$work/run.err")"
await grep -q "Nightly" "$data/arkwell.log" || fail "the transaction log in the data folder does not name the job"
unzip -t "$work/target/Nightly.zip" > /dev/null || fail "the archive does not test sound"
agent=$(pgrep -P "$wrapper") || fail "the program is not running"
kill -TERM "$agent"
status=0
wait "$wrapper" || status=$?
wrapper=
[ "$status" -eq 0 ] || fail "SIGTERM ended it with status $status: $(cat "$work/run.err")"

[ "$(cat "$data/Arkwell.txt")" = "$(printf ' 99 \r\n-1 \r\n-1 \r\n')" ] || fail "preferences: $(ls -la "$data")"
[ "$(sed -n 2p "$data/BackupJobs/Nightly.awj" | tr -d '\r')" = "Mar-02-2026" ] || fail "the job file was not brought up to date"
[ "$(ls -la "$root/usr/lib/arkwell")" = "$before" ] || fail "the program's folder changed: $(ls -la "$root/usr/lib/arkwell")"
autostart=$home/config/autostart/arkwell.desktop
grep -qxF "Exec=\"$root/usr/lib/arkwell/arkwell\" /SILENT" "$autostart" && grep -qxF "TryExec=$root/usr/lib/arkwell/arkwell" "$autostart" ||
  fail "autostart entry: $(cat "$autostart")"
desktop-file-validate "$autostart" || fail "desktop-file-validate of the autostart entry"
echo PASS
