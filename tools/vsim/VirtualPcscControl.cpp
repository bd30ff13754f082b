// The test-side controls of the in-process PC/SC: readers, cards, the log.
#include "CardProfile.h"
#include "VirtualPcsc.h"
#include "VirtualPcscState.h"

namespace vsim::pcsc {

using detail::Reader;
using detail::State;
using detail::state;

Control& Control::instance()
{
    static Control c;
    return c;
}

void Control::reset()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.readers.clear();
    s.contexts.clear();
    s.cancelled.clear();
    s.handles.clear();
    s.log.clear();
    s.establishResult = SCARD_S_SUCCESS;
    s.bump(nullptr);
}

void Control::addReader(const QString& name)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.reader(name))
        return;
    s.readers.push_back(Reader{name, nullptr, nullptr, 0, 0});
    s.bump(nullptr);
}

void Control::removeReader(const QString& name)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    std::erase_if(s.readers, [&](const Reader& r) { return r.name == name; });
    s.bump(nullptr);
}

QStringList Control::readers() const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    QStringList names;
    for (const Reader& r : s.readers)
        names << r.name;
    return names;
}

void Control::insertCard(const QString& reader, std::shared_ptr<SimCard> card)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    Reader* r = s.reader(reader);
    if (!r) {
        s.readers.push_back(Reader{reader, nullptr, nullptr, 0, 0});
        r = &s.readers.back();
    }
    card->reset();
    r->card = card;
    r->lastCard = card;
    ++r->insertion;
    s.bump(r);
}

std::shared_ptr<SimCard> Control::insertProfile(const QString& reader, const QString& profilePath,
                                                QString* error)
{
    std::shared_ptr<SimCard> card = loadProfile(profilePath, error);
    if (card)
        insertCard(reader, card);
    return card;
}

void Control::removeCard(const QString& reader)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    Reader* r = s.reader(reader);
    if (!r || !r->card)
        return;
    r->lastCard = r->card;
    r->card.reset();
    s.bump(r);
}

bool Control::cardPresent(const QString& reader) const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    const Reader* r = s.reader(reader);
    return r && r->card;
}

std::shared_ptr<SimCard> Control::card(const QString& reader) const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    const Reader* r = s.reader(reader);
    return r ? r->lastCard : nullptr;
}

void Control::setEstablishResult(LONG result)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.establishResult = result;
}

QList<Exchange> Control::log() const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.log;
}

QList<QByteArray> Control::commands() const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    QList<QByteArray> out;
    for (const Exchange& e : s.log)
        out << e.command;
    return out;
}

void Control::clearLog()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.log.clear();
}

int Control::openHandles() const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return int(s.handles.size());
}

int Control::openContexts() const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return int(s.contexts.size());
}

} // namespace vsim::pcsc
