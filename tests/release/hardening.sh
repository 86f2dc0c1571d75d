#!/usr/bin/env bash
# The programs as built keep their hardening, read from the files themselves, so that a
# build change that drops a flag fails here:
#   Tallyglass.exe  ASLR (with high entropy on 64-bit), DEP, a relocation table, the
#                   stack protector and the checked functions of _FORTIFY_SOURCE
#   tallyglass      a PIE with full RELRO, the stack protector, _FORTIFY_SOURCE
# Usage: hardening.sh FILE...
set -euo pipefail
status=0
lacks() { echo "hardening: $file lacks $1" >&2; status=1; }
has() { grep -qE -- "$1" <<<"$2"; }

check_pe() {
  local headers symbols
  headers=$(x86_64-w64-mingw32-objdump -p "$file")
  symbols=$(x86_64-w64-mingw32-objdump -t "$file")
  has 'file format pei-x86-64' "$headers" && { has '^\s+HIGH_ENTROPY_VA$' "$headers" || lacks "high-entropy ASLR"; }
  has '^\s+DYNAMIC_BASE$' "$headers" || lacks "ASLR (DYNAMIC_BASE)"
  has '^\s+NX_COMPAT$' "$headers" || lacks "DEP (NX_COMPAT)"
  has 'Base Relocation Directory \[\.reloc\]' "$headers" || lacks "a relocation table"
  has '^\s+relocations stripped$' "$headers" && lacks "its relocations (stripped)"
  # 32-bit symbols carry a leading underscore.
  has ' _?__stack_chk_fail$' "$symbols" || lacks "the stack protector (__stack_chk_fail)"
  has ' _?__[a-z]+_chk$' "$symbols" || lacks "checked functions of _FORTIFY_SOURCE (__*_chk)"
}

check_elf() {
  local header dynamic segments symbols
  header=$(readelf -hW "$file") dynamic=$(readelf -dW "$file")
  segments=$(readelf -lW "$file") symbols=$(readelf --dyn-syms -W "$file")
  has 'Type:\s+DYN' "$header" && has 'FLAGS_1.*\bPIE\b' "$dynamic" || lacks "PIE"
  has '^\s+GNU_RELRO' "$segments" || lacks "RELRO"
  has '\bBIND_NOW\b|FLAGS_1.*\bNOW\b' "$dynamic" || lacks "full RELRO (BIND_NOW)"
  has ' __stack_chk_fail(@|$)' "$symbols" || lacks "the stack protector (__stack_chk_fail)"
  has ' __[a-z]+_chk(@|$)' "$symbols" || lacks "checked functions of _FORTIFY_SOURCE (__*_chk)"
}

[ $# -gt 0 ] || { echo "usage: hardening.sh FILE..." >&2; exit 2; }
for file in "$@"; do
  case $(head -c 4 "$file" | od -An -c | tr -d ' ') in
    MZ*) check_pe ;;
    177ELF) check_elf ;;
    *) echo "hardening: $file is neither a PE nor an ELF file" >&2; status=1 ;;
  esac
done
[ $status -eq 0 ] && echo "hardening: $* keep every flag"
exit $status
