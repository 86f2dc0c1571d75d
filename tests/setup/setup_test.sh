#!/usr/bin/env bash
# The set-up's decisions, with apt-get, dpkg and the locale tools replaced by
# stand-ins (no network, nothing installed): a broken i386 index and a 32-bit Wine
# that cannot be resolved cost only the 32-bit step; a machine that cannot run
# 32-bit programs never tries it; an amd64 package that cannot be installed fails
# loudly, naming the step.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
check() {  # WHAT COMMAND...
  local what=$1; shift
  "$@" || { echo "FAIL: $what" >&2; fails=$((fails + 1)); }
}

# The stand-ins keep the machine's state in files: missing packages, foreign
# architectures, the calls made, and what apt-get refuses.
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE/calls"
if [ "$1" = update ]; then
  grep -qx i386 "$FAKE/arches" 2>/dev/null || exit 0
  echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
  exit 100
fi
for p in "$@"; do
  case $p in -*|install) continue ;; esac
  if [[ $p == *:i386 ]] || grep -qx "$p" "$FAKE/refused" 2>/dev/null; then
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
  fi
done
for p in "$@"; do case $p in -*|install) ;; *) sed -i "/^$p\$/d" "$FAKE/missing" ;; esac; done
STUB
cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
grep -qx "${!#}" "$FAKE/missing" || printf 'install ok installed'
STUB
cat >"$work/bin/dpkg" <<'STUB'
#!/usr/bin/env bash
echo "dpkg $*" >>"$FAKE/calls"
case $1 in
  --print-foreign-architectures) cat "$FAKE/arches" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$FAKE/arches" ;;
  --remove-architecture) sed -i "/^$2\$/d" "$FAKE/arches" ;;
esac
STUB
printf '#!/bin/sh\nprintf "el_GR.utf8\\nen_US.utf8\\n"\n' >"$work/bin/locale"
chmod +x "$work/bin/"*

# run_setup CASE RUNS_32BIT MISSING REFUSED: a fresh machine where every package but
# MISSING (and wine32:i386) is installed; sets out and status.
run_setup() {
  export FAKE=$work/$1
  mkdir -p "$FAKE"
  printf '%s\nwine32:i386\n' "$3" >"$FAKE/missing"
  echo "$4" >"$FAKE/refused"
  status=0
  out=$(PATH=$work/bin:$PATH TG_SETUP_LOGS=$FAKE/logs TG_SETUP_RETRY_PAUSE=0 TG_RUNS_32BIT=$2 \
        TG_NO_WIN32=0 "$root/scripts/setup" 2>&1) || status=$?
}
# A broken i386 index: the amd64 package still installs, the 32-bit step fails,
# says so in two lines, and the set-up goes on.
run_setup mirror yes xvfb ""
check "i386 failure is not fatal (exit $status): $out" [ "$status" = 0 ]
check "xvfb installed" bash -c "! grep -qx xvfb '$FAKE/missing'"
check "index update retried" [ "$(grep -c 'apt-get update' "$FAKE/calls")" -ge 3 ]
check "says which step and what it means: $out" grep -q "installing the 32-bit Wine (wine32:i386)' failed (exit 100): E: " <<<"$out"
check "says what is skipped" grep -q "Wine and end-to-end tests will be skipped" <<<"$out"
check "the status is kept for the skip reasons" grep -q "installing it failed (exit 100" "$FAKE/logs/setup-i386.status"
check "the i386 architecture is taken back" [ ! -s "$FAKE/arches" ]

# A machine that cannot run 32-bit programs never adds i386.
run_setup no32 no "" ""
check "no-32-bit machine succeeds: $out" [ "$status" = 0 ]
check "no i386 step" bash -c "! grep -q 'i386' '$FAKE/calls' 2>/dev/null"
check "one line says why: $out" [ "$(grep -c 'cannot run 32-bit programs' <<<"$out")" = 1 ]

# An amd64 package that cannot be installed is fatal and named.
run_setup refused no xvfb xvfb
check "amd64 failure is fatal" [ "$status" != 0 ]
check "names the step: $out" grep -q "FAILED: installing packages with apt-get (xvfb)" <<<"$out"

[ $fails = 0 ] && echo "setup_test: passed" || echo "setup_test: $fails checks failed"
[ $fails = 0 ]
