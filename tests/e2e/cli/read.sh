#!/usr/bin/env bash
# phonara-cli read and info on the typical virtual card.
source "$(dirname "$0")/lib.sh" "$1"
printf '1234\n' >"$work/pin"

# The card's three books, as a save writes them (the expected file is laid out
# by hand from the card profile's records).
run_status read 0 vcard "$cards/typical.json" -- "$cli" read "$work/typical.phn" --pin-file "$work/pin"
expect_err read ""
expect_same read "$data/cli/typical-read.phn" "$work/typical.phn"

# The phone book alone as a CSV export; the PIN from standard input. The card
# has Cyrillic and Greek names, which Windows-1252 lacks: the file is UTF-8
# with a byte-order mark, so that no name loses a letter.
run_status csv 0 vcard "$cards/typical.json" -- sh -c "printf '1234\n' | '$cli' read '$work/typical.csv' --pin-file -"
if [ "$(head -n 2 "$work/typical.csv")" != $'\xEF\xBB\xBFName,Number\r\nAnna Schmidt,+491701234567\r' ]; then
    fail "csv: the export does not start with the header and the first contact"
fi
if [ "$(sed -n 3p "$work/typical.csv")" != $'Bernd Köhler,030123456\r' ]; then
    fail "csv: the second contact is not 'Bernd Köhler,030123456'"
fi
if [ "$(sed -n 12p "$work/typical.csv")" != $'Иван П,+74951234567\r' ]; then
    fail "csv: the Cyrillic name did not come through"
fi
if [ "$(wc -l <"$work/typical.csv")" -ne 43 ]; then
    fail "csv: expected a header and 42 contacts"
fi

# SIM information: 250 records of 28 bytes, 42 in use, PIN1 on, every code's attempts left.
run_status info 0 vcard "$cards/typical.json" -- "$cli" info --pin-file "$work/pin"
expected_info='Contacts: 250
Contacts read: 42
Free contacts: 208
Name length: 14
PIN1 state: on
Identification number: 8949020000123456789
Service Provider Name: Phonara Mobile
Own number: +491719876543
Card: GSM SIM
Phone book: SIM phone book (EF ADN)
PIN1 attempts left: 3
PUK1 attempts left: 10
PIN2 attempts left: 3
PUK2 attempts left: 10'
if [ "$(cat "$work/info.out")" != "$expected_info" ]; then
    fail "info: unexpected output:"
    sed 's/^/    /' "$work/info.out" >&2
fi

# A card without EF SPN has no provider name.
run_status no-spn 0 vcard "$cards/no-spn.json" -- "$cli" info --pin-file "$work/pin"
grep -qx 'Service Provider Name:' "$work/no-spn.out" || fail "no-spn: a provider name is shown"

# A card with PIN1 off is read without any code.
run_status disabled 0 vcard "$cards/pin1-disabled.json" -- "$cli" info
grep -qx 'PIN1 state: off' "$work/disabled.out" || fail "disabled: no 'PIN1 state: off' line"

# Two cards: the first reader is used unless --reader names another.
run_status readers 0 vcard "$cards/typical.json" "$cards/pin1-disabled.json" -- "$cli" readers
second=$(sed -n 2p "$work/readers.out")
[ "$(wc -l <"$work/readers.out")" -eq 2 ] || fail "readers: expected two readers"
run_status second 0 vcard "$cards/typical.json" "$cards/pin1-disabled.json" -- "$cli" info --reader "$second"
grep -qx 'PIN1 state: off' "$work/second.out" || fail "second: --reader did not pick the second card"

# The card leaves the reader in the middle of the phone book: the message names
# the reason, nothing is saved and the exit status is 1.
run_status removed 1 vcard --fault '{"afterApdus": 60, "do": "remove"}' "$cards/typical.json" -- \
    "$cli" read "$work/removed.phn" --pin-file "$work/pin"
grep -q "The smart card has been removed" "$work/removed.err" ||
    fail "removed: standard error does not say that the card was removed: $(cat "$work/removed.err")"
[ ! -e "$work/removed.phn" ] || fail "removed: a book was saved from a half-read card"

finish
