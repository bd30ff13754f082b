#!/usr/bin/env bash
# What phonara-cli says, and its exit status, when the card work cannot be done.
source "$(dirname "$0")/lib.sh" "$1"
printf '1234\n' >"$work/pin"
printf '9999\n' >"$work/wrong"

run_status wrong 1 vcard "$cards/typical.json" -- "$cli" read "$work/wrong.phn" --pin-file "$work/wrong"
expect_err wrong $'The PIN you entered is incorrect!\nThere are 2 attempts remaining.'
[ -e "$work/wrong.phn" ] && fail "wrong: a file was written after a refused PIN"

run_status blocked 1 vcard "$cards/pin1-blocked.json" -- "$cli" read "$work/b.phn" --pin-file "$work/pin"
expect_err blocked $'SIM Card is blocked!\nUse PUK to unblock it.'

run_status finally 1 vcard "$cards/pin1-puk1-exhausted.json" -- "$cli" info --pin-file "$work/pin"
expect_err finally "SIM Card blocked finally!"

run_status not-a-sim 1 vcard "$cards/not-a-sim.json" -- "$cli" read "$work/n.phn" --pin-file "$work/pin"
expect_err not-a-sim "No SIM card found in the smart card reader!"

# The second slot of the virtual reader holds no card.
run empty-slot vcard "$cards/typical.json" -- bash -c '
    "$1" info --reader "$("$1" readers | sed -n 2p)" --pin-file "$2"' - "$cli" "$work/pin"
expect_status empty-slot 1
expect_err empty-slot "No SIM card found in the smart card reader!"

run_status no-reader 1 vcard "$cards/typical.json" -- "$cli" info --reader "No such reader" --pin-file "$work/pin"
grep -q "no reader is named 'No such reader'" "$work/no-reader.err" ||
    fail "no-reader: the unknown reader is not named"

# Without --pin-file and without a terminal the PIN cannot be asked.
run_status no-pin 1 vcard "$cards/typical.json" -- "$cli" read "$work/p.phn"
grep -q -- '--pin-file' "$work/no-pin.err" || fail "no-pin: the message does not name --pin-file"

run_status pin-file-missing 1 "$cli" read "$work/p.phn" --pin-file "$work/no-such-file"

# No PC/SC service: a socket nobody listens on.
run_status no-service 1 env PCSCLITE_CSOCK_NAME="$work/no-pcscd.comm" "$cli" readers
expect_err no-service "Error establishing connection with system Smart Card components!"

finish
