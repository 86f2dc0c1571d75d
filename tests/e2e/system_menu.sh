#!/usr/bin/env bash
# The window's system menu in the shipped program: "Σχετικά με το Tallyglass..."
# shows the program's name, the version of CMakeLists.txt's project(), the build's
# bits, the licence, the working directory and the archive under it; "Άνοιγμα φακέλου αρχείων"
# opens that directory in the file manager, which under Wine is explorer.exe with a
# window named after the folder (closed again here: it would keep this test's output
# open).
source "$(dirname "$0")/lib.sh"

version=$(sed -n 's/^project(Tallyglass VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1.0/p' "$TG_SOURCE_DIR/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"
case $(tg_pe_machine "$TG_EXE") in
  i386) bits=32-bit ;;
  x86_64) bits=64-bit ;;
  *) fail "$TG_EXE is no Windows program" ;;
esac
folder=$(tg_wine winepath.exe -w "$TG_WORK" 2>/dev/null | tr -d '\r')
[ -n "$folder" ] || fail "no Windows path for $TG_WORK"
SYS_OPEN_FOLDER=0x0010 SYS_ABOUT=0x0020

LANG=el_GR.UTF-8 start_program
drive syscommand "$SYS_ABOUT"
expect_eq "About box" "$(drive msgbox)" "Σχετικά με το Tallyglass
Tallyglass
Έκδοση $version, $bits
Ελεύθερο λογισμικό, άδεια MIT (LICENSE.txt)

Φάκελος αρχείων:
$folder

Αρχειοθήκη:
$folder\Tallyglass-archive"

drive syscommand "$SYS_OPEN_FOLDER"
drive close-window ExplorerWClass "$(basename "$TG_WORK")" 30000 >/dev/null
expect_eq "state afterwards" "$(drive state)" "$(dialog_state disconnected 0 "1 COM2" "4 115200")"

press_exit
pass
