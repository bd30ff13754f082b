#pragma once

#include "SimCard.h"
#include "VirtualPcsc.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

// The state behind the in-process PC/SC functions and their Control object.
namespace vsim::pcsc::detail {

struct Reader
{
    QString name;
    std::shared_ptr<SimCard> card;     // present card
    std::shared_ptr<SimCard> lastCard; // kept for inspection after a removal
    uint64_t insertion = 0;            // grows with every insertion
    int eventCount = 0;                // reported in the high word of dwEventState
};

struct Handle
{
    SCARDCONTEXT context = 0;
    QString reader;
    uint64_t insertion = 0;
    DWORD shareMode = SCARD_SHARE_SHARED;
    DWORD protocol = SCARD_PROTOCOL_T0;
};

struct State
{
    std::mutex mutex;
    std::condition_variable changed;
    uint64_t generation = 0; // bumped on every reader or card change
    std::vector<Reader> readers;
    std::set<SCARDCONTEXT> contexts;
    std::set<SCARDCONTEXT> cancelled;
    std::map<SCARDHANDLE, Handle> handles;
    uintptr_t nextId = 0x1000;
    LONG establishResult = SCARD_S_SUCCESS;
    QList<Exchange> log;

    Reader* reader(const QString& name)
    {
        for (Reader& r : readers) {
            if (r.name == name)
                return &r;
        }
        return nullptr;
    }
    void bump(Reader* r)
    {
        if (r)
            ++r->eventCount;
        ++generation;
        changed.notify_all();
    }
    bool exclusiveElsewhere(const QString& name, SCARDHANDLE except) const
    {
        for (const auto& [id, h] : handles) {
            if (id != except && h.reader == name && h.shareMode == SCARD_SHARE_EXCLUSIVE)
                return true;
        }
        return false;
    }
    int users(const QString& name, SCARDHANDLE except) const
    {
        int n = 0;
        for (const auto& [id, h] : handles)
            n += (id != except && h.reader == name) ? 1 : 0;
        return n;
    }
};

State& state();

} // namespace vsim::pcsc::detail
