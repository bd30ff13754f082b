// The USIM phone book on the in-process virtual UICC: what a Read brings from
// the profiles (laid out by hand after 3GPP TS 31.102, independently of the
// program), and what a Write leaves in the card's records, byte for byte.
#include "BookCard.h"

#include "phonebook/AlphaCodec.h"
#include "simops/UsimBook.h"
#include "simops/UsimRecords.h"

#include <QTest>

namespace {

const char* kSet1 = "3F00/7FF0/5F3A/";

QByteArray held(std::string_view text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

QByteArray joined(const Contact& contact)
{
    QByteArray out = held(contact.heldName()) + "|" + held(contact.numberText());
    for (const ExtraNumber& extra : contact.extras().extraNumbers)
        out += "|+n:" + QByteArray::fromStdString(extra.number);
    for (const std::string& email : contact.extras().emails)
        out += "|+m:" + QByteArray::fromStdString(email);
    if (!contact.extras().secondName.empty())
        out += "|+s:" + QByteArray::fromStdString(contact.extras().secondName);
    return out;
}

QByteArray path(const char* file)
{
    return QByteArray(kSet1) + file;
}

} // namespace

class TestUsimBook : public QObject
{
    Q_OBJECT

private:
    TransferFixture f;

    std::shared_ptr<vsim::SimCard> insert(const QString& profile)
    {
        QString error;
        auto card = virtualPcsc().insertProfile(
            kReader, QStringLiteral(PHONARA_TEST_DATA "/cards/%1.json").arg(profile), &error);
        if (!card)
            qWarning("%s", qPrintable(error));
        return card;
    }

    QByteArray record(const vsim::SimCard& card, const char* file, int number)
    {
        return card.record(QString::fromLatin1(path(file)), number).toHex(' ').toUpper();
    }

private slots:
    void initTestCase() { openTestLog(); }
    void init() { f.reset(); }

    // What phonara-cli's end-to-end read does not check: the same profiles are
    // read there, with most of their fields.
    void read_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<int>("contacts");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("expected");

        // Type 1 ANR and SNE, type 2 EMAIL through IAP.
        QTest::newRow("two sets: first contact of set 2")
            << "usim-two-sets" << 11 << 500 << 7
            << QByteArray("Kontakt 251|+4930000251|+n:0301000251|+m:k251@example.net|+s:"
                          "Zweiter Satz");
        QTest::newRow("PIN1 disabled")
            << "usim-pin1-disabled" << 11 << 500 << 6
            << QByteArray("Zo\xE9 Letzter|+33612345678|+m:zoe@example.fr");
        // Global phone book under DF TELECOM, EMAIL type 1, class 00 only.
        QTest::newRow("class 00 only") << "usim-class00-only" << 4 << 100 << 0
                                       << QByteArray("Mutter|0891234567|+n:+491701112222|+m:"
                                                     "mama@example.org");
        QTest::newRow("class 00 only: type 1 e-mail at record 4")
            << "usim-class00-only" << 4 << 100 << 2 << QByteArray("Taxi|22456|+m:taxi@example.com");
    }

    void read()
    {
        QFETCH(QString, profile);
        QFETCH(int, contacts);
        QFETCH(int, records);
        QFETCH(int, index);
        QFETCH(QByteArray, expected);
        QVERIFY(insert(profile));
        f.ui->queuePin("1234");

        f.run(Transfer::Read);
        QCOMPARE(f.transferResult, 0);
        QCOMPARE(f.session->identity.kind, CardKind::Uicc);
        QCOMPARE(f.book->contactCount(), uint32_t(contacts));
        QCOMPARE(f.session->adnRecordCount, records);
        QCOMPARE(joined(f.book->contacts[index]), expected);
        if (profile == QLatin1String("usim-two-sets")) // 0x80 UCS2 name and second name
            QCOMPARE(heldNameToUnicode(f.book->contacts[5].heldName()), QString::fromUtf8("Иван"));
    }

    void writeReplace()
    {
        auto card = insert(QStringLiteral("usim-two-sets"));
        QVERIFY(card);
        Contact eva = makeContact("Eva", "+4912345", 0x91);
        eva.editExtras().extraNumbers.push_back(
            {"030-1", 0x81, NumberType::None}); // written as 0301
        eva.editExtras().emails.push_back("eva@x.de");
        eva.editExtras().secondName = "Evi";
        f.book->append(eva);
        // A second name longer than its 18 bytes is cut before the '[' whose
        // escape pair would not fit, and the contact is named.
        Contact max = makeContact("Max", "112");
        max.editExtras().secondName = "Maximilian von Ha[b]";
        f.book->append(max);
        f.ui->queuePin("1234");

        QVERIFY(f.write(WriteMode::WriteAll));
        QCOMPARE(f.transferResult, 0);
        QVERIFY(f.ui->messages.back().text.find(
                    "E-mail addresses or second names cut to fit the card: Max") !=
                std::string::npos);
        QCOMPARE(record(*card, "4F19", 2),
                 QByteArray("4D 61 78 69 6D 69 6C 69 61 6E 20 76 6F 6E 20 48 61 FF"));
        QCOMPARE(record(*card, "4F3A", 1),
                 QByteArray("45 76 61 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"
                            " 05 91 94 21 43 F5 FF FF FF FF FF FF FF FF"));
        QCOMPARE(record(*card, "4F3A", 2),
                 QByteArray("4D 61 78 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"
                            " 03 81 11 F2 FF FF FF FF FF FF FF FF FF FF"));
        // ANR type 1: AAS 00, length, TON/NPI, digits, CCP, EXT1.
        QCOMPARE(record(*card, "4F11", 1),
                 QByteArray("00 03 81 30 10 FF FF FF FF FF FF FF FF FF FF"));
        QCOMPARE(record(*card, "4F19", 1),
                 QByteArray("45 76 69 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"));
        // EMAIL type 2: the first record (all old ones are free now), linked by IAP.
        QCOMPARE(record(*card, "4F25", 1), QByteArray("01"));
        QCOMPARE(record(*card, "4F50", 1),
                 QByteArray("65 76 61 00 78 2E 64 65 FF FF FF FF FF FF FF FF FF FF FF FF FF FF"
                            " FF FF FF FF FF FF FF FF 01 01"));
        QCOMPARE(record(*card, "4F25", 2), QByteArray("FF"));
        // Nothing of the old book stays: record 3, the old e-mails and EXT1 are free.
        QCOMPARE(record(*card, "4F3A", 3), freeRecord(32).toHex(' ').toUpper());
        QCOMPARE(record(*card, "4F50", 2), freeRecord(32).toHex(' ').toUpper());
        QCOMPARE(record(*card, "4F3B", 250), freeRecord(32).toHex(' ').toUpper());
        for (int e = 1; e <= 3; ++e)
            QCOMPARE(record(*card, "4F4A", e), freeRecord(13).toHex(' ').toUpper());

        // And it reads back as written.
        f.reset();
        virtualPcsc().insertCard(kReader, card);
        f.ui->queuePin("1234");
        f.run(Transfer::Read);
        QCOMPARE(f.book->contactCount(), 2u);
        QCOMPARE(joined(f.book->contacts[0]),
                 QByteArray("Eva|+4912345|+n:0301|+m:eva@x.de|+s:Evi"));
    }

    void writeAddKeepsWhatIsThere()
    {
        auto card = insert(QStringLiteral("usim-two-sets"));
        QVERIFY(card);
        // The records of the kept contacts and their e-mails.
        const auto kept = [&] {
            QList<QByteArray> records;
            for (const char* file : {"4F3A", "4F25", "4F11", "4F19"})
                for (int r : {1, 2, 3, 5, 6, 9, 250})
                    records << record(*card, file, r);
            for (int e = 1; e <= 3; ++e)
                records << record(*card, "4F50", e);
            return records;
        };
        const QList<QByteArray> before = kept();
        // A second name left behind at the free record 4 is not handed to Eva.
        card->file(QString::fromLatin1(path("4F19")))->records[3] =
            QByteArray("Old").leftJustified(18, char(0xFF));
        Contact eva = makeContact("Eva", "+4912345678901234567890123", 0x91);
        eva.editExtras().emails.push_back("eva@x.de");
        // A second number that cannot be dialled stops the write, naming it.
        eva.editExtras().extraNumbers.push_back({"030 12 AB", 0x81, NumberType::None});
        f.book->append(eva);
        f.ui->queuePin("1234");
        f.write(WriteMode::AddAll);
        QCOMPARE(f.transferResult, 1);
        QVERIFY(f.ui->messages.back().text.find("Eva (030 12 AB)") != std::string::npos);
        f.book->contacts[0].editExtras().extraNumbers.clear();
        f.ui->queuePin("1234");

        QVERIFY(f.write(WriteMode::AddAll));
        QCOMPARE(f.transferResult, 0);
        QCOMPARE(kept(), before);
        // The first free ADN record is 4, the first free e-mail record 4; the
        // extension goes to an EXT1 record that no kept contact names.
        QCOMPARE(record(*card, "4F25", 4), QByteArray("04"));
        QCOMPARE(record(*card, "4F19", 4), freeRecord(18).toHex(' ').toUpper());
        QCOMPARE(record(*card, "4F50", 4).right(5), QByteArray("01 04"));
        const QByteArray adn = record(*card, "4F3A", 4);
        QVERIFY2(adn.startsWith("45 76 61 FF"), adn.constData());
        const int ext = adn.right(2).toInt(nullptr, 16);
        QVERIFY(ext >= 1 && ext <= 20);
        // The number text counts its "+": 19 digits in the record, "890123" in EXT1.
        QCOMPARE(record(*card, "4F4A", ext), QByteArray("02 03 98 10 32 FF FF FF FF FF FF FF FF"));
    }

    // A UICC keeps the fixed dialling and own numbers in ADF USIM: they are
    // read from there, and a changed one is written back there after PIN2,
    // beside a USIM phone book that has nothing to change.
    void sideBooksInTheUsimApplication()
    {
        auto card = insert(QStringLiteral("usim-two-sets"));
        QVERIFY(card);
        f.ui->queuePin("1234");
        f.run(Transfer::Read);
        QCOMPARE(f.transferResult, 0);
        QCOMPARE(QByteArray(f.sideBooks->msisdn[0].name.c_str()), QByteArray("Eigene"));
        QCOMPARE(f.sideBooks->fdnCount, 10u);

        BookEntry& added = f.sideBooks->fdn[2];
        added.name.assign("Neu");
        added.number.assign("0301");
        added.tonNpi = 0x81;
        added.dirty = 1;
        // This card has no EF LND: a dialled number is not written, and the
        // user hears which book and file, not a bare error code.
        f.sideBooks->lnd[0].number.assign("0302");
        f.sideBooks->lnd[0].dirty = 1;
        f.ui->queuePin("5678");
        f.write(WriteMode::WriteAll);
        QCOMPARE(f.transferResult, 1);
        const auto& said = f.ui->messages;
        QVERIFY(std::any_of(said.begin(), said.end(), [](const auto& m) {
            return m.id == 827 && m.text.find("last numbers dialled were not written: EF LND "
                                              "(6F44)") != std::string::npos;
        }));
        QVERIFY(f.messageIds().contains(819));
        QCOMPARE(card->record(QStringLiteral("3F00/7FF0/6F3B"), 3).toHex(' ').toUpper(),
                 QByteArray("4E 65 75 FF FF FF FF FF FF FF FF FF FF FF 03 81 30 10 FF FF FF FF "
                            "FF FF FF FF FF FF"));
        QCOMPARE(card->record(QStringLiteral("3F00/7FF0/6F3B"), 1).left(6), QByteArray("Notruf"));
    }

    // With both phone books on the card, a write goes to the USIM one; the
    // older EF ADN and its EXT1 under DF TELECOM keep every byte.
    void bothBooksLeaveEfAdnAlone()
    {
        auto card = insert(QStringLiteral("usim-both-books"));
        QVERIFY(card);
        const auto classic = [&card] {
            QList<QByteArray> records;
            for (int r = 1; r <= 5; ++r)
                records << card->record(QStringLiteral("3F00/7F10/6F3A"), r)
                        << card->record(QStringLiteral("3F00/7F10/6F4A"), r);
            return records;
        };
        // A last dialled number that needs EXT1 too takes a record the older
        // phone book does not name.
        addRecords(*card, "3F00/7F10/6F44", vsim::FileKind::Cyclic, 28, 2);
        BookEntry& dialled = f.sideBooks->lnd[0];
        dialled.name.assign("Ruf");
        dialled.number.assign("9999999999888888888877777777");
        dialled.tonNpi = 0x81;
        dialled.recordIndex = 0;
        dialled.dirty = 1;
        QList<QByteArray> before = classic();
        before[3] = hexRecord("02 04 77 77 77 77", 13); // EXT1 record 2
        f.book->append(makeContact("Lang", "+4912345678901234567890123", 0x91));
        f.ui->queuePin("1234");
        QVERIFY(f.write(WriteMode::WriteAll));
        QCOMPARE(f.transferResult, 0);
        QCOMPARE(classic(), before);
        QVERIFY(card->record(QStringLiteral("3F00/7FF0/5F3A/4F3A"), 1).startsWith("Lang"));
    }

    // A type 2 second number of the usual 17 bytes ends with the SFI of its
    // contact's EF ADN and the contact's record number.
    void typeTwoAnrNamesItsContact()
    {
        const std::vector<uint8_t> anr =
            usim::buildAnrRecord(17, "0301", 0x81, 0xFF, 0x02, 5, true);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(anr.data()), qsizetype(anr.size()))
                     .toHex(' ')
                     .toUpper(),
                 QByteArray("00 03 81 30 10 FF FF FF FF FF FF FF FF FF FF 02 05"));
    }

    // EF PBR records as a card lays them out: each file's tag, id and link,
    // and which byte of an IAP record reaches each type 2 file.
    void pbrRecords_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("files"); // "broken": the record is refused
        QTest::newRow("two type 2 files")
            << QByteArray::fromHex(
                   "a80ac0034f3a01c4034f1102 a90aca034f5003c3034f4004 aa04c2024f4a ffff")
            << "C0 4F3A T1, C4 4F11 T1, CA 4F50 T2 iap 0, C3 4F40 T2 iap 1, C2 4F4A T3";
        QTest::newRow("no ADN file: no set") << QByteArray::fromHex("a805ca034f5003ffff") << "";
        QTest::newRow("a length past the record")
            << QByteArray::fromHex("a80ac0034f3a") << "broken";
    }

    void pbrRecords()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, files);
        const auto sets = usim::parsePbr({std::vector<uint8_t>(record.begin(), record.end())});
        QStringList found;
        for (const usim::PbrSet& set : sets.value_or(std::vector<usim::PbrSet>{})) {
            for (const usim::PbrFile& file : set.files) {
                QString text = QStringLiteral("%1 %2 t%3")
                                   .arg(int(file.tag), 2, 16, QChar('0'))
                                   .arg(file.fileId, 4, 16, QChar('0'))
                                   .arg(int(file.link) + 1)
                                   .toUpper();
                if (file.link == usim::Link::Type2)
                    text += QStringLiteral(" iap %1").arg(set.iapIndexOf(file));
                found << text;
            }
        }
        QCOMPARE(sets ? found.join(QStringLiteral(", ")) : QStringLiteral("broken"), files);
    }

    // The record of a type 2 file that an IAP record names: EMAIL is the
    // first type 2 file, SNE the second; each has 10 records.
    void iapLinks_data()
    {
        QTest::addColumn<QByteArray>("iap"); // IAP record 1
        QTest::addColumn<int>("email");
        QTest::addColumn<int>("sne");
        QTest::newRow("both linked") << QByteArray::fromHex("0307") << 3 << 7;
        QTest::newRow("unused, and past the file") << QByteArray::fromHex("ff0b") << 0 << 0;
        QTest::newRow("zero, and too short for SNE") << QByteArray::fromHex("00") << 0 << 0;
        QTest::newRow("empty record") << QByteArray() << 0 << 0;
    }

    void iapLinks()
    {
        QFETCH(QByteArray, iap);
        QFETCH(int, email);
        QFETCH(int, sne);
        usim::SetImage set;
        const auto file = [](usim::PbrTag tag, uint16_t id) {
            usim::FileImage image;
            image.ref = {tag, usim::Link::Type2, id, 0};
            image.recordCount = 10;
            return image;
        };
        const usim::FileImage emailFile = file(usim::PbrTag::Email, 0x4F50);
        const usim::FileImage sneFile = file(usim::PbrTag::Sne, 0x4F40);
        set.pbr.files = {emailFile.ref, sneFile.ref};
        set.iap = usim::FileImage{};
        set.iap->records = {std::vector<uint8_t>(iap.begin(), iap.end())};
        QCOMPARE(set.linkedRecord(emailFile, 1), email);
        QCOMPARE(set.linkedRecord(sneFile, 1), sne);
        QCOMPARE(set.linkedRecord(emailFile, 2), 0); // no IAP record 2
    }

    // EF PBR names an EMAIL file the card does not have: the book is read
    // without e-mails and the file named; a contact with an e-mail is not
    // written without it unless a partial write is asked for.
    void missingEmailFile()
    {
        auto card = insert(QStringLiteral("usim-two-sets"));
        QVERIFY(card);
        card->faults().append({QByteArray::fromHex("00A40004024F50"), 0,
                               vsim::Fault::Action::StatusWord, 0x6A82, 0, false, false});
        f.ui->queuePin("1234");
        f.run(Transfer::Read);
        QCOMPARE(f.transferResult, 0);
        QCOMPARE(f.book->contactCount(), 11u);
        QCOMPARE(joined(f.book->contacts[0]), QByteArray("Anna Schmidt|+491701234567|+n:"
                                                         "+4930123456|+s:Anni"));
        QVERIFY(f.ui->messages.back().text.find(": EMAIL 4F50.") != std::string::npos);

        const QByteArray free = record(*card, "4F3A", 4);
        f.reset();
        virtualPcsc().insertCard(kReader, card);
        Contact eva = makeContact("Eva", "+4912345", 0x91);
        eva.editExtras().emails.push_back("eva@x.de");
        f.book->append(eva);
        f.ui->queuePin("1234");
        f.write(WriteMode::AddAll);
        QCOMPARE(f.transferResult, 1);
        QCOMPARE(f.messageIds(), (QList<int>{1901, 817}));
        QCOMPARE(record(*card, "4F3A", 4), free);
    }

    void writeTooManyWritesNothing()
    {
        auto card = insert(QStringLiteral("usim-class00-only"));
        QVERIFY(card);
        const QByteArray first = card->record(QStringLiteral("3F00/7F10/5F3A/4F3A"), 1);
        for (int i = 0; i < 101; ++i)
            f.book->append(makeContact("N", "1"));
        f.ui->queuePin("1234");
        f.write(WriteMode::WriteAll);
        QCOMPARE(f.transferResult, 1);
        QCOMPARE(card->record(QStringLiteral("3F00/7F10/5F3A/4F3A"), 1), first);
        bool told = false;
        for (const auto& message : f.ui->messages)
            told = told || (message.id == 817 &&
                            message.text.find("100 of 101 contacts fit") != std::string::npos);
        QVERIFY(told);
    }
};

QTEST_GUILESS_MAIN(TestUsimBook)
#include "TestUsimBook.moc"
