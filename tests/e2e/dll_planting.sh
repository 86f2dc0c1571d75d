#!/usr/bin/env bash
# No DLL beside the exe or in the working directory is ever loaded. For every DLL the
# exe imports that is no KnownDLL, and for winmm.dll (loaded at run time for the fine
# timer), a planted DLL exporting what the program takes from it, which leaves a mark
# when loaded, lies beside a copy of the exe and in the working directory. Wine loads
# those names native first, as Windows does with a DLL that is no KnownDLL. A dump
# runs, so that the fine timer is asked for; winmm.dll must then come from the system
# folder, and no mark may appear.
source "$(dirname "$0")/lib.sh"

known="KERNEL32.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL SHELL32.DLL OLE32.DLL MSVCRT.DLL"
headers=$(x86_64-w64-mingw32-objdump -p "$TG_EXE")
case $headers in
  *"file format pei-x86-64"*) cc=x86_64-w64-mingw32-gcc ;;
  *"file format pei-i386"*) cc=i686-w64-mingw32-gcc ;;
  *) fail "$TG_EXE is not a Windows exe" ;;
esac

# imported_functions DLL: the names the exe takes from DLL, by objdump's import table.
imported_functions() {
  awk -v dll="$1" '
    /^\tDLL Name: / { inside = toupper($3) == dll; next }
    inside && /^$/ { inside = 0 }
    inside && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print $NF }' <<<"$headers"
}

# plant NAME FUNCTION...: NAME (e.g. winmm.dll) beside the exe and in the working
# directory; loading it makes the file marks/NAME.
marks=$TG_WORK/marks
mkdir -p "$TG_WORK/app" "$TG_WORK/plant" "$marks"
plant() {
  local name=$1 dir=$TG_WORK/plant
  shift
  { echo "LIBRARY $name"; echo EXPORTS; for f in "$@"; do echo "  $f=planted"; done; } >"$dir/$name.def"
  cat >"$dir/$name.c" <<EOF
#include <windows.h>
int planted(void) { return 0; }
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID unused) {
  (void)self; (void)unused;
  if (reason == DLL_PROCESS_ATTACH)
    CloseHandle(CreateFileA("Z:$marks/$name", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  return TRUE;
}
EOF
  "$cc" -shared -o "$TG_WORK/app/$name" "$dir/$name.c" "$dir/$name.def" || fail "could not build the planted $name"
  cp "$TG_WORK/app/$name" "$TG_WORK/$name"
  overrides+="${overrides:+,}${name%.dll}"
}

overrides=""
imports=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]' | sort -u)
for dll in $imports; do
  grep -qw -- "$dll" <<<"$known" && continue
  functions=$(imported_functions "$dll")
  [ -n "$functions" ] || fail "no functions read for $dll"
  # shellcheck disable=SC2086  # one function a word
  plant "$(tr '[:upper:]' '[:lower:]' <<<"$dll")" $functions
done
grep -qw WINMM.DLL <<<"$imports" || plant winmm.dll timeBeginPeriod timeEndPeriod
cp "$TG_EXE" "$TG_WORK/app/Tallyglass.exe"
echo "planted: $overrides"

start_regsim --mode dump --generate-dump 2000 --map-com 2
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$overrides=n,b" WINEDEBUG=+loaddll \
  start_program "$TG_WORK/app/Tallyglass.exe" 2>"$TG_WORK/loaddll.log"
connect_port
drive click "$ID_READ_FM"
wait_operation_end 120
press_exit

loaded=$(grep -i 'Loaded L"' "$TG_WORK/loaddll.log" || true)
planted_loads=$(grep -iF "$(basename "$TG_WORK")" <<<"$loaded" | grep -i "\.dll\"" || true)
[ -z "$planted_loads" ] || fail "planted DLLs were loaded: $planted_loads"
[ -z "$(ls -A "$marks")" ] || fail "planted DLLs ran: $(ls "$marks")"
grep -qiE 'system32\\+winmm\.dll' <<<"$loaded" || fail "winmm.dll was not loaded from the system folder"
pass
