# Shared by the phonara-cli test scripts: sourced with the phonara-cli path as $1.
# The test harness sets PHONARA_SOURCE_DIR and PHONARA_TEST_DATA.
set -u
cli=$1
root=$PHONARA_SOURCE_DIR
data=$PHONARA_TEST_DATA
cards=$data/cards
work=$(mktemp -d "${TMPDIR:-/tmp}/phonara-cli-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The CSV separator follows the locale; tests expect the comma of the C locale.
export LC_ALL=C
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
}

# vcard [--save] PROFILE -- COMMAND...: COMMAND with the card in a private pcscd.
vcard() {
    "$root/scripts/with-virtual-card" "$@"
}

# A copy of a card profile that a --save session may change.
card_copy() {
    cp "$cards/$1.json" "$work/$2.json"
    echo "$work/$2.json"
}

# run NAME COMMAND...: runs COMMAND without a terminal, keeping its exit status
# in $status and its output in $work/NAME.out and $work/NAME.err.
run() {
    local name=$1
    shift
    "$@" </dev/null >"$work/$name.out" 2>"$work/$name.err"
    status=$?
}

# run_status NAME WANTED COMMAND...: run, then expect_status.
run_status() {
    local name=$1 wanted=$2
    shift 2
    run "$name" "$@"
    expect_status "$name" "$wanted"
}

expect_status() { # NAME WANTED
    if [ "$status" -ne "$2" ]; then
        fail "$1: exit status $status, expected $2; stderr:"
        sed 's/^/    /' "$work/$1.err" >&2
    fi
}

# expect_err NAME TEXT: standard error is exactly TEXT (one or more lines).
expect_err() {
    local wanted=""
    [ -z "$2" ] || wanted="$2"$'\n'
    if [ "$(cat "$work/$1.err"; echo x)" != "${wanted}x" ]; then
        fail "$1: standard error differs from the expected text; it was:"
        sed 's/^/    /' "$work/$1.err" >&2
    fi
}

expect_same() { # NAME EXPECTED ACTUAL
    if ! cmp -s "$2" "$3"; then
        fail "$1: $3 differs from $2"
        diff <(tr -d '\r' <"$2" | iconv -f UTF-8 -t UTF-8 -c) \
             <(tr -d '\r' <"$3" | iconv -f UTF-8 -t UTF-8 -c) | head -20 >&2
    fi
}

# A .phn file as UTF-8 text without byte-order mark and CRs.
phn_text() {
    if [ "$(head -c 3 "$1" | od -An -tx1 | tr -d ' ')" = "efbbbf" ]; then
        tail -c +4 "$1"
    else
        iconv -f CP1252 -t UTF-8 "$1"
    fi | tr -d '\r'
}

# phn_get FILE SECTION KEY: the value of KEY in SECTION.
phn_get() {
    phn_text "$1" | awk -v section="[$2]" -v key="$3=" '
        $0 == section { inside = 1; next }
        /^\[/ { inside = 0 }
        inside && index($0, key) == 1 { print substr($0, length(key) + 1); exit }'
}

expect_value() { # NAME FILE SECTION KEY WANTED
    local got
    got=$(phn_get "$2" "$3" "$4")
    if [ "$got" != "$5" ]; then
        fail "$1: [$3] $4 is '$got', expected '$5'"
    fi
}
