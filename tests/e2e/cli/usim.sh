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
# The fixed dialling numbers come from ADF USIM.
expect_value read "$work/two.phn" "Fixed dialling numbers" items 2
expect_value read "$work/two.phn" "Fixed dialling numbers" Name2 "Zuhause"

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
# The card's books were backed up first.
backup=$(sed -n 's/^The backup of the SIM Card is in //p' "$work/write-all.err")
[ -n "$backup" ] && [ -f "$backup" ] || fail "write-all: no backup"
[ -z "$backup" ] || expect_value write-all "$backup" "Address Book" Email2_1 "bernd_k@example.com"
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

# A card with both phone books: the USIM one is read and written (with a
# second number).
card=$(card_copy usim-both-books both)
run_status both-read 0 vcard "$card" -- "$cli" read "$work/both.phn" "${pin[@]}"
expect_value both-read "$work/both.phn" "Address Book" items 3
expect_value both-read "$work/both.phn" "Address Book" Name1 "USIM Anna"
expect_value both-read "$work/both.phn" "Address Book" Phone1_2 "+4930123456"
grep -q "older SIM phone book (EF ADN) as well" "$work/both-read.err" ||
    fail "both-read: the second book is not told"
printf '%s\r\n' '[Version]' 'format=phn' 'version=1' '[Address Book]' \
    'Contact=Name,Phone,CCP,TON_NPI' 'items=1' 'Name1=Neu Beide' 'Phone1=0301234' \
    'CCP1=255' 'TON_NPI1=129' 'Phone1_2=+49301112233' 'TON_NPI1_2=145' >"$work/both-add.phn"
run_status both-add 0 vcard --save "$card" -- "$cli" write "$work/both-add.phn" --mode add --yes "${pin[@]}"
run_status both-add-read 0 vcard "$card" -- "$cli" read "$work/both-after.phn" "${pin[@]}"
expect_value both-add-read "$work/both-after.phn" "Address Book" items 4
expect_value both-add-read "$work/both-after.phn" "Address Book" Name3 "Neu Beide"
expect_value both-add-read "$work/both-after.phn" "Address Book" Phone3_2 "+49301112233"
expect_value both-add-read "$work/both-after.phn" "Address Book" Name4 "USIM Letzter"

# A dry run writes nothing.
card=$(card_copy usim-two-sets dry)
run_status dry 0 vcard --save "$card" -- "$cli" write "$data/cli/usim-add.phn" --mode all --yes --dry-run "${pin[@]}"
# Record by record, as on a SIM.
for line in "ADN 4F3A record 1: Anna Schmidt +491701234567 -> Neu USIM +4930111222" \
    "EMAIL 4F50 record 2: bernd_k@example.com -> (empty)" "IAP 4F26 record 1: 01 -> FF" \
    "On the SIM Card: 0 new, 2 changed, 9 removed. The SIM Card loses 11 of its contacts."; do
    grep -qxF "$line" "$work/dry.out" || fail "dry: not listed: $line"
done
run_status dry-read 0 vcard "$card" -- "$cli" read "$work/dry.phn" "${pin[@]}"
expect_same dry-read "$work/two.phn" "$work/dry.phn"
# Writing back what was read closes the gaps: set 1 keeps records 1-3, takes
# 4-11 (4, 7, 8, 10, 11 were free; 5, 6, 9 held others) and frees 250 and the
# four of set 2. Records change, but no contact is lost.
run_status back 0 vcard "$cards/usim-two-sets.json" -- "$cli" write "$work/two.phn" --mode all --yes --dry-run "${pin[@]}"
grep -qxF "On the SIM Card: 5 new, 3 changed, 5 removed." "$work/back.out" || fail "back: summary: $(grep 'On the SIM' "$work/back.out")"

# This card has no EMAIL and no SNE file: the e-mail and second name would be
# lost, so nothing is written unless --partial says to write what fits.
card=$(card_copy usim-both-books lose)
run_status lose 1 vcard --save "$card" -- "$cli" write "$data/cli/usim-add.phn" --mode add --yes "${pin[@]}"
grep -qx "Nothing was written. Not everything fits on the card:" "$work/lose.err" ||
    fail "lose: not told"
grep -qx "Contacts concerned: Neu USIM" "$work/lose.err" || fail "lose: the contact is not named"
run_status lose-read 0 vcard "$card" -- "$cli" read "$work/lose.phn" "${pin[@]}"
expect_value lose-read "$work/lose.phn" "Address Book" items 3
run_status lose-partial 0 vcard --save "$card" -- "$cli" write "$data/cli/usim-add.phn" --mode add --yes --partial "${pin[@]}"
grep -q "e-mail addresses were not written" "$work/lose-partial.err" ||
    fail "lose-partial: the lost e-mail is not told"
run_status lose-partial-read 0 vcard "$card" -- "$cli" read "$work/lose.phn" "${pin[@]}"
expect_value lose-partial-read "$work/lose.phn" "Address Book" items 5
expect_value lose-partial-read "$work/lose.phn" "Address Book" Phone3_2 "0301112299"

# A GSM SIM reads as before.
run_status sim 0 vcard "$cards/typical.json" -- "$cli" read "$work/sim.phn" "${pin[@]}"
expect_same sim "$data/cli/typical-read.phn" "$work/sim.phn"

# A GSM SIM holds one name and one number: a contact with a second number,
# e-mail and second name is not written without them unless --partial says so.
card=$(card_copy typical sim-extras)
run_status sim-extras 1 vcard --save "$card" -- "$cli" write "$data/cli/usim-add.phn" --mode add --yes "${pin[@]}"
grep -q "^Nothing was written. 1 contacts have second numbers, e-mail addresses or a second name" "$work/sim-extras.err" ||
    fail "sim-extras: the lost extras are not told"
grep -qx "Without their second numbers, e-mail addresses and second names: Neu USIM" \
    "$work/sim-extras.err" || fail "sim-extras: the contact is not named"
run_status sim-extras-read 0 vcard "$card" -- "$cli" read "$work/sim-extras.phn" "${pin[@]}"
expect_value sim-extras-read "$work/sim-extras.phn" "Address Book" items 42
run_status sim-partial 0 vcard "$card" -- "$cli" write "$data/cli/usim-add.phn" --mode add --yes --partial "${pin[@]}"
grep -qx "Without their second numbers, e-mail addresses and second names: Neu USIM" \
    "$work/sim-partial.err" || fail "sim-partial: the contact is not named"
finish
