#include "CardTestSupport.h"

#include "shell/Log.h"

#include <QDir>
#include <QFile>

namespace {

void setChv(vsim::Chv& chv, const QByteArray& code, int tries, const QByteArray& unblock,
            int unblockTries)
{
    chv.initialised = true;
    chv.code = vsim::secretField(code);
    chv.unblock = vsim::secretField(unblock);
    chv.maxTries = 3;
    chv.tries = tries;
    chv.maxUnblockTries = 10;
    chv.unblockTries = unblockTries;
}

TransmitSpy g_spy;

LONG spyTransmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE send, DWORD sendLength,
                 SCARD_IO_REQUEST* receivePci, LPBYTE receive, LPDWORD receiveLength)
{
    g_spy.sendProtocol = sendPci != nullptr ? sendPci->dwProtocol : 0;
    g_spy.sendHeaderLength = sendPci != nullptr ? sendPci->cbPciLength : 0;
    g_spy.receiveLength = receiveLength != nullptr ? *receiveLength : 0;
    g_spy.receiveHeaderGiven = receivePci != nullptr;
    return vsim::pcsc::SCardTransmit(card, sendPci, send, sendLength, receivePci, receive,
                                     receiveLength);
}

QString logPath()
{
    return QDir::home().filePath(QStringLiteral("VM_Phonar.log"));
}

} // namespace

std::shared_ptr<vsim::SimCard> buildSim(const SimShape& shape)
{
    auto card = std::make_shared<vsim::SimCard>();
    card->addFile(QStringLiteral("3F00/2FE2"), vsim::FileKind::Transparent)->data = shape.iccid;
    card->addFile(QStringLiteral("3F00/7F20"), vsim::FileKind::Dedicated);
    if (shape.spn)
        card->addFile(QStringLiteral("3F00/7F20/6F46"), vsim::FileKind::Transparent)->data =
            *shape.spn;
    vsim::CardFile* adn = card->addFile(QStringLiteral("3F00/7F10/6F3A"), vsim::FileKind::Linear);
    adn->recordLength = shape.adnRecordLength;
    for (int i = 0; i < shape.adnRecords; ++i)
        adn->records.append(QByteArray(shape.adnRecordLength, char(0xFF)));
    setChv(card->chv(1), shape.pin1, shape.pin1Tries, shape.puk1, shape.puk1Tries);
    card->chv(1).enabled = shape.pin1Enabled;
    setChv(card->chv(2), shape.pin2, shape.pin2Tries, shape.puk2, shape.puk2Tries);
    return card;
}

PcscApi virtualPcscApi()
{
    PcscApi api;
    vsim::pcsc::install(api);
    return api;
}

PcscApi spyingPcscApi()
{
    PcscApi api = virtualPcscApi();
    api.SCardTransmit = &spyTransmit;
    return api;
}

TransmitSpy& lastTransmit()
{
    return g_spy;
}

void openTestLog()
{
    static bool opened = false;
    if (opened)
        return;
    QFile file(logPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write("5");
    file.close();
    opened = openLog("Phonar") == 1;
}

QString testLogText()
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll());
}

bool sentWithPrefix(const QByteArray& prefix)
{
    for (const QByteArray& command : virtualPcsc().commands())
        if (command.startsWith(prefix))
            return true;
    return false;
}

std::shared_ptr<vsim::SimCard> insertTestProfile(const QString& profile, QString* error)
{
    return virtualPcsc().insertProfile(
        QStringLiteral("Reader A"), QStringLiteral(PHONARA_TEST_DATA "/cards/%1.json").arg(profile),
        error);
}

vsim::Fault faultAt(const QByteArray& prefix, uint16_t statusWord)
{
    vsim::Fault fault;
    fault.commandPrefix = prefix;
    fault.action = statusWord != 0 ? vsim::Fault::Action::StatusWord : vsim::Fault::Action::Remove;
    fault.statusWord = statusWord;
    return fault;
}

bool connectDirect(const PcscApi& api, SCARDCONTEXT& context, SCARDHANDLE& card)
{
    DWORD protocol = 0;
    return api.SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) ==
               SCARD_S_SUCCESS &&
           api.SCardConnect(context, "Reader A", SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0, &card,
                            &protocol) == SCARD_S_SUCCESS;
}

void CardFixture::reset(std::function<int(CardSession&)> transfer)
{
    virtualPcsc().reset();
    m_session = std::make_unique<CardSession>(m_api);
    m_ui = std::make_unique<ScriptedUserInterface>();
    m_book = BookState{};
    m_host = std::make_unique<CardHost>(CardHost{*m_ui, m_book, [this, transfer](CardSession& s) {
                                                     if (s.transferDirection == Transfer::Read)
                                                         m_book.bookSource = BookSource::Card;
                                                     return transfer ? transfer(s) : 0;
                                                 }});
}

std::shared_ptr<vsim::SimCard> CardFixture::insert(const SimShape& shape, const QString& reader)
{
    m_card = buildSim(shape);
    virtualPcsc().addReader(reader);
    virtualPcsc().insertCard(reader, m_card);
    return m_card;
}

QString CardFixture::firstMessage() const
{
    return m_ui->messages.empty() ? QString() : QString::fromStdString(m_ui->messages.front().text);
}

QList<int> CardFixture::messageIds() const
{
    QList<int> ids;
    for (int id : m_ui->messageIds())
        ids.append(id);
    return ids;
}
