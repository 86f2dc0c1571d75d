#!/usr/bin/env bash
# The shipped exe runs on a bare Windows: it imports only system DLLs (statically
# linked C++ runtime and winpthread, nothing to ship beside it), and of those only
# KnownDLLs, which Windows takes from the system folder alone, and COMCTL32, bound to
# version 6 by the manifest. WINMM is loaded at run time from the system folder.
set -eEuo pipefail
: "${TG_EXE:?TG_EXE: path of Tallyglass.exe}"
source "${TG_SOURCE_DIR:-$(dirname "$0")/../..}/scripts/steps.sh"
trap_unexpected_failure imports

allowed="KERNEL32.DLL USER32.DLL GDI32.DLL COMCTL32.DLL ADVAPI32.DLL SHELL32.DLL OLE32.DLL MSVCRT.DLL"

format=""
for objdump in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump; do
  headers=$("$objdump" -p "$TG_EXE" 2>/dev/null) || continue
  format=$(sed -n 's/.*file format //p' <<<"$headers" | head -n1)
  case $format in pei-i386 | pei-x86-64) break ;; esac
done
case $format in
  pei-i386 | pei-x86-64) ;;
  *) echo "imports: $TG_EXE is not a Windows exe ($format)" >&2; exit 1 ;;
esac

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]' | sort -u)
[ -n "$dlls" ] || { echo "imports: no imports read from $TG_EXE" >&2; exit 1; }
status=0
for dll in $dlls; do
  if ! grep -qw -- "$dll" <<<"$allowed"; then
    echo "imports: $TG_EXE ($format) imports $dll, not a Windows system DLL" >&2
    status=1
  fi
done
grep -qx KERNEL32.DLL <<<"$dlls" || { echo "imports: KERNEL32.DLL missing?" >&2; status=1; }
if grep -qx COMCTL32.DLL <<<"$dlls" &&
  ! grep -qa 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$TG_EXE"; then
  echo "imports: $TG_EXE imports COMCTL32.DLL without a manifest binding version 6" >&2
  status=1
fi
[ $status -eq 0 ] && echo "imports: $format:" $dlls
exit $status
