#!/usr/bin/env bash
# The command line on an incremental job with a password and three kept copies: four runs, a
# file changed in every one; its archives, files and versions; restores to another folder and
# in place with each answer to an existing file (sha256 of every file); exit statuses, --help,
# and a run handed to a running agent.
source "$(dirname "$0")/agent.bash"
ark() { "$app/arkwell" "$@"; }
sha() { sha256sum < "$1" | cut -d' ' -f1; }
status_of() { set +e; "$@" > "$work/out.txt" 2> "$work/err.txt"; echo $?; set -e; }
expect_status() {
  local want=$1; shift
  local got; got=$(status_of "$@")
  [ "$got" = "$want" ] || fail "'$*' ended with $got, not $want: $(cat "$work/out.txt" "$work/err.txt")"
}

src=$work/docs
mkdir -p "$src/sub"
printf 'Chain\r\nJan-05-2026\r\n10:00:00 AM\r\n3\r\n0\r\n28\r\nTrue\r\n3\r\ntwo words\r\nTrue\r\nTrue\r\n%s/\r\n%s/*.*\r\n\r\n' \
  "$work/target" "$src" > "$app/BackupJobs/Chain.awj"
echo "kept as it is" > "$src/sub/still.txt"
declare -a diary
for run in 1 2 3 4; do
  echo "diary, run $run" > "$src/diary.txt"
  diary[$run]=$(sha "$src/diary.txt")
  expect_status 0 ark run Chain
done
expect_status 0 ark list
grep -q "^Chain	.*	completed$" "$work/out.txt" || fail "list: $(cat "$work/out.txt")"

# Archives: the current one and three copies, newest first; each holds the diary.
expect_status 0 ark archives Chain
[ "$(cut -f1 "$work/out.txt" | tr '\n' ' ')" = "$work/target/Chain.zip $work/target/Chain_1.zip $work/target/Chain_2.zip $work/target/Chain_3.zip " ] ||
  fail "archives: $(cat "$work/out.txt")"
[ "$(cut -f3 "$work/out.txt" | tr '\n' ' ')" = "incremental incremental incremental full " ] || fail "kinds: $(cat "$work/out.txt")"
expect_status 0 ark files Chain --archive 2
grep -qx "$src/diary.txt" "$work/out.txt" && grep -qx "$src/sub/" "$work/out.txt" || fail "files: $(cat "$work/out.txt")"
expect_status 0 ark versions Chain "$src/diary.txt"
[ "$(wc -l < "$work/out.txt")" = 4 ] || fail "versions: $(cat "$work/out.txt")"
expect_status 0 ark versions Chain "$src/sub/still.txt"
[ "$(cut -f1 "$work/out.txt")" = "$work/target/Chain_3.zip" ] || fail "versions of an unchanged file: $(cat "$work/out.txt")"

# To another folder: the folder whole as the current (incremental) archive has it, the
# unchanged file from the full one; the diary of three runs ago.
expect_status 0 ark restore Chain "$src" --to "$work/out"
for file in diary.txt sub/still.txt; do
  [ "$(sha "$work/out/docs/$file")" = "$(sha "$src/$file")" ] || fail "restored $file differs"
done
expect_status 0 ark restore Chain "$src/diary.txt" --archive 3 --to "$work/old"
[ "$(sha "$work/old/diary.txt")" = "${diary[1]}" ] || fail "the diary of archive 3 is not run 1's"

# In place, over a changed diary: left alone (status 2, named), replaced, or kept beside it.
echo "mine" > "$src/diary.txt"
mine=$(sha "$src/diary.txt")
expect_status 2 ark restore Chain "$src/diary.txt" --archive 1
grep -q "diary.txt" "$work/err.txt" && [ "$(sha "$src/diary.txt")" = "$mine" ] || fail "skip: $(cat "$work/err.txt")"
expect_status 0 ark restore Chain "$src/diary.txt" --archive 1 --keep-both
both=("$src"/diary\ \(*\).txt)
[ "${#both[@]}" = 1 ] && [ "$(sha "${both[0]}")" = "${diary[3]}" ] && [ "$(sha "$src/diary.txt")" = "$mine" ] ||
  fail "keep both: ${both[*]}"
expect_status 0 ark restore Chain "$src/diary.txt" --replace
[ "$(sha "$src/diary.txt")" = "${diary[4]}" ] || fail "replace left $(cat "$src/diary.txt")"

# Passwords, errors and help.
echo "not it" > "$work/wrong"
expect_status 1 ark restore Chain "$src/diary.txt" --to "$work/wrong-out" --password-file "$work/wrong"
grep -q "password" "$work/err.txt" && [ ! -e "$work/wrong-out/diary.txt" ] || fail "a wrong password: $(cat "$work/err.txt")"
expect_status 1 ark files Nobody
expect_status 1 ark files Chain --archive 9
expect_status 64 ark restore Chain
expect_status 64 ark files Chain --bogus
for command in list run archives files versions restore; do
  expect_status 0 ark "$command" --help
  grep -q "^Usage: arkwell $command" "$work/out.txt" || fail "$command --help: $(cat "$work/out.txt")"
done

# Without an agent the run is this command's: a failed one ends with 1, its result line on
# standard error, logged and recorded as the agent's runs are.
echo "a file where the target's folder should be" > "$work/blocker"
printf 'Broken\r\nJan-05-2026\r\n10:00:00 AM\r\n3\r\n0\r\n28\r\nTrue\r\n3\r\n\r\nFalse\r\nTrue\r\n%s/\r\n%s/*.*\r\n\r\n' \
  "$work/blocker/target" "$src" > "$app/BackupJobs/Broken.awj"
expect_status 1 ark run Broken
grep -q "Broken" "$work/err.txt" && [ ! -s "$work/out.txt" ] || fail "a failed run's line: $(cat "$work/out.txt" "$work/err.txt")"
grep -qF "$(cat "$work/err.txt")" "$app/arkwell.log" || fail "the failed run's line is not logged"
[ -s "$app/RunRecords/Broken.run" ] || fail "the failed run is not recorded"
rm "$app/BackupJobs/Broken.awj" "$app/RunRecords/Broken.run"

# With an agent running, the run is the agent's.
"$app/arkwell" /SILENT 2> "$work/agent.err" &
agent=$!
pids+=("$agent")
await grep -q "@/arkwell-$(id -u)-" /proc/net/unix || fail "the agent does not listen"
expect_status 0 ark run Chain
grep -qx "Backup Job 'Chain' completed." "$work/out.txt" || fail "the run was not the agent's: $(cat "$work/out.txt")"
kill -TERM "$agent"
wait "$agent" || fail "the agent ended with status $?"
pids=()
echo "PASS"
