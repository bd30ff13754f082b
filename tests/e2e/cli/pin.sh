#!/usr/bin/env bash
# phonara-cli pin: PIN1 change, disable, enable and unblock, PIN2 change, each
# checked on the card afterwards.
source "$(dirname "$0")/lib.sh" "$1"
# The log at its most detailed level, in the test's own HOME only.
log=""
if [ -n "${PHONARA_TEST_TMP:-}" ]; then
    log=$HOME/VM_Phonar.log
    printf '5' >"$log"
fi
printf '1234\n' >"$work/pin"
printf '4321\r\n' >"$work/new-pin" # a CR LF line end is not part of the code
printf '5678\n' >"$work/pin2"
printf '9753\n' >"$work/new-pin2"
printf '12345678\n' >"$work/puk"

card=$(card_copy typical card)
run_status change 0 vcard --save "$card" -- "$cli" pin change --pin-file "$work/pin" --new-pin-file "$work/new-pin"
expect_err change "PIN is changed successfully!"

run_status new-pin 0 vcard "$card" -- "$cli" read "$work/new-pin.phn" --pin-file "$work/new-pin"
expect_same new-pin "$data/cli/typical-read.phn" "$work/new-pin.phn"

run_status old-pin 1 vcard --save "$card" -- "$cli" read "$work/old-pin.phn" --pin-file "$work/pin"
expect_err old-pin $'The PIN you entered is incorrect!\nThere are 2 attempts remaining.'
[ -e "$work/old-pin.phn" ] && fail "old-pin: a file was written after a refused PIN"

run_status disable 0 vcard --save "$card" -- "$cli" pin disable --pin-file "$work/new-pin"
expect_err disable "PIN disabled"
run_status disabled 0 vcard "$card" -- "$cli" info
grep -qx 'PIN1 state: off' "$work/disabled.out" || fail "disabled: PIN1 is not off"

run_status enable 0 vcard --save "$card" -- "$cli" pin enable --pin-file "$work/new-pin"
expect_err enable "PIN enabled"
run_status enabled 0 vcard "$card" -- "$cli" info --pin-file "$work/new-pin"
grep -qx 'PIN1 state: on' "$work/enabled.out" || fail "enabled: PIN1 is not on"

run_status change2 0 vcard --save "$card" -- "$cli" pin change --chv 2 --pin-file "$work/pin2" \
    --new-pin-file "$work/new-pin2"
expect_err change2 "PIN is changed successfully!"
run_status old-pin2 1 vcard "$card" -- "$cli" pin change --chv 2 --pin-file "$work/pin2" \
    --new-pin-file "$work/new-pin2"
expect_err old-pin2 $'The PIN2 you entered is incorrect!\nThere are 2 attempts remaining.'

# A blocked PIN1 gets a new value with the PUK.
blocked=$(card_copy pin1-blocked blocked)
run_status unblock 0 vcard --save "$blocked" -- "$cli" pin unblock --puk-file "$work/puk" \
    --new-pin-file "$work/new-pin"
expect_err unblock "SIM Card is successfully unblocked."
run_status unblocked 0 vcard "$blocked" -- "$cli" info --pin-file "$work/new-pin"
run_status not-blocked 1 vcard "$blocked" -- "$cli" pin unblock --puk-file "$work/puk" \
    --new-pin-file "$work/new-pin"
expect_err not-blocked "SIM Card is not blocked!"

# No code ever shows in what the commands say.
for name in change new-pin old-pin disable enable change2 old-pin2 unblock not-blocked; do
    if grep -qE '1234|4321|5678|9753|12345678' "$work/$name.out" "$work/$name.err"; then
        fail "$name: a secret code appears in the output"
    fi
done
# Nor in the log, as text or as the bytes of a command (the card's phone
# numbers there hold the digits of the profile's own codes).
if [ -n "$log" ]; then
    [ "$(wc -l <"$log")" -gt 100 ] || fail "log: the commands wrote no log"
    if grep -wE '4321|9753' "$log" >&2 || grep -iE '34333231|39373533' "$log" >&2; then
        fail "log: a new PIN appears in the log"
    fi
fi

finish
