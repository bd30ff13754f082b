#!/usr/bin/env bash
# phonara-cli on UICC cards: the USIM phone book read and written with its
# second numbers, e-mail addresses and second names, the card kind in `info`,
# and a GSM SIM still told apart.
source "$(dirname "$0")/lib.sh" "$1"
printf '1234\n' >"$work/pin"
pin=(--pin-file "$work/pin")

# Two sets of 250 records: contacts 1..7 in set 1, 251, 252, 350, 500 in set 2.
run_status read 0 vcard "$cards/usim-two-sets.json" -- "$cli" read "$work/two.phn" "${pin[@]}"
expect_value read "$work/two.phn" "Address Book" items 11
expect_value read "$work/two.phn" "Address Book" Name1 "Anna Schmidt"
expect_value read "$work/two.phn" "Address Book" Phone1_2 "+4930123456"
expect_value read "$work/two.phn" "Address Book" Email1_1 "anna@example.org"
expect_value read "$work/two.phn" "Address Book" SecondName1 "Anni"
expect_value read "$work/two.phn" "Address Book" Email2_1 "bernd_k@example.com"
expect_value read "$work/two.phn" "Address Book" Phone5 "+4930123456789012345678"
expect_value read "$work/two.phn" "Address Book" Phone5_2 "+44207946000012345678901"
expect_value read "$work/two.phn" "Address Book" Name8 "Kontakt 251"
expect_value read "$work/two.phn" "Address Book" SecondName8 "Zweiter Satz"
expect_value read "$work/two.phn" "Address Book" Name11 "Kontakt 500"
expect_value read "$work/two.phn" "Address Book" Phone11_2 "+4930000501"

# The global phone book of a card that answers class 00 only.
run_status class00 0 vcard "$cards/usim-class00-only.json" -- "$cli" read "$work/c00.phn" "${pin[@]}"
expect_value class00 "$work/c00.phn" "Address Book" items 4
expect_value class00 "$work/c00.phn" "Address Book" Email1_1 "mama@example.org"
expect_value class00 "$work/c00.phn" "Address Book" Phone4_2 "03012340099"

# What `info` says about the card kind and the book.
run_status info-usim 0 vcard "$cards/usim-two-sets.json" -- "$cli" info "${pin[@]}"
grep -qx "Card: UICC with USIM" "$work/info-usim.out" || fail "info-usim: no card kind"
grep -qx "Phone book: USIM phone book of the USIM application" "$work/info-usim.out" ||
    fail "info-usim: no phone book"
grep -qx "Contacts: 500" "$work/info-usim.out" || fail "info-usim: not 500 records"
run_status info-sim 0 vcard "$cards/typical.json" -- "$cli" info "${pin[@]}"
grep -qx "Card: GSM SIM" "$work/info-sim.out" || fail "info-sim: not a GSM SIM"
grep -qx "Phone book: SIM phone book (EF ADN)" "$work/info-sim.out" || fail "info-sim: not EF ADN"

# The book read goes back whole (compacted into set 1) and reads back the same.
card=$(card_copy usim-two-sets all)
run_status write-all 0 vcard --save "$card" -- "$cli" write "$work/two.phn" --mode all --yes "${pin[@]}"
run_status write-all-read 0 vcard "$card" -- "$cli" read "$work/all.phn" "${pin[@]}"
expect_same write-all-read "$work/two.phn" "$work/all.phn"

# Added contacts take the free records 4 and 7 of set 1 (and a free e-mail
# record); the contacts there keep everything.
card=$(card_copy usim-two-sets add)
run_status add 0 vcard --save "$card" -- "$cli" write "$data/cli/usim-add.phn" --mode add --yes "${pin[@]}"
run_status add-read 0 vcard "$card" -- "$cli" read "$work/add.phn" "${pin[@]}"
expect_value add-read "$work/add.phn" "Address Book" items 13
expect_value add-read "$work/add.phn" "Address Book" Name4 "Neu USIM"
expect_value add-read "$work/add.phn" "Address Book" Phone4_2 "0301112299"
expect_value add-read "$work/add.phn" "Address Book" Email4_1 "neu_usim@example.org"
expect_value add-read "$work/add.phn" "Address Book" SecondName4 "Neuer"
expect_value add-read "$work/add.phn" "Address Book" Name7 "Nur Nummer"
expect_value add-read "$work/add.phn" "Address Book" Email1_1 "anna@example.org"
expect_value add-read "$work/add.phn" "Address Book" Email2_1 "bernd_k@example.com"
expect_value add-read "$work/add.phn" "Address Book" Phone6_2 "+44207946000012345678901"

# A GSM SIM reads as before.
run_status sim 0 vcard "$cards/typical.json" -- "$cli" read "$work/sim.phn" "${pin[@]}"
expect_same sim "$data/cli/typical-read.phn" "$work/sim.phn"
finish
