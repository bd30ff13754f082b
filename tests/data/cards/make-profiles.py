#!/usr/bin/env python3
"""Writes the virtual SIM profiles of this folder (the UICC ones come from usim_profiles.py).

The records are laid out here by hand after GSM 11.11 (EF ADN/FDN/LND/MSISDN:
alpha identifier, length of BCD number, TON/NPI, 10 BCD bytes, capability id,
extension record id; EF EXT1/EXT2: record type 02, length, 10 BCD bytes,
identifier) with the GSM 03.38 default alphabet below, independently of the
program's own codec. The generated JSON files are committed; run this only to
change them: python3 tests/data/cards/make-profiles.py
"""

import json
import os
import sys

sys.dont_write_bytecode = True
import usim_profiles  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))

# GSM 03.38 default alphabet positions of the characters that differ from ASCII.
GSM = {
    "@": 0x00, "£": 0x01, "$": 0x02, "¥": 0x03, "è": 0x04, "é": 0x05, "ù": 0x06,
    "ì": 0x07, "ò": 0x08, "Ç": 0x09, "Ø": 0x0B, "ø": 0x0C, "Å": 0x0E, "å": 0x0F,
    "_": 0x11, "Æ": 0x1C, "æ": 0x1D, "ß": 0x1E, "É": 0x1F, "¤": 0x24, "¡": 0x40,
    "Ä": 0x5B, "Ö": 0x5C, "Ñ": 0x5D, "Ü": 0x5E, "§": 0x5F, "¿": 0x60, "ä": 0x7B,
    "ö": 0x7C, "ñ": 0x7D, "ü": 0x7E, "à": 0x7F,
}


def gsm(text):
    out = bytearray()
    for ch in text:
        if ch in GSM:
            out.append(GSM[ch])
        elif ch.isascii() and ch.isalnum() or ch in " .,-'&()/+":
            out.append(ord(ch))
        else:
            raise ValueError(f"{ch!r} is not in the GSM default alphabet table")
    return bytes(out)


def ucs2_80(text):
    """0x80 form: 80, then UCS2 characters high byte first."""
    return b"\x80" + text.encode("utf-16-be")


def ucs2_81(text, base):
    """0x81 form: 81, count, base pointer bits 15-8 (base = byte << 7), then one byte a
    character: below 80 a GSM default-alphabet character, else base + (byte & 7F)."""
    assert base % 128 == 0
    body = bytearray()
    for ch in text:
        code = ord(ch)
        if code < 0x80:
            body += gsm(ch)
        else:
            assert base <= code < base + 128, ch
            body.append(0x80 | (code - base))
    return bytes([0x81, len(text), base >> 7]) + bytes(body)


def bcd(digits):
    """Two digits a byte, the first in the low nibble; F fills an odd end."""
    nibble = {str(d): d for d in range(10)}
    nibble.update({"*": 0xA, "#": 0xB, "p": 0xC})
    values = [nibble[c] for c in digits]
    if len(values) % 2:
        values.append(0xF)
    return bytes(values[i] | (values[i + 1] << 4) for i in range(0, len(values), 2))


def hexs(data):
    return " ".join(f"{b:02X}" for b in data)


class Book:
    """One record file with its extension file (EXT1 or EXT2)."""

    def __init__(self, record_length=28):
        self.L = record_length
        self.records = {}

    def add(self, number_of_record, name, number, ext_book=None):
        x = self.L - 14
        alpha = name if isinstance(name, bytes) else gsm(name)
        if len(alpha) > x:
            raise ValueError(f"name {name!r} longer than {x} bytes")
        rec = bytearray(alpha + b"\xFF" * (x - len(alpha)))
        ton = 0x91 if number.startswith("+") else 0x81
        digits = number.lstrip("+")
        main, rest = digits[:20], digits[20:]
        digits_bcd = bcd(main)
        rec.append(1 + len(digits_bcd))
        rec.append(ton)
        rec += digits_bcd + b"\xFF" * (10 - len(digits_bcd))
        rec.append(0xFF)  # no capability/configuration
        if rest:
            rec.append(ext_book.add_extension(rest))
        else:
            rec.append(0xFF)
        assert len(rec) == self.L
        self.records[number_of_record] = bytes(rec)

    def add_raw(self, number_of_record, data):
        assert len(data) == self.L
        self.records[number_of_record] = data

    def add_extension(self, digits):
        n = len(self.records) + 1
        digits_bcd = bcd(digits)
        assert len(digits_bcd) <= 10
        self.records[n] = bytes([0x02, len(digits_bcd)]) + digits_bcd + \
            b"\xFF" * (10 - len(digits_bcd)) + b"\xFF"
        return n

    def json(self):
        return {str(k): hexs(v) for k, v in sorted(self.records.items())}


def iccid(digits):
    data = bcd(digits)
    return data + b"\xFF" * (10 - len(data))


def spn(name, condition=0x01):
    data = gsm(name)
    return bytes([condition]) + data + b"\xFF" * (16 - len(data))


ADN_NAMES = [
    ("Anna Schmidt", "+491701234567"), ("Bernd Köhler", "030123456"),
    ("José Muñoz", "+34612345678"), ("Zoé", "+33612345678"),
    ("Mutter", "0891234567"), ("Büro", "+49891234560"),
    ("Çelik", "+33145678901"), ("Jörg Maß", "+41791234567"),
    ("Søren Ærø", "+4520123456"), ("Åsa Öberg", "+46701234567"),
    ("Pizza Dante", "0401234567"), ("Dr. Müller", "+49301234567"),
    ("Taxi", "22456"), ("Mailbox", "*100#"),
    ("Noé Pérez", "+33698765432"), ("Ines", "01761234567"),
    ("Gärtner", "0711987654"), ("Hélène", "+33600000001"),
    ("Jürgen", "+4915112345678"), ("Ñandù Bar", "+34911234567"),
    ("Café Olé", "+34934567890"), ("Kai", "0171234"),
    ("Lukas", "+436641234567"), ("Martina", "+393471234567"),
    ("Niccolò", "+393331234567"), ("Oma", "069123456"),
    ("Paul & Uta", "+49221123456"), ("Rita", "+4917612345678"),
    ("Sven", "+46739876543"), ("Tierarzt", "0895551234"),
    ("Ulla", "+4930555123"), ("Vater", "0301112233"),
    ("Werkstatt", "+4940123123"), ("Xaver", "+4989555666"),
    ("Yusuf", "+905321234567"), ("Zahnarzt", "0301234000"),
    ("Pin p pause", "0301234p567"),
]
# Spread over the 250 records, with gaps.
ADN_RECORDS = [1, 2, 3, 4, 6, 7, 9, 12, 13, 17, 20, 21, 25, 30, 31, 33, 40, 41, 50, 55,
               60, 61, 75, 80, 99, 100, 101, 120, 150, 151, 170, 199, 200, 220, 240, 249, 250]
LONG_NUMBERS = [  # more than 20 digits: the rest goes to EXT1
    (5, "Konferenz", "+4930123456789012345678"),
    (8, "Zentrale DW", "0800123456789012345678901"),
    (10, "Hotline", "+44207946000012345678901234"),
]
UCS2_NAMES = [
    (11, ucs2_80("Иван Петров"[:6]), "+74951234567"),   # 0x80 form: 1 + 2 x 6 = 13 bytes
    (14, ucs2_81("Νίκος Ζ", 0x0380), "+302101234567"),  # 0x81 form, Greek block
]


def typical():
    adn = Book()
    ext1 = Book(13)
    for rec, (name, number) in zip(ADN_RECORDS, ADN_NAMES):
        adn.add(rec, name, number)
    for rec, name, number in LONG_NUMBERS:
        adn.add(rec, name, number, ext1)
    for rec, name, number in UCS2_NAMES:
        adn.add(rec, name, number)

    fdn = Book()
    ext2 = Book(13)
    fdn_entries = [("Notruf", "112"), ("Polizei", "110"), ("Zuhause", "+49301234567"),
                   ("Mama", "+491701112222"), ("Papa", "+491703334444"),
                   ("Büro", "+4930999888"), ("Arzt", "0301234000"), ("Oma", "069123456"),
                   ("Schule", "0307654321")]
    for i, (name, number) in enumerate(fdn_entries, start=1):
        fdn.add(i, name, number)
    fdn.add(10, "Ausland lang", "+1212555012345678901234", ext2)

    lnd = Book()
    # Record 1 is the number dialled last.
    for i, (name, number) in enumerate([("Anna Schmidt", "+491701234567"), ("", "0301234567"),
                                        ("Taxi", "22456"), ("", "+33612345678"),
                                        ("Mutter", "0891234567")], start=1):
        lnd.add(i, name, number)

    msisdn = Book()
    msisdn.add(1, "Eigene", "+491719876543")

    profile = {
        "atr": "3B 02 14 50",
        "chv1": {"code": "1234", "unblock": "12345678", "tries": 3, "unblockTries": 10,
                 "enabled": True},
        "chv2": {"code": "5678", "unblock": "87654321", "tries": 3, "unblockTries": 10},
        "files": [
            {"path": "3F00/2FE2", "kind": "transparent", "data": hexs(iccid("8949020000123456789"))},
            {"path": "3F00/7F20/6F46", "kind": "transparent", "data": hexs(spn("Phonara Mobile"))},
            {"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 28, "recordCount": 250,
             "records": adn.json()},
            {"path": "3F00/7F10/6F3B", "kind": "linear", "recordLength": 28, "recordCount": 20,
             "records": fdn.json()},
            {"path": "3F00/7F10/6F40", "kind": "linear", "recordLength": 28, "recordCount": 2,
             "records": msisdn.json()},
            {"path": "3F00/7F10/6F44", "kind": "cyclic", "recordLength": 28, "recordCount": 10,
             "records": lnd.json()},
            {"path": "3F00/7F10/6F4A", "kind": "linear", "recordLength": 13, "recordCount": 10,
             "records": ext1.json()},
            {"path": "3F00/7F10/6F4B", "kind": "linear", "recordLength": 13, "recordCount": 10,
             "records": ext2.json()},
        ],
    }
    return profile


def file_of(profile, path):
    for f in profile["files"]:
        if f["path"] == path:
            return f
    raise KeyError(path)


def without(profile, path):
    profile["files"] = [f for f in profile["files"] if f["path"] != path]
    return profile


def write(name, profile, note):
    profile = {"comment": note, **profile}
    with open(os.path.join(HERE, name + ".json"), "w", encoding="utf-8") as out:
        json.dump(profile, out, indent=2, ensure_ascii=False)
        out.write("\n")


def main():
    write("typical", typical(),
          "250 ADN records with 42 entries (3 long numbers in EXT1, two UCS2 names), "
          "FDN 10 entries (one long number in EXT2), LND 5 of 10, one own number, "
          "SPN 'Phonara Mobile', PIN1 1234 enabled")

    p = typical()
    p["chv1"]["enabled"] = False
    write("pin1-disabled", p, "typical card with PIN1 disabled")

    p = typical()
    p["chv1"]["tries"] = 0
    write("pin1-blocked", p, "PIN1 blocked (0 tries), PUK1 12345678 with 10 tries left")

    p = typical()
    p["chv1"]["tries"] = 0
    p["chv1"]["unblockTries"] = 0
    write("pin1-puk1-exhausted", p, "PIN1 and PUK1 both blocked: the card is dead")

    # Attempts left, each counter a different number so that none is read for another.
    for name, tries, note in (
            ("tries-2", (2, 9, 2, 8), "2 PIN1 tries (PUK1 9), 2 PIN2 tries (PUK2 8)"),
            ("tries-1", (1, 5, 1, 4), "the last PIN1 try (PUK1 5), the last PIN2 try (PUK2 4)"),
            ("pin1-blocked-puk1-1", (0, 1, 3, 10), "PIN1 blocked, the last PUK1 try"),
            ("pin2-blocked-puk2-1", (3, 10, 0, 1), "PIN2 blocked, the last PUK2 try")):
        p = typical()
        for chv, (left, unblockLeft) in (("chv1", tries[:2]), ("chv2", tries[2:])):
            p[chv].update(tries=left, unblockTries=unblockLeft, maxTries=3, maxUnblockTries=10)
        write(name, p, note)

    p = without(typical(), "3F00/7F20/6F46")
    p["files"].insert(1, {"path": "3F00/7F20", "kind": "df"})
    write("no-spn", p, "DF GSM without EF SPN")

    p = typical()
    file_of(p, "3F00/7F20/6F46")["data"] = hexs(b"\xFF" * 17)
    write("spn-ff", p, "EF SPN holding only FF bytes")

    write("no-msisdn", without(typical(), "3F00/7F10/6F40"), "no EF MSISDN")

    p = typical()
    adn = Book()
    for r in range(1, 501):
        if r % 7 == 1 or r in (255, 256, 449, 450, 451, 500):
            adn.add(r, f"Kontakt {r}", f"+4930{r:06d}")
    f = file_of(p, "3F00/7F10/6F3A")
    f["recordCount"] = 500
    f["records"] = adn.json()
    write("adn-500", p, "EF ADN of 500 records (more than a record number byte can address; "
          "records past 255 are reached with NEXT only)")

    p = typical()
    for path in ("3F00/7F10/6F3A", "3F00/7F10/6F3B", "3F00/7F10/6F40", "3F00/7F10/6F44",
                 "3F00/7F10/6F4A", "3F00/7F10/6F4B"):
        file_of(p, path)["records"] = {}
    write("empty-phonebook", p, "every book and extension file empty")

    p = typical()
    fdn = Book()
    for r in range(1, 61):
        fdn.add(r, f"FDN {r}", f"0301000{r:03d}")
    f = file_of(p, "3F00/7F10/6F3B")
    f["recordCount"] = 60
    f["records"] = fdn.json()
    file_of(p, "3F00/7F10/6F4B")["records"] = {}
    write("fdn-60", p, "EF FDN of 60 records, all in use")

    p = typical()
    file_of(p, "3F00/2FE2")["data"] = hexs(iccid("89490200001234567890"))
    write("iccid-20", p, "20-digit ICCID 89490200001234567890")

    write("not-a-sim", {
        "atr": "3B 6E 00 00 80 31 80 66 B0 84 0C 01 6E 01 83 00 90 00",
        "answerAll": "6E 00",
        "files": [],
    }, "a smart card that is no SIM: every command is answered 6E 00 (class not supported)")

    for name, profile, note in usim_profiles.profiles(sys.modules[__name__]):
        write(name, profile, note)


if __name__ == "__main__":
    main()
