# Shared helpers of the tests of the console twin Tallyglass.com under Wine: sourced
# by every tests/com/*.sh. They are the console tests' own (tests/console/lib.sh),
# with the program run through tests/com/run-com, in the tests' Wine prefix; the
# simulator's pty is mapped to a COM port of that prefix (--map-com).
#
# Environment (set by CTest): TG_COM (Tallyglass.com), TG_HOST_TOOLS_DIR, TG_SOURCE_DIR.
: "${TG_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${TG_COM:?TG_COM: path of Tallyglass.com}"
export TG_SOURCE_DIR TG_COM
export TG_TALLYGLASS=$TG_SOURCE_DIR/tests/com/run-com
# shellcheck source=../console/lib.sh
source "$TG_SOURCE_DIR/tests/console/lib.sh"
# shellcheck source=../wine/wine-env
source "$TG_SOURCE_DIR/tests/wine/wine-env"
tg_loader_for "$TG_COM" || exit $?
tg_wine_prefix || fail "no Wine prefix"

# rows_as_written TEXT_FILE OUT: the rows of TEXT_FILE (UTF-8, LF) as a redirected
# stdout holds them: UTF-8, each line ending in CR LF.
rows_as_written() { sed 's/$/\r/' "$1" >"$2"; }
