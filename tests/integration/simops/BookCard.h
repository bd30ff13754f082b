#pragma once

// A virtual SIM with every book the transfer uses, in one reader, and the
// program-side objects a transfer works on. Record lengths differ per file
// (ADN 28, FDN 30, LND 32, MSISDN 26, EXT 13) so that a READ RECORD command
// names its file by its length byte.

#include "CardTestSupport.h"
#include "ScriptedUserInterface.h"

#include "card/flows/CardSession.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"
#include "simops/CardTransfer.h"
#include "simops/PhoneBookWrite.h"

#include <QByteArray>
#include <QList>
#include <QTest>

#include <memory>

inline const QString kReader = QStringLiteral("Reader A");

// Hex text with blanks, padded with FF up to `length` bytes.
inline QByteArray hexRecord(const char* hex, int length)
{
    QByteArray bytes = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    if (bytes.size() < length)
        bytes.append(QByteArray(length - bytes.size(), char(0xFF)));
    return bytes;
}

inline QByteArray freeRecord(int length)
{
    return QByteArray(length, char(0xFF));
}

struct CardLayout
{
    int adnRecords = 10;
    int fdnRecords = 3;
    int lndRecords = 3;
    int msisdnRecords = 2; // 0: no EF MSISDN
    int ext1Records = 10;
    int ext2Records = 5;
};

struct BookCard
{
    std::shared_ptr<vsim::SimCard> sim;
    vsim::CardFile* adn = nullptr;
    vsim::CardFile* fdn = nullptr;
    vsim::CardFile* lnd = nullptr;
    vsim::CardFile* msisdn = nullptr;
    vsim::CardFile* ext1 = nullptr;
    vsim::CardFile* ext2 = nullptr;

    QByteArray record(const char* path, int number) const
    {
        return sim->record(QString::fromLatin1(path), number);
    }
};

inline vsim::CardFile* addRecords(vsim::SimCard& sim, const char* path, vsim::FileKind kind,
                                  int length, int count)
{
    vsim::CardFile* file = sim.addFile(QString::fromLatin1(path), kind);
    file->recordLength = length;
    for (int i = 0; i < count; ++i)
        file->records.append(freeRecord(length));
    return file;
}

// PIN1 disabled, so a Read or Write asks for nothing but PIN2 (FDN update needs CHV2).
inline BookCard insertBookCard(const CardLayout& layout = {}, const QString& reader = kReader)
{
    SimShape shape;
    shape.adnRecords = layout.adnRecords;
    shape.pin1Enabled = false;
    BookCard card;
    card.sim = buildSim(shape);
    vsim::SimCard& sim = *card.sim;
    card.adn = sim.file(QStringLiteral("3F00/7F10/6F3A"));
    card.fdn = addRecords(sim, "3F00/7F10/6F3B", vsim::FileKind::Linear, 30, layout.fdnRecords);
    card.fdn->update = vsim::Access::Chv2;
    if (layout.msisdnRecords > 0)
        card.msisdn =
            addRecords(sim, "3F00/7F10/6F40", vsim::FileKind::Linear, 26, layout.msisdnRecords);
    card.lnd = addRecords(sim, "3F00/7F10/6F44", vsim::FileKind::Cyclic, 32, layout.lndRecords);
    card.ext1 = addRecords(sim, "3F00/7F10/6F4A", vsim::FileKind::Linear, 13, layout.ext1Records);
    card.ext2 = addRecords(sim, "3F00/7F10/6F4B", vsim::FileKind::Linear, 13, layout.ext2Records);
    virtualPcsc().addReader(reader);
    virtualPcsc().insertCard(reader, card.sim);
    return card;
}

inline Contact makeContact(const QByteArray& name, const char* number, uint8_t tonNpi = 0x81,
                           uint8_t ccp = 0xFF)
{
    Contact contact;
    contact.setName(std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
    contact.setNumber(number);
    contact.tonNpi = tonNpi;
    contact.ccp = ccp;
    return contact;
}

// The program around a transfer: session, tables, document state and the
// scripted user interface, joined by the transfer hook.
class TransferFixture
{
public:
    PcscApi api = virtualPcscApi();
    std::unique_ptr<CardSession> session;
    std::unique_ptr<PhoneBook> book;
    std::unique_ptr<SideBooks> sideBooks;
    std::unique_ptr<ScriptedUserInterface> ui;
    BookState state;
    // What the writes ask for beyond their mode (backups go to the test's own
    // data folder), and what the last write reported.
    WriteRequest request;
    WriteReport report;
    // The result of the last transfer the hook ran (-1: none ran): for a read,
    // 0 when it completed. The connect sequence may report a read as done when
    // a typed PIN made the book the card's before the transfer.
    int transferResult = -1;

    void reset()
    {
        virtualPcsc().reset();
        session = std::make_unique<CardSession>(api);
        book = std::make_unique<PhoneBook>();
        sideBooks = std::make_unique<SideBooks>();
        ui = std::make_unique<ScriptedUserInterface>();
        state = BookState{};
        request = WriteRequest{};
        report = WriteReport{};
        transferResult = -1;
    }

    bool run(Transfer scope)
    {
        CardTransferBooks books{*book, *sideBooks, state, &request, &report};
        TransferHook hook = makeCardTransferHook(books, *ui);
        CardHost host{*ui, state, [this, hook](CardSession& s) {
                          transferResult = hook(s);
                          return transferResult;
                      }};
        return connectToReader(*session, host, scope);
    }

    bool write(WriteMode mode)
    {
        state.writeMode = mode;
        return run(Transfer::Write);
    }

    void add(std::initializer_list<Contact> contacts)
    {
        for (const Contact& contact : contacts)
            book->append(contact);
    }

    QString lastMessage() const
    {
        return ui->messages.empty() ? QString() : QString::fromStdString(ui->messages.back().text);
    }

    QList<int> messageIds() const
    {
        QList<int> ids;
        for (int id : ui->messageIds())
            ids.append(id);
        return ids;
    }

    // Commands sent since the log was last cleared that start with `prefix` (hex).
    static int countSent(const char* prefix)
    {
        const QByteArray bytes = QByteArray::fromHex(QByteArray(prefix).replace(' ', ""));
        int count = 0;
        for (const QByteArray& command : virtualPcsc().commands())
            if (command.startsWith(bytes))
                ++count;
        return count;
    }
};
