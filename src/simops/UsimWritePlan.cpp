#include "simops/UsimWritePlan.h"

#include "phonebook/RecordCodec.h"

#include <algorithm>
#include <set>

namespace usim {
namespace {

std::vector<uint8_t> freeRecord(const FileImage& file)
{
    return std::vector<uint8_t>(static_cast<std::size_t>(file.recordLength), 0xFF);
}

uint8_t adnSfiOf(const SetImage& set)
{
    return set.adn.ref.shortFileId != 0 ? set.adn.ref.shortFileId : 0xFF;
}

int iapLinkOf(const SetImage& set, const FileImage& file, int r)
{
    if (!set.iap)
        return 0;
    const std::vector<uint8_t>& iap = set.iap->record(r);
    const int index = set.pbr.iapIndexOf(file.ref);
    if (index < 0 || static_cast<std::size_t>(index) >= iap.size())
        return 0;
    const uint8_t link = iap[static_cast<std::size_t>(index)];
    return link == kNoLink || link == 0 || link > file.recordCount ? 0 : link;
}

bool adnInUse(const FileImage& adn, int r)
{
    return !isFreeRecord(adn.record(r));
}

// Records of one file that kept contacts use, or that this plan has given out.
struct Allocation
{
    std::vector<bool> used;

    explicit Allocation(const FileImage& file)
        : used(static_cast<std::size_t>(file.recordCount) + 1)
    {
    }
    void mark(int r)
    {
        if (r > 0 && static_cast<std::size_t>(r) < used.size())
            used[static_cast<std::size_t>(r)] = true;
    }
    // The first free record, marked used; 0 when none is left.
    int take()
    {
        for (std::size_t r = 1; r < used.size(); ++r)
            if (!used[r]) {
                used[r] = true;
                return static_cast<int>(r);
            }
        return 0;
    }
};

class Planner
{
public:
    Planner(const BookImage& current, PlanMode mode) : m_current(current), m_mode(mode)
    {
        m_plan.target = current;
        for (const SetImage& set : current.sets) {
            m_kept.emplace_back(static_cast<std::size_t>(set.adn.recordCount) + 1, false);
            m_type2.emplace_back();
            for (const auto* files : {&set.anr, &set.email})
                for (const FileImage& file : *files)
                    m_type2.back().emplace_back(file);
            if (set.sne)
                m_type2.back().emplace_back(*set.sne);
        }
        if (current.ext1)
            m_ext1.emplace(*current.ext1);
        markKept();
    }

    Plan run(const std::vector<const Contact*>& contacts)
    {
        std::vector<std::pair<int, int>> slots; // (set, record)
        for (std::size_t s = 0; s < m_current.sets.size(); ++s)
            for (int r = 1; r <= m_current.sets[s].adn.recordCount; ++r)
                if (!m_kept[s][static_cast<std::size_t>(r)])
                    slots.emplace_back(static_cast<int>(s), r);
        if (m_mode == PlanMode::Replace && contacts.size() > slots.size()) {
            m_plan.tooMany = true;
            m_plan.target = m_current;
            return m_plan;
        }
        if (m_mode == PlanMode::Replace)
            for (const auto& [s, r] : slots)
                emptySlot(static_cast<std::size_t>(s), r);
        std::size_t next = 0;
        for (const Contact* contact : contacts) {
            if (next >= slots.size()) {
                ++m_plan.losses.contactsLeftOver;
                noteName(*contact);
                continue;
            }
            const auto [s, r] = slots[next++];
            fillSlot(static_cast<std::size_t>(s), r, *contact);
            ++m_plan.contactsPlaced;
        }
        return m_plan;
    }

private:
    // Records that kept contacts point at stay theirs.
    void markKept()
    {
        for (std::size_t s = 0; s < m_current.sets.size(); ++s) {
            const SetImage& set = m_current.sets[s];
            for (int r = 1; r <= set.adn.recordCount; ++r) {
                if (m_mode != PlanMode::Add || !adnInUse(set.adn, r))
                    continue;
                m_kept[s][static_cast<std::size_t>(r)] = true;
                if (const auto adn = parseNumberRecord(set.adn.record(r));
                    adn && adn->hasExtension() && m_ext1)
                    m_ext1->mark(adn->extensionRecord);
                std::size_t k = 0;
                for (const auto* files : {&set.anr, &set.email})
                    for (const FileImage& file : *files)
                        markFile(set, file, r, m_type2[s][k++]);
                if (set.sne)
                    markFile(set, *set.sne, r, m_type2[s][k++]);
            }
        }
    }

    void markFile(const SetImage& set, const FileImage& file, int r, Allocation& allocation)
    {
        const int target = file.isType2() ? iapLinkOf(set, file, r) : r;
        if (target == 0)
            return;
        allocation.mark(target);
        if (file.ref.tag == PbrTag::Anr && m_ext1)
            if (const auto anr = parseAnrRecord(file.record(target));
                anr && anr->extensionRecord != 0xFF)
                m_ext1->mark(anr->extensionRecord);
    }

    // Replace: everything the slot's old contact had goes.
    void emptySlot(std::size_t s, int r)
    {
        SetImage& set = m_plan.target.sets[s];
        const SetImage& old = m_current.sets[s];
        if (const auto adn = parseNumberRecord(old.adn.record(r));
            adn && adn->hasExtension() && m_plan.target.ext1 &&
            adn->extensionRecord <= m_plan.target.ext1->recordCount)
            setRecord(*m_plan.target.ext1, adn->extensionRecord, freeRecord(*m_plan.target.ext1));
        setRecord(set.adn, r, freeRecord(set.adn));
        for (std::size_t k = 0; k < set.anr.size(); ++k)
            emptyLinked(old, old.anr[k], set.anr[k], r);
        for (std::size_t k = 0; k < set.email.size(); ++k)
            emptyLinked(old, old.email[k], set.email[k], r);
        if (set.sne)
            emptyLinked(old, *old.sne, *set.sne, r);
        if (set.iap)
            setRecord(*set.iap, r, freeRecord(*set.iap));
    }

    void emptyLinked(const SetImage& old, const FileImage& oldFile, FileImage& file, int r)
    {
        const int target = file.isType2() ? iapLinkOf(old, oldFile, r) : r;
        if (target == 0)
            return;
        if (file.ref.tag == PbrTag::Anr && m_plan.target.ext1)
            if (const auto anr = parseAnrRecord(oldFile.record(target));
                anr && anr->extensionRecord != 0xFF &&
                anr->extensionRecord <= m_plan.target.ext1->recordCount)
                setRecord(*m_plan.target.ext1, anr->extensionRecord,
                          freeRecord(*m_plan.target.ext1));
        setRecord(file, target, freeRecord(file));
    }

    static void setRecord(FileImage& file, int r, std::vector<uint8_t> data)
    {
        file.records[static_cast<std::size_t>(r - 1)] = std::move(data);
    }

    void noteName(const Contact& contact)
    {
        const std::string name(contact.heldName());
        if (std::find(m_plan.losses.names.begin(), m_plan.losses.names.end(), name) ==
            m_plan.losses.names.end())
            m_plan.losses.names.push_back(name);
    }

    // An extension record for the digits past the 20th, or FF (and the number cut).
    uint8_t extensionFor(std::string_view number, bool& cut)
    {
        if (!needsExtension(number))
            return 0xFF;
        const int e = m_ext1 ? m_ext1->take() : 0;
        if (e == 0) {
            cut = true;
            return 0xFF;
        }
        FileImage& ext1 = *m_plan.target.ext1;
        setRecord(ext1, e,
                  buildExtensionRecord(static_cast<std::size_t>(ext1.recordLength),
                                       extensionDigits(number)));
        return static_cast<uint8_t>(e);
    }

    // The record of `file` that takes contact slot `r`'s value: r, or a free
    // type 2 record linked from the IAP. 0 when none is free.
    int recordFor(FileImage& file, Allocation& allocation, int r, std::vector<uint8_t>& iap,
                  const SetImage& set)
    {
        if (!file.isType2())
            return r;
        const int target = allocation.take();
        const int index = set.pbr.iapIndexOf(file.ref);
        if (target != 0 && index >= 0 && static_cast<std::size_t>(index) < iap.size())
            iap[static_cast<std::size_t>(index)] = static_cast<uint8_t>(target);
        return target;
    }

    void fillSlot(std::size_t s, int r, const Contact& contact)
    {
        SetImage& set = m_plan.target.sets[s];
        PlanLosses& losses = m_plan.losses;
        bool lost = false;
        std::vector<uint8_t> iap = set.iap ? freeRecord(*set.iap) : std::vector<uint8_t>();
        const uint8_t adnSfi = adnSfiOf(set);
        std::size_t k = 0;

        // Second numbers: one per ANR file.
        for (std::size_t a = 0; a < set.anr.size(); ++a, ++k) {
            FileImage& file = set.anr[a];
            if (a >= contact.extraNumbers.size()) {
                if (!file.isType2())
                    setRecord(file, r, freeRecord(file));
                continue;
            }
            const int target = recordFor(file, m_type2[s][k], r, iap, set);
            if (target == 0) {
                ++losses.extraNumbersDropped;
                lost = true;
                continue;
            }
            const ExtraNumber& extra = contact.extraNumbers[a];
            bool cut = false;
            const uint8_t ext = extensionFor(extra.number, cut);
            if (cut) {
                ++losses.numbersCut;
                lost = true;
            }
            setRecord(file, target,
                      buildAnrRecord(static_cast<std::size_t>(file.recordLength), extra.number,
                                     extra.tonNpi, ext, adnSfi, static_cast<uint8_t>(r),
                                     file.isType2()));
        }
        if (contact.extraNumbers.size() > set.anr.size()) {
            losses.extraNumbersDropped +=
                static_cast<int>(contact.extraNumbers.size() - set.anr.size());
            lost = true;
        }

        // E-mail addresses: one per EMAIL file.
        for (std::size_t m = 0; m < set.email.size(); ++m, ++k) {
            FileImage& file = set.email[m];
            if (m >= contact.emails.size()) {
                if (!file.isType2())
                    setRecord(file, r, freeRecord(file));
                continue;
            }
            const int target = recordFor(file, m_type2[s][k], r, iap, set);
            if (target == 0) {
                ++losses.emailsDropped;
                lost = true;
                continue;
            }
            const std::string& email = contact.emails[m];
            if (cardAlphaFromHeldName(email, 255).size() >
                textRoom(static_cast<std::size_t>(file.recordLength), file.isType2())) {
                ++losses.textsCut;
                lost = true;
            }
            setRecord(file, target,
                      buildTextRecord(static_cast<std::size_t>(file.recordLength), email, adnSfi,
                                      static_cast<uint8_t>(r), file.isType2()));
        }
        if (contact.emails.size() > set.email.size()) {
            losses.emailsDropped += static_cast<int>(contact.emails.size() - set.email.size());
            lost = true;
        }

        // The second name.
        if (set.sne) {
            FileImage& file = *set.sne;
            if (contact.secondName.empty()) {
                if (!file.isType2())
                    setRecord(file, r, freeRecord(file));
            } else if (const int target = recordFor(file, m_type2[s][k], r, iap, set);
                       target != 0) {
                if (cardAlphaFromHeldName(contact.secondName, 255).size() >
                    textRoom(static_cast<std::size_t>(file.recordLength), file.isType2())) {
                    ++losses.textsCut;
                    lost = true;
                }
                setRecord(file, target,
                          buildTextRecord(static_cast<std::size_t>(file.recordLength),
                                          contact.secondName, adnSfi, static_cast<uint8_t>(r),
                                          file.isType2()));
            } else {
                ++losses.secondNamesDropped;
                lost = true;
            }
        } else if (!contact.secondName.empty()) {
            ++losses.secondNamesDropped;
            lost = true;
        }

        if (set.iap)
            setRecord(*set.iap, r, iap);

        // The ADN record last: its extension first.
        bool cut = false;
        const std::string_view number = contact.numberText();
        const uint8_t ext = extensionFor(number, cut);
        if (cut) {
            ++losses.numbersCut;
            lost = true;
        }
        const std::size_t length = static_cast<std::size_t>(set.adn.recordLength);
        const std::size_t alphaLength = length - SimRecord::kFixedPartLength;
        setRecord(set.adn, r,
                  buildNumberRecord(length, cardAlphaFromHeldName(contact.heldName(), alphaLength),
                                    number, contact.tonNpi, contact.ccp, ext));
        if (lost)
            noteName(contact);
    }

    const BookImage& m_current;
    PlanMode m_mode;
    Plan m_plan;
    std::vector<std::vector<bool>> m_kept;
    std::vector<std::vector<Allocation>> m_type2; // per set: ANR..., EMAIL..., SNE
    std::optional<Allocation> m_ext1;
};

void collect(FileImage& before, const FileImage& after, bool adn, bool becomingFree,
             std::vector<RecordUpdate>& out)
{
    for (int r = 1; r <= after.recordCount; ++r) {
        const auto& want = after.record(r);
        if (want.empty() || want == before.record(r))
            continue;
        const bool freed = isFreeRecord(want);
        if (adn && freed != becomingFree)
            continue;
        out.push_back({&before, r, want, adn && freed});
    }
}

} // namespace

Plan planWrite(const BookImage& current, const std::vector<const Contact*>& contacts, PlanMode mode)
{
    return Planner(current, mode).run(contacts);
}

std::vector<RecordUpdate> updatesOf(BookImage& current, const Plan& plan)
{
    std::vector<RecordUpdate> updates;
    const BookImage& target = plan.target;
    for (std::size_t s = 0; s < target.sets.size(); ++s)
        collect(current.sets[s].adn, target.sets[s].adn, true, true, updates);
    if (target.ext1)
        collect(*current.ext1, *target.ext1, false, false, updates);
    for (const bool type2 : {true, false})
        for (std::size_t s = 0; s < target.sets.size(); ++s) {
            SetImage& before = current.sets[s];
            const SetImage& after = target.sets[s];
            const auto each = [&](FileImage& b, const FileImage& a) {
                if (a.isType2() == type2)
                    collect(b, a, false, false, updates);
            };
            for (std::size_t k = 0; k < after.anr.size(); ++k)
                each(before.anr[k], after.anr[k]);
            for (std::size_t k = 0; k < after.email.size(); ++k)
                each(before.email[k], after.email[k]);
            if (after.sne)
                each(*before.sne, *after.sne);
            if (!type2 && after.iap)
                collect(*before.iap, *after.iap, false, false, updates);
        }
    for (std::size_t s = 0; s < target.sets.size(); ++s)
        collect(current.sets[s].adn, target.sets[s].adn, true, false, updates);
    return updates;
}

} // namespace usim
