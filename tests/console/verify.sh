#!/usr/bin/env bash
# `tallyglass verify` on run folders made by real runs, then altered: whole (a dump
# with a line longer than the writer's part, a LOG run, the archive holding both); a
# byte changed in FMout1.txt (by the checksums and by the raw bytes); FMout1.txt
# changed with SHA256SUMS made again (by the raw bytes alone); a LOG folder with one
# cell of log.csv changed and its sums made again; a file added; a killed run's
# folder, whole and changed; folders that are no run folders, and SHA256SUMS naming
# a file outside. The folders are read only: nothing in them changes.
source "$(dirname "$0")/lib.sh"

AGREE="Όλα τα αρχεία συμφωνούν - all files agree"
CHANGED="Αρχεία άλλαξαν, λείπουν ή προστέθηκαν - a file changed, is missing or was added"
NOT_ENDED="Η καταγραφή δεν τελείωσε, τα αρχεία της συμφωνούν ως εκεί που φτάνουν - the run did not end; its files agree up to where they stop"
NO_RUN="Δεν είναι φάκελος καταγραφής - not a run folder"
data=$TG_SOURCE_DIR/tests/e2e/data
cd "$TG_WORK"

# verify NAME FOLDER...: runs verify here; its rows in NAME.out, its status echoed.
verify() {
  local name=$1 status=0
  shift
  "$TG_TALLYGLASS" verify "$@" >"$name.out" 2>"$name.err" || status=$?
  echo "$status"
}
resum() { (cd "$1" && sha256sum $(cut -c67- SHA256SUMS) >SHA256SUMS.new && mv SHA256SUMS.new SHA256SUMS); }
state_of() { find "$@" -printf '%p %s %T@\n' | sort; find "$@" -type f -exec sha256sum {} + | sort; }

start_regsim --mode dump --dump "$TG_SOURCE_DIR/tools/sim/data/fiscal_memory.txt" --fault long-line=9000
(exec "$TG_TALLYGLASS" dump --port "$REGSIM_PATH" >/dev/null 2>&1)
start_regsim --mode command --tables "$data/log_tables.txt"
(exec "$TG_TALLYGLASS" log --port "$REGSIM_PATH" >/dev/null 2>&1)
dump=$(echo Tallyglass-archive/*_dump) log=$(echo Tallyglass-archive/*_log)
before=$(state_of Tallyglass-archive)
expect_eq "whole" "$(verify whole "$dump" "$log" Tallyglass-archive/)" 0
expect_eq "whole rows" "$(cat whole.out)" "$(printf '%s: %s\n' "$AGREE" "$dump" "$AGREE" "$log" "$AGREE" "$dump" "$AGREE" "$log")"
expect_eq "verify writes nothing" "$(state_of Tallyglass-archive)" "$before"

cp -r "$dump" byte && printf 'X' | dd of=byte/FMout1.txt bs=1 seek=5000 conv=notrunc 2>/dev/null
cp -r byte resummed && resum resummed
expect_eq "a byte changed" "$(verify byte byte)" 10
expect_eq "a byte changed: rows" "$(cat byte.out)" "$(printf '%s\n' "$CHANGED: byte" \
  "    FMout1.txt: changed (its SHA-256 is not the one in SHA256SUMS)" \
  "    FMout1.txt: line 1 is not the line of FMraw.bin (byte 5001 differs)")"
expect_eq "sums made again" "$(verify resummed resummed)" 10
expect_eq "sums made again: rows" "$(tail -n +2 resummed.out)" "    FMout1.txt: line 1 is not the line of FMraw.bin (byte 5001 differs)"
cp -r "$log" cell && sed -i '3s/;2;2;2;/;2;3;2;/' cell/log.csv && resum cell
expect_eq "a cell changed" "$(verify cell cell)" 10
expect_eq "a cell changed: rows" "$(tail -n +2 cell.out)" "    log.csv row 2: not the row of line 2 of log.txt"
cp -r "$log" added && echo note >added/notes.txt && echo "$(printf '0%.0s' {1..64})  ../outside" >>added/SHA256SUMS
echo secret >outside
expect_eq "a file added" "$(verify added added)" 10
expect_eq "a file added: rows" "$(tail -n +2 added.out)" "$(printf '%s\n' \
  "    SHA256SUMS line 4: '../outside' is no file of this folder (not opened)" \
  "    notes.txt: added (SHA256SUMS does not name it)")"

mkdir empty
expect_eq "no run folder" "$(verify none empty missing)" 2
expect_eq "no run folder: rows" "$(cat none.out)" "$(printf '%s\n' "$NO_RUN: empty" "$NO_RUN: missing")"
expect_eq "the heaviest of several" "$(verify several empty "$dump" byte)" 10

# Killed in the middle of a paced dump: no SHA256SUMS, files cut where they were.
perl -e 'printf "%05d ΑΠΟΔΕΙΞΗ %9.2f EUR\n", $_, $_ * 1.25 for 1 .. 3000' >long.txt
start_regsim --mode dump --dump long.txt --pace 115200
start_tallyglass killed dump --port "$REGSIM_PATH"
wait_for_rows killed 300
kill -KILL "$(program_pid killed)"
killed=$(echo killed/Tallyglass-archive/*_dump)
expect_eq "killed" "$(verify killed "$killed")" 11
expect_eq "killed: rows" "$(cat killed.out)" "$NOT_ENDED: $killed"
cp -r "$killed" killed2 && printf 'Z' | dd of=killed2/FMout2.txt bs=1 seek=100 conv=notrunc 2>/dev/null
expect_eq "killed, then changed" "$(verify killed2 killed2 "$killed")" 10
expect_eq "killed, then changed: rows" "$(sed -n 2p killed2.out)" "    FMout2.txt: line 4 is not the line of FMraw.bin (byte 101 differs)"
pass
