"""The UICC profiles of this folder, written by make-profiles.py.

Laid out by hand after ETSI TS 102 221 (EF DIR, the USIM application
template) and 3GPP TS 31.102 (ADF USIM, DF PHONEBOOK with EF PBR and the files
it names), independently of the program's own code:

- EF PBR: one record per set of phone-book files. Constructed TLVs A8 (type 1
  files: one record per ADN record), A9 (type 2 files: reached through EF IAP)
  and AA (type 3 files: reached through an identifier in another record). Inside
  them C0 ADN, C1 IAP, C2 EXT1, C3 SNE, C4 ANR, C5 PBC, C6 GRP, C9 UID, CA EMAIL,
  each with the file id and, when length 3, its SFI. FF fills the record.
- EF ADN and EF EXT1 as on a SIM (see make-profiles.py).
- EF IAP: one byte per type 2 file, in the order A9 lists them: the record
  number in that file, FF for none.
- EF ANR, type 1: AAS record id (00: none), length of the BCD number, TON/NPI,
  10 BCD bytes, CCP1 id, EXT1 record id (15 bytes); FF throughout when unused.
- EF EMAIL, type 2: the address in the SMS default alphabet ('@' is 00),
  padded with FF, then the ADN file's SFI and the ADN record number.
- EF SNE, type 1: a second name coded like an ADN alpha identifier.
- EF PBC (2 bytes), EF UID (2 bytes), EF GRP (group ids) are 00 when unused;
  EF PSC, EF CC and EF PUID in DF PHONEBOOK hold the synchronisation counters.
"""

USIM_AID = "A0 00 00 00 87 10 02 FF 49 FF 05 89 00 00 01 FF"
ADF = "3F00/7FF0"  # ADF USIM; SELECT reaches it by AID or 7FFF, not by this id


def ef_dir_record(base, aid, label):
    aid_bytes = bytes.fromhex(aid.replace(" ", ""))
    body = bytes([0x4F, len(aid_bytes)]) + aid_bytes + bytes([0x50, len(label)]) + label.encode()
    return bytes([0x61, len(body)]) + body


def ust(*services):
    """USIM service table: service n is bit (n-1) % 8 of byte (n-1) // 8."""
    table = bytearray(4)
    for n in services:
        table[(n - 1) // 8] |= 1 << ((n - 1) % 8)
    return bytes(table)


def tlv_file(tag, fid, sfi=None):
    value = bytes([fid >> 8, fid & 0xFF]) + (bytes([sfi]) if sfi else b"")
    return bytes([tag, len(value)]) + value


def constructed(tag, *parts):
    body = b"".join(parts)
    return bytes([tag, len(body)]) + body


class PhoneBookSet:
    """The files of one EF PBR record; `files` maps a tag to (fid, sfi or None)."""

    def __init__(self, base, files, ext1, alpha=18, records=250, emails=50, email_length=32):
        self.base = base
        self.files = files
        self.ext1 = ext1
        self.records = records
        self.adn = base.Book(alpha + 14)
        self.sne = {}
        self.anr = {}
        self.iap = {}
        self.email = {}
        self.alpha = alpha
        self.emails = emails
        self.email_length = email_length
        self.uid = {}

    def add(self, record, name, number, second_number=None, email=None, second_name=None):
        base = self.base
        self.adn.add(record, name, number, self.ext1)
        self.uid[record] = bytes([0x00, len(self.uid) + 1])
        if second_number:
            self.anr[record] = self.anr_record(second_number)
        if second_name is not None:
            alpha = second_name if isinstance(second_name, bytes) else base.gsm(second_name)
            assert len(alpha) <= self.alpha
            self.sne[record] = alpha
        if email:
            n = len(self.email) + 1
            assert n <= self.emails
            text = base.gsm(email)
            assert len(text) <= self.email_length - 2, email
            adn_sfi = self.files[0xC0][1]
            self.email[n] = text + b"\xFF" * (self.email_length - 2 - len(text)) + \
                bytes([adn_sfi, record])
            self.iap[record] = bytes([n])

    def anr_record(self, number):
        ton = 0x91 if number.startswith("+") else 0x81
        digits = number.lstrip("+")
        main, rest = digits[:20], digits[20:]
        digits_bcd = self.base.bcd(main)
        ext = self.ext1.add_extension(rest) if rest else 0xFF
        return bytes([0x00, 1 + len(digits_bcd), ton]) + digits_bcd + \
            b"\xFF" * (10 - len(digits_bcd)) + bytes([0xFF, ext])

    def pbr_record(self, length=64):
        f = self.files
        type1 = [tlv_file(tag, *f[tag]) for tag in (0xC0, 0xC1, 0xC5, 0xC9, 0xC3, 0xC4, 0xC6)
                 if tag in f]
        type2 = [tlv_file(0xCA, *f[0xCA])] if 0xCA in f else []
        record = constructed(0xA8, *type1)
        if type2:
            record += constructed(0xA9, *type2)
        record += constructed(0xAA, tlv_file(0xC2, *f[0xC2]))
        assert len(record) <= length
        return record

    def json_files(self, folder):
        hexs = self.base.hexs

        def records(data):
            return {str(k): hexs(v) for k, v in sorted(data.items())}

        def linear(tag, length, data, count=None, fill=None):
            fid, sfi = self.files[tag]
            entry = {"path": f"{folder}/{fid:04X}", "kind": "linear", "recordLength": length,
                     "recordCount": count or self.records, "records": records(data)}
            if sfi:
                entry["sfi"] = sfi
            if fill:
                entry["fill"] = fill
            return entry

        out = [linear(0xC0, self.alpha + 14, self.adn.records)]
        if 0xC1 in self.files:
            out.append(linear(0xC1, 1, self.iap))
        if 0xC5 in self.files:
            out.append(linear(0xC5, 2, {}, fill="00 00"))
        if 0xC9 in self.files:
            out.append(linear(0xC9, 2, self.uid, fill="00 00"))
        if 0xC3 in self.files:
            out.append(linear(0xC3, self.alpha, self.sne))
        if 0xC4 in self.files:
            out.append(linear(0xC4, 15, self.anr))
        if 0xC6 in self.files:
            out.append(linear(0xC6, 10, {}, fill="00 00 00 00 00 00 00 00 00 00"))
        if 0xCA in self.files:
            out.append(linear(0xCA, self.email_length, self.email, count=self.emails))
        return out


def phonebook_df(base, folder, sets, ext1, ext1_fid=0x4F4A, ext1_records=20):
    """EF PBR, every set's files, the shared EXT1 and the synchronisation files."""
    hexs = base.hexs
    files = [{"path": f"{folder}/4F30", "kind": "linear", "recordLength": 64,
              "recordCount": len(sets),
              "records": {str(i): hexs(s.pbr_record()) for i, s in enumerate(sets, start=1)}}]
    for s in sets:
        files += s.json_files(folder)
    ext1_entry = {"path": f"{folder}/{ext1_fid:04X}", "kind": "linear", "recordLength": 13,
                  "recordCount": ext1_records, "records": ext1.json()}
    sfi = sets[0].files[0xC2][1]
    if sfi:
        ext1_entry["sfi"] = sfi
    files.append(ext1_entry)
    files += [
        {"path": f"{folder}/4F22", "kind": "transparent", "data": "00 00 00 07"},  # PSC
        {"path": f"{folder}/4F23", "kind": "transparent", "data": "00 2A"},  # CC
        {"path": f"{folder}/4F24", "kind": "transparent", "data": "00 00"},  # PUID
    ]
    return files


def uicc_common(base, phone_book_in_adf, extra_adf_files=()):
    """EF DIR, EF ICCID and ADF USIM with SPN, UST, MSISDN, FDN and EXT2."""
    hexs = base.hexs
    msisdn = base.Book(28)
    msisdn.add(1, "Eigene", "+491719876543")
    fdn = base.Book(28)
    fdn.add(1, "Notruf", "112")
    fdn.add(2, "Zuhause", "+49301234567")
    services = (1, 2, 3, 19, 21) if phone_book_in_adf else (2, 3, 19, 21)
    files = [
        {"path": "3F00/2F00", "kind": "linear", "recordLength": 32, "recordCount": 2, "sfi": 30,
         "records": {"1": hexs(ef_dir_record(base, USIM_AID, "USIM"))}},
        {"path": "3F00/2FE2", "kind": "transparent",
         "data": hexs(base.iccid("8949020000765432109"))},
        {"path": ADF, "kind": "adf", "aid": USIM_AID},
        {"path": f"{ADF}/6F46", "kind": "transparent", "data": hexs(base.spn("Phonara Mobile"))},
        {"path": f"{ADF}/6F38", "kind": "transparent", "data": hexs(ust(*services))},
        {"path": f"{ADF}/6F40", "kind": "linear", "recordLength": 28, "recordCount": 2,
         "records": msisdn.json()},
        {"path": f"{ADF}/6F3B", "kind": "linear", "recordLength": 28, "recordCount": 10,
         "records": fdn.json()},
        {"path": f"{ADF}/6F4B", "kind": "linear", "recordLength": 13, "recordCount": 5},
    ]
    return files + list(extra_adf_files)


CODES = {
    "chv1": {"code": "1234", "unblock": "12345678", "tries": 3, "unblockTries": 10,
             "enabled": True},
    "chv2": {"code": "5678", "unblock": "87654321", "tries": 3, "unblockTries": 10},
}

SET1_FILES = {0xC0: (0x4F3A, 0x01), 0xC1: (0x4F25, 0x05), 0xC5: (0x4F09, None),
              0xC9: (0x4F21, None), 0xC3: (0x4F19, None), 0xC4: (0x4F11, None),
              0xC6: (0x4F28, None), 0xCA: (0x4F50, 0x0B), 0xC2: (0x4F4A, 0x03)}
SET2_FILES = {0xC0: (0x4F3B, 0x02), 0xC1: (0x4F26, 0x06), 0xC5: (0x4F0A, None),
              0xC9: (0x4F2A, None), 0xC3: (0x4F1A, None), 0xC4: (0x4F12, None),
              0xC6: (0x4F29, None), 0xCA: (0x4F51, 0x0C), 0xC2: (0x4F4A, 0x03)}


def two_sets(base):
    ext1 = base.Book(13)
    first = PhoneBookSet(base, SET1_FILES, ext1)
    second = PhoneBookSet(base, SET2_FILES, ext1)
    first.add(1, "Anna Schmidt", "+491701234567", second_number="+4930123456",
              email="anna@example.org", second_name="Anni")
    first.add(2, "Bernd Köhler", "030123456", email="bernd_k@example.com")
    first.add(3, "José Muñoz", "+34612345678", second_name="Pepe")
    first.add(5, "Büro", "+49891234560", second_number="+49891234599")
    first.add(6, "Konferenz", "+4930123456789012345678",  # 22 digits: EXT1
              second_number="+44207946000012345678901")  # 23 digits: EXT1 from ANR
    first.add(9, base.ucs2_80("Иван"), "+74951234567", second_name=base.ucs2_80("Ваня"))
    first.add(250, "Zoé Letzter", "+33612345678", email="zoe@example.fr")
    second.add(1, "Kontakt 251", "+4930000251", second_number="0301000251",
               email="k251@example.net", second_name="Zweiter Satz")
    second.add(2, "Hotline lang", "0800123456789012345678901")
    second.add(100, "Mitte 350", "+4930000350", email="mitte@example.de")
    second.add(250, "Kontakt 500", "+4930000500", second_number="+4930000501")
    folder = f"{ADF}/5F3A"
    return {
        "kind": "uicc",
        **CODES,
        "files": uicc_common(base, True) + phonebook_df(base, folder, [first, second], ext1) +
        [{"path": "3F00/7F10", "kind": "df"}],
    }


def class00_only(base):
    """Global phone book under DF TELECOM, one set: ADN, EMAIL and ANR as type 1 files."""
    ext1 = base.Book(13)
    files = {0xC0: (0x4F3A, 0x01), 0xC5: (0x4F09, None), 0xC4: (0x4F11, None),
             0xCA: (0x4F50, 0x04), 0xC2: (0x4F4A, 0x03)}
    book = PhoneBookSet(base, files, ext1, alpha=14, records=100, emails=100, email_length=30)
    # Type 1 EMAIL: record n belongs to ADN record n; no SFI and record number follow.
    book.add(1, "Mutter", "0891234567", second_number="+491701112222")
    book.add(2, "Pizza Dante", "0401234567")
    book.add(4, "Taxi", "22456")
    book.add(100, "Zahnarzt", "0301234000", second_number="03012340099")
    type1_email = {1: base.gsm("mama@example.org"), 4: base.gsm("taxi@example.com")}
    out = book.json_files("3F00/7F10/5F3A")
    for entry in out:
        if entry["path"].endswith("/4F50"):
            entry["recordCount"] = 100
            entry["records"] = {str(k): base.hexs(v) for k, v in type1_email.items()}
    pbr = constructed(0xA8, tlv_file(0xC0, 0x4F3A, 0x01), tlv_file(0xC5, 0x4F09),
                      tlv_file(0xC4, 0x4F11), tlv_file(0xCA, 0x4F50, 0x04)) + \
        constructed(0xAA, tlv_file(0xC2, 0x4F4A, 0x03))
    phone_book = [{"path": "3F00/7F10/5F3A/4F30", "kind": "linear", "recordLength": 32,
                   "recordCount": 1, "records": {"1": base.hexs(pbr)}}] + out + [
        {"path": "3F00/7F10/5F3A/4F4A", "kind": "linear", "recordLength": 13,
         "recordCount": 10, "sfi": 3, "records": ext1.json()}]
    return {"kind": "uicc", "classes": ["00"], **CODES,
            "files": uicc_common(base, False) + phone_book}


def both_books(base):
    """Local USIM phone book in ADF USIM and a different classic EF ADN under DF TELECOM."""
    ext1 = base.Book(13)
    files = {0xC0: (0x4F3A, 0x01), 0xC4: (0x4F11, None), 0xC2: (0x4F4A, 0x02)}
    book = PhoneBookSet(base, files, ext1, alpha=14, records=50)
    book.add(1, "USIM Anna", "+491701234567", second_number="+4930123456")
    book.add(2, "USIM Bernd", "030123456")
    book.add(50, "USIM Letzter", "+4930000050")
    local = phonebook_df(base, f"{ADF}/5F3A", [book], ext1, ext1_records=5)
    classic = base.Book()
    classic_ext1 = base.Book(13)
    classic.add(1, "SIM Otto", "+491709998887")
    classic.add(2, "SIM Paula", "0897654321")
    classic.add(3, "SIM lang", "+4930987654321098765432", classic_ext1)
    telecom = [
        {"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 28, "recordCount": 100,
         "records": classic.json()},
        {"path": "3F00/7F10/6F4A", "kind": "linear", "recordLength": 13, "recordCount": 5,
         "records": classic_ext1.json()},
    ]
    return {"kind": "uicc", **CODES, "files": uicc_common(base, True) + local + telecom}


def with_pin1(profile, **state):
    profile["chv1"] = {**profile["chv1"], **state}
    return profile


def profiles(base):
    """(name, profile, comment) of every UICC profile."""
    return [
        ("usim-pin1-disabled", with_pin1(two_sets(base), enabled=False),
         "usim-two-sets with PIN1 disabled"),
        ("usim-pin1-blocked", with_pin1(two_sets(base), tries=0),
         "usim-two-sets with PIN1 blocked (0 tries), PUK1 12345678 with 10 tries left"),
        ("usim-two-sets", two_sets(base),
         "USIM (classes 00 and A0): local phone book in ADF USIM, EF PBR with two sets of "
         "250 ADN records each (ADN 4F3A and 4F3B), ANR and SNE type 1, EMAIL type 2 through "
         "IAP, PBC, UID, GRP, shared EXT1; 11 contacts, long numbers in EXT1; no EF ADN "
         "under DF TELECOM; PIN1 1234, PIN2 5678"),
        ("usim-class00-only", class00_only(base),
         "UICC answering class 00 only (A0 gets 6E 00): global phone book under "
         "DF TELECOM/DF PHONEBOOK, one set of 100 ADN with ANR and EMAIL type 1"),
        ("usim-both-books", both_books(base),
         "USIM with a local phone book (50 ADN, ANR) and a different classic EF ADN "
         "(3 entries) under DF TELECOM"),
    ]
