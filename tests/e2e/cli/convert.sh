#!/usr/bin/env bash
# phonara-cli convert between .phn, CSV and the legacy address file, and the
# command line's help and usage errors. No card involved.
source "$(dirname "$0")/lib.sh" "$1"

# A CSV whose first field holds the numbers, mapped with --number-field 0.
run_status csv-phn 0 "$cli" convert "$data/cli/numbers-first.csv" "$work/numbers.phn" --name-field 1 --number-field 0
expect_err csv-phn ""
expect_same csv-phn "$data/cli/numbers-first.phn" "$work/numbers.phn"

run_status phn-csv 0 "$cli" convert "$data/cli/numbers-first.phn" "$work/two.csv"
expect_same phn-csv "$data/cli/two.csv" "$work/two.csv"

# Upper-case extension, default mapping.
run_status csv-csv 0 "$cli" convert "$data/cli/two.csv" "$work/again.CSV"
expect_same csv-csv "$data/cli/two.csv" "$work/again.CSV"

# The legacy address file: record length 28, 2 records, the tag, then two
# standard records (14-byte GSM name, length, TON/NPI, 10 BCD bytes, CCP, ext).
{
    printf '\x1c\x02<{[This is Adr File]}>'
    printf 'G\x7brtner\xff\xff\xff\xff\xff\xff\xff\x06\x91\x94\x03\x11\x21\x22\xff\xff\xff\xff\xff\xff\xff'
    printf 'Otto\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x05\x81\x30\x10\x32\x54\xff\xff\xff\xff\xff\xff\x07\xff'
} >"$work/old-book.dat"
[ "$(wc -c <"$work/old-book.dat")" -eq $((24 + 2 * 28)) ] || fail "legacy: the test file is malformed"
run_status legacy 0 "$cli" convert "$work/old-book.dat" "$work/legacy.phn"
expect_same legacy "$data/cli/legacy.phn" "$work/legacy.phn"

# vCard: a phone's 2.1 export, one entry per number, to CSV; the card without a
# number is named by its line.
run_status vcf-csv 3 "$cli" convert "$data/files/vcard/android-2.1.vcf" "$work/android.csv" --numbers each
expect_same vcf-csv "$data/cli/android-each.csv" "$work/android.csv"
expect_err vcf-csv "Imported 6 contacts from android-2.1.vcf; 1 were skipped:
- 1 without a number: line 28 (Only Mail)"

# .phn to vCard 3.0 and back gives the same book.
run_status phn-vcf 0 "$cli" convert "$data/cli/numbers-first.phn" "$work/two.VCF" --vcard-version 3.0
grep -q '^VERSION:3\.0.$' "$work/two.VCF" || fail "phn-vcf: not written as vCard 3.0"
run_status vcf-phn 0 "$cli" convert "$work/two.VCF" "$work/two-again.phn"
expect_err vcf-phn ""
expect_same vcf-phn "$data/cli/numbers-first.phn" "$work/two-again.phn"

# Files of no known kind, missing files, unwritable places.
printf 'just some notes\n' >"$work/notes.txt"
run_status neither 1 "$cli" convert "$work/notes.txt" "$work/x.phn"
expect_err neither "This is not a Phone Book file!"
cp "$work/notes.txt" "$work/notes.vcf"
run_status not-vcard 1 "$cli" convert "$work/notes.vcf" "$work/x.phn"
expect_err not-vcard "This is not a vCard file!"
run_status missing 1 "$cli" convert "$work/no-such.phn" "$work/x.phn"
expect_err missing "Could not open $work/no-such.phn: No such file or directory"

# Pipes: one as input is refused at once (no writer ever comes), one as output
# is neither written to nor replaced.
mkfifo "$work/in.phn" "$work/out.phn"
run_status fifo-in 1 timeout 20 "$cli" convert "$work/in.phn" "$work/x.phn"
expect_err fifo-in "Could not open $work/in.phn: it is not a regular file (a folder, a pipe or a device)"
run_status fifo-out 1 timeout 20 "$cli" convert "$data/cli/two.csv" "$work/out.phn"
[ -p "$work/out.phn" ] || fail "fifo-out: the pipe was replaced"

# Lines left out are listed; the conversion is done, with its own exit status.
printf 'Name,Mobile\r\nAnna,"0171 (555) 12"\r\nBob,0800-FLOWERS\r\nCleo,\r\n' >"$work/skips.csv"
run_status skipped 3 "$cli" convert "$work/skips.csv" "$work/skips.phn"
expect_err skipped "Imported 1 contacts from skips.csv; 2 were skipped:
- 1 without a number: line 4 (Cleo)
- 1 with a number that cannot be dialled: line 3 (Bob: 0800-FLOWERS)"
grep -q '^Phone1=017155512.$' "$work/skips.phn" || fail "skipped: Anna's number was not kept"
run_status unwritable 1 "$cli" convert "$data/cli/two.csv" "$work/no-such-dir/x.phn"
expect_err unwritable "Could not save $work/no-such-dir/x.phn: No such file or directory"
run_status no-field 1 "$cli" convert "$data/cli/two.csv" "$work/x.phn" --number-field 5
[ -e "$work/x.phn" ] && fail "a failed conversion left an output file"

# Help for the program and each command, in plain words; usage errors exit 2.
run_status help 0 "$cli" --help
grep -q '^  convert ' "$work/help.out" || fail "help: the commands are not listed"
for command in readers info read write pin convert; do
    run "help-$command" "$cli" "$command" --help
    expect_status "help-$command" 0
    grep -q "^Usage: phonara-cli $command" "$work/help-$command.out" ||
        fail "help-$command: no usage line"
done
run_status version 0 "$cli" --version
grep -qE '^phonara-cli [0-9]+\.[0-9]+\.[0-9]+$' "$work/version.out" || fail "version: no version"

usage_error() { # NAME ARGS...
    local name=$1
    shift
    run "$name" "$cli" "$@"
    expect_status "$name" 2
    grep -q '^Usage: phonara-cli' "$work/$name.err" || fail "$name: no usage on standard error"
}
usage_error no-command
usage_error bad-command frobnicate
usage_error bad-option read x.phn --pin 1234
usage_error one-file convert "$data/cli/two.csv"
usage_error no-mode write "$data/cli/three.phn" --yes
usage_error bad-mode write "$data/cli/three.phn" --mode everything
usage_error select-without-mode write "$data/cli/three.phn" --mode all --select 1
usage_error pin2-enable pin enable --chv 2
usage_error bad-chv pin change --chv 3
usage_error same-fields convert a.csv b.phn --name-field 1 --number-field 1
usage_error bad-numbers convert a.vcf b.phn --numbers all
usage_error bad-vcard-version convert a.phn b.vcf --vcard-version 2.1
usage_error numbers-on-read read x.vcf --numbers each
if grep -q 1234 "$work/bad-option.err"; then
    fail "bad-option: the rejected argument's value is repeated"
fi

finish
