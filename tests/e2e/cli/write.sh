#!/usr/bin/env bash
# phonara-cli write in its five modes on the typical virtual card, each checked
# by reading the card again.
source "$(dirname "$0")/lib.sh" "$1"
printf '1234\n' >"$work/pin"
pin=(--pin-file "$work/pin")

# A changed copy of the card's book goes to the card whole and comes back the
# same, read in a second session from the saved card.
card=$(card_copy typical all)
run_status all 0 vcard --save "$card" -- "$cli" write "$data/cli/typical-changed.phn" --mode all --yes "${pin[@]}"
# The write says how many contacts are on the card and where the backup went.
grep -qx '43 contacts are on the SIM Card now.' "$work/all.err" || fail "all: no count of contacts"
grep -q '^The backup of the SIM Card is in .*/phonara/backups/card-.*\.phn$' "$work/all.err" ||
    fail "all: no backup named"
backup=$(sed -n 's/^The backup of the SIM Card is in //p' "$work/all.err")
[ -f "$backup" ] || fail "all: the backup $backup is missing"
run_status all-read 0 vcard "$card" -- "$cli" read "$work/all.phn" "${pin[@]}"
expect_same all-read "$data/cli/typical-changed.phn" "$work/all.phn"

# A card without EF MSISDN: the write stops before the phone book and says so.
card=$(card_copy no-msisdn no-msisdn)
run_status no-msisdn 1 vcard --save "$card" -- "$cli" write "$data/cli/three.phn" --mode all --yes "${pin[@]}"
grep -q '^The own numbers were not written: EF MSISDN (6F40) could not be selected (' "$work/no-msisdn.err" ||
    fail "no-msisdn: EF MSISDN not named"
grep -qx 'The phone book was not written.' "$work/no-msisdn.err" || fail "no-msisdn: not told the phone book stayed"
# Saved untouched, the profile is written in the same form: nothing changed.
untouched=$(card_copy no-msisdn untouched)
vcard --save "$untouched" -- true
cmp -s "$untouched" "$card" || fail "no-msisdn: the card changed"

# write_then_read NAME WRITE-ARGS...: writes three.phn, then reads the card
# into $work/NAME.phn, in one session on a fresh typical card.
write_then_read() {
    local name=$1
    shift
    run "$name" vcard "$cards/typical.json" -- bash -c '
        "$1" write "$2" "${@:5}" --yes --pin-file "$4" && "$1" read "$3" --pin-file "$4"' \
        - "$cli" "$data/cli/three.phn" "$work/$name.phn" "$work/pin" "$@"
    expect_status "$name" 0
}

# Added contacts fill the free records 15, 16 and 18, and the long number
# takes a free extension record.
write_then_read add --mode add
expect_value add "$work/add.phn" "Address Book" items 45
expect_value add "$work/add.phn" "Address Book" Name14 "Νίκος Ζ"
expect_value add "$work/add.phn" "Address Book" Name15 "Neu Eins"
expect_value add "$work/add.phn" "Address Book" Phone15 "+4930111222"
expect_value add "$work/add.phn" "Address Book" Name16 "Jörg Zwei"
expect_value add "$work/add.phn" "Address Book" TON_NPI16 129
expect_value add "$work/add.phn" "Address Book" Name17 "Åsa Öberg"
expect_value add "$work/add.phn" "Address Book" Name18 "Lang Drei"
expect_value add "$work/add.phn" "Address Book" Phone18 "+49301234567890123456789"
expect_value add "$work/add.phn" "Address Book" Phone10 "+44207946000012345678901234"
expect_value add "$work/add.phn" "Address Book" Name45 "Pin p pause"

# Only the chosen contacts, from record 1 on; the other books stay.
write_then_read selected --mode selected --select 1,3
expect_value selected "$work/selected.phn" "Address Book" items 2
expect_value selected "$work/selected.phn" "Address Book" Name1 "Neu Eins"
expect_value selected "$work/selected.phn" "Address Book" Name2 "Lang Drei"
expect_value selected "$work/selected.phn" "Address Book" Phone2 "+49301234567890123456789"
expect_value selected "$work/selected.phn" "Fixed dialling numbers" items 10

write_then_read add-selected --mode add-selected --select 2-2
expect_value add-selected "$work/add-selected.phn" "Address Book" items 43
expect_value add-selected "$work/add-selected.phn" "Address Book" Name15 "Jörg Zwei"
expect_value add-selected "$work/add-selected.phn" "Address Book" Name16 "Åsa Öberg"

write_then_read clear --mode clear
expect_value clear "$work/clear.phn" "Address Book" items 0
expect_value clear "$work/clear.phn" "Fixed dialling numbers" items 10
expect_value clear "$work/clear.phn" "Last number dialled" items 5

# Without --yes and without a terminal nothing is asked and nothing written.
run unconfirmed vcard "$cards/typical.json" -- bash -c '
    "$1" write "$2" --mode clear --pin-file "$4"; echo "write $?"; "$1" read "$3" --pin-file "$4"' \
    - "$cli" "$data/cli/three.phn" "$work/unconfirmed.phn" "$work/pin"
expect_status unconfirmed 0
grep -qx 'write 1' "$work/unconfirmed.out" || fail "unconfirmed: the write did not fail"
grep -qx 'Now all phonebook entries will be deleted from your SIM card.' "$work/unconfirmed.err" ||
    fail "unconfirmed: the confirmation text was not shown"
expect_same unconfirmed "$data/cli/typical-read.phn" "$work/unconfirmed.phn"

# A place outside the book is wrong usage.
run_status outside 2 "$cli" write "$data/cli/three.phn" --mode selected --select 2,4 --yes

finish
