#!/usr/bin/env bash
# The archive of every run, on the console: two dumps and two LOG runs in one working
# directory leave four run folders, each checked by `sha256sum -c`, the first dump's
# files intact beside the second's; log.csv beside log.txt; an archive that cannot
# be made (a file in its way, a read-only folder) costs the archive only; a program
# killed in the middle of a dump leaves every row it showed in the working files and
# in the archive's, and a manifest that says the run did not end.
source "$(dirname "$0")/lib.sh"

work=$TG_WORK/shop
data=$TG_SOURCE_DIR/tests/e2e/data
# run_in NAME ARGS: tallyglass ARGS in $work (the runs share it), to the end.
run_in() {
  local name=$1 status=0
  shift
  (cd "$work" && exec "$TG_TALLYGLASS" "$@" </dev/null >"$TG_WORK/$name.out" 2>"$TG_WORK/$name.err") || status=$?
  echo "$status"
}
mkdir -p "$work"
start_regsim --mode dump
expect_eq "first dump" "$(run_in dump1 dump --port "$REGSIM_PATH")" 0
cp "$work/FMout1.txt" "$TG_WORK/first1.txt"
stop_tool "$REGSIM_PID"
start_regsim --mode dump --generate-dump 5000
expect_eq "second dump" "$(run_in dump2 dump --port "$REGSIM_PATH")" 0
start_regsim --mode command --tables "$data/log_tables.txt"
for run in log1 log2; do expect_eq "$run" "$(run_in $run log --port "$REGSIM_PATH")" 0; done

mapfile -t folders < <(cd "$work/Tallyglass-archive" && LC_ALL=C ls -1)
expect_eq "run folders" "${#folders[@]}" 4
for f in "${folders[@]}"; do
  (cd "$work/Tallyglass-archive/$f" && sha256sum --quiet -c SHA256SUMS) || fail "$f: SHA256SUMS does not check"
  expect_contains "$(cat "$work/Tallyglass-archive/$f/manifest.txt")" "complete: yes"
done
first=$work/Tallyglass-archive/${folders[0]}
expect_file_bytes "$first/FMout1.txt" "$TG_WORK/first1.txt"
expect_eq "the first dump's files" "$(cut -c67- "$first/SHA256SUMS" | tr '\n' ' ')" "FMout1.txt FMout2.txt FMraw.bin manifest.txt "
expect_contains "$(cat "$TG_WORK/dump1.err")" "this run's files are kept in Tallyglass-archive/${folders[0]}"
manifest=$(cat "$work/Tallyglass-archive/${folders[3]}/manifest.txt")
for text in "job: LOG" "port: $REGSIM_PATH, 115200, Parity NONE, Data 8, Stop 1" "records written: 4" "started: 20"; do
  expect_contains "$manifest" "$text"
done
# log.csv: the BOM, the header and a row for each line of log.txt, in both places.
expect_file_bytes "$work/log.csv" "$work/Tallyglass-archive/${folders[3]}/log.csv"
expect_eq "log.csv rows" "$(($(wc -l <"$work/log.csv") - 1))" "$(wc -l <"$work/log.txt")"
expect_eq "BOM and header" "$(head -c 8 "$work/log.csv" | od -An -tx1 | tr -d ' \n')" efbbbf446174653b

# A file where the archive folder should be: a row says so, the job does its work.
# --no-archive does not look for it.
start_regsim --mode dump
rm -rf "$work"/*; touch "$work/Tallyglass-archive"
expect_eq "dump without an archive" "$(run_in none dump --port "$REGSIM_PATH" --no-archive)" 0
expect_eq "rows without an archive" "$(grep -c Archive "$TG_WORK/none.out")" 0
expect_eq "dump beside a file in the way" "$(run_in inway dump --port "$REGSIM_PATH")" 0
expect_contains "$(cat "$TG_WORK/inway.out")" "Archive: cannot create the folder Tallyglass-archive: a file of that name is in the way"
expect_contains "$(cat "$TG_WORK/inway.out")" "$ROW_COMPLETED"
[ -s "$work/FMout1.txt" ] || fail "no FMout1.txt beside a file in the way"
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  # A read-only folder whose files may be written: the working files as always.
  rm -f "$work/Tallyglass-archive"; chmod 666 "$work"/FMout*.txt "$REGSIM_PATH"; chmod 555 "$work"; chmod 755 "$TG_WORK"
  status=0
  (cd "$work" && setpriv --reuid=nobody --regid=nogroup --clear-groups "$TG_TALLYGLASS" dump \
     --port "$REGSIM_PATH" >"$TG_WORK/ro.out" 2>&1) || status=$?
  chmod 755 "$work"
  expect_eq "dump in a read-only folder" "$status" 0
  expect_contains "$(cat "$TG_WORK/ro.out")" "Archive: cannot create the folder Tallyglass-archive: Permission denied"
fi

# Killed in the middle of a paced dump: every row shown is a line of both FMout1.txt.
perl -e 'printf "%05d ΑΠΟΔΕΙΞΗ %9.2f EUR\n", $_, $_ * 1.25 for 1 .. 3000' >"$TG_WORK/long.txt"
start_regsim --mode dump --dump "$TG_WORK/long.txt" --pace 115200
rm -rf "$work"/*
start_tallyglass killed dump --port "$REGSIM_PATH"
wait_for_rows killed 300
kill -KILL "$(program_pid killed)"
sleep 0.2
shown=$(tail -n +3 "$(file_of killed stdout.txt)")
shown_count=$(wc -l <<<"$shown")
[ "$shown_count" -ge 298 ] || fail "only $shown_count rows shown"
for file in "$(file_of killed FMout1.txt)" "$(file_of killed Tallyglass-archive)"/*/FMout1.txt; do
  expect_eq "$file holds the rows shown" "$(iconv -f CP1253 -t UTF-8 "$file" | tr -d '\r' | head -n "$shown_count")" "$shown"
done
expect_contains "$(cat "$(file_of killed Tallyglass-archive)"/*/manifest.txt)" "ended: no"
pass
