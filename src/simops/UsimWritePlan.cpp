#include "simops/UsimWritePlan.h"

#include "phonebook/RecordCodec.h"

#include <algorithm>
#include <cstdio>
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
            m_plan.slotContact.emplace_back(static_cast<std::size_t>(set.adn.recordCount) + 1, -1);
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
        WritePlan& summary = m_plan.summary;
        summary.contactsGiven = static_cast<int>(contacts.size());
        std::vector<std::pair<int, int>> slots; // (set, record)
        for (std::size_t s = 0; s < m_current.sets.size(); ++s)
            for (int r = 1; r <= m_current.sets[s].adn.recordCount; ++r)
                if (!m_kept[s][static_cast<std::size_t>(r)])
                    slots.emplace_back(static_cast<int>(s), r);
        if (m_mode == PlanMode::Replace)
            for (const auto& [s, r] : slots)
                emptySlot(static_cast<std::size_t>(s), r);
        std::size_t next = 0;
        for (m_index = 0; m_index < summary.contactsGiven; ++m_index) {
            if (next >= slots.size()) {
                summary.noRecord.push_back(m_index);
                continue;
            }
            const auto [s, r] = slots[next++];
            fillSlot(static_cast<std::size_t>(s), r, *contacts[static_cast<std::size_t>(m_index)]);
            m_plan.slotContact[static_cast<std::size_t>(s)][static_cast<std::size_t>(r)] = m_index;
            ++summary.contactsPlaced;
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
        const int target = file.isType2() ? set.linkedRecord(file, r) : r;
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
        const int target = file.isType2() ? old.linkedRecord(oldFile, r) : r;
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

    // The contact being placed, once, in `list`.
    void noteContact(std::vector<int>& list) const
    {
        if (list.empty() || list.back() != m_index)
            list.push_back(m_index);
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
        WritePlan& losses = m_plan.summary;
        bool lost = false;
        std::vector<uint8_t> iap = set.iap ? freeRecord(*set.iap) : std::vector<uint8_t>();
        const uint8_t adnSfi = adnSfiOf(set);
        std::size_t k = 0;

        // Second numbers: one per ANR file.
        for (std::size_t a = 0; a < set.anr.size(); ++a, ++k) {
            FileImage& file = set.anr[a];
            if (a >= contact.extras().extraNumbers.size()) {
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
            const ExtraNumber& extra = contact.extras().extraNumbers[a];
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
        if (contact.extras().extraNumbers.size() > set.anr.size()) {
            losses.extraNumbersDropped +=
                static_cast<int>(contact.extras().extraNumbers.size() - set.anr.size());
            lost = true;
        }

        // E-mail addresses: one per EMAIL file.
        for (std::size_t m = 0; m < set.email.size(); ++m, ++k) {
            FileImage& file = set.email[m];
            if (m >= contact.extras().emails.size()) {
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
            bool cut = false;
            setRecord(file, target,
                      buildTextRecord(static_cast<std::size_t>(file.recordLength),
                                      contact.extras().emails[m], adnSfi, static_cast<uint8_t>(r),
                                      file.isType2(), &cut));
            if (cut)
                noteContact(losses.cutEmails);
        }
        if (contact.extras().emails.size() > set.email.size()) {
            losses.emailsDropped +=
                static_cast<int>(contact.extras().emails.size() - set.email.size());
            lost = true;
        }

        // The second name.
        if (set.sne) {
            FileImage& file = *set.sne;
            if (contact.extras().secondName.empty()) {
                if (!file.isType2())
                    setRecord(file, r, freeRecord(file));
            } else if (const int target = recordFor(file, m_type2[s][k], r, iap, set);
                       target != 0) {
                bool cut = false;
                setRecord(file, target,
                          buildTextRecord(static_cast<std::size_t>(file.recordLength),
                                          contact.extras().secondName, adnSfi,
                                          static_cast<uint8_t>(r), file.isType2(), &cut));
                if (cut)
                    noteContact(losses.cutSecondNames);
            } else {
                ++losses.secondNamesDropped;
                lost = true;
            }
        } else if (!contact.extras().secondName.empty()) {
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
        bool nameCut = false;
        setRecord(set.adn, r,
                  buildNumberRecord(length,
                                    cardAlphaFromHeldName(contact.heldName(), alphaLength, &nameCut),
                                    number, contact.tonNpi, contact.ccp, ext));
        if (nameCut)
            noteContact(losses.cutNames);
        if (lost)
            noteContact(losses.partsLost);
    }

    const BookImage& m_current;
    PlanMode m_mode;
    Plan m_plan;
    int m_index = 0; // the contact being placed
    std::vector<std::vector<bool>> m_kept;
    std::vector<std::vector<Allocation>> m_type2; // per set: ANR..., EMAIL..., SNE
    std::optional<Allocation> m_ext1;
};

RecordKind kindOf(const FileImage& file)
{
    switch (file.ref.tag) {
    case PbrTag::Adn:
        return RecordKind::Contact;
    case PbrTag::Ext1:
        return RecordKind::Extension;
    case PbrTag::Anr:
        return RecordKind::SecondNumber;
    case PbrTag::Email:
    case PbrTag::Sne:
        return file.isType2() ? RecordKind::LinkedText : RecordKind::Text;
    default:
        return RecordKind::Links;
    }
}

std::string labelOf(const PbrFile& file)
{
    const char* name = "";
    switch (file.tag) {
    case PbrTag::Adn:
        name = "ADN";
        break;
    case PbrTag::Iap:
        name = "IAP";
        break;
    case PbrTag::Ext1:
        name = "EXT1";
        break;
    case PbrTag::Anr:
        name = "ANR";
        break;
    case PbrTag::Email:
        name = "EMAIL";
        break;
    case PbrTag::Sne:
        name = "SNE";
        break;
    default:
        name = "EF";
        break;
    }
    char label[16];
    std::snprintf(label, sizeof label, "%s %04X", name, file.fileId);
    return label;
}

// Collects the records of `after` that differ from `before`. For an ADN file
// (`slotContact` given) only those that become free, or only those that do
// not, and the contacts they receive.
class Collector
{
public:
    Collector(Plan& plan, std::vector<RecordUpdate>& out) : m_plan(plan), m_out(out) {}

    void adn(FileImage& before, const FileImage& after, const std::vector<int>& slotContact,
             bool becomingFree)
    {
        WritePlan& summary = m_plan.summary;
        for (int r = 1; r <= after.recordCount; ++r) {
            const auto& want = after.record(r);
            const auto& had = before.record(r);
            const int contact = slotContact[static_cast<std::size_t>(r)];
            if (want.empty() || isFreeRecord(want) != becomingFree)
                continue;
            if (want == had) {
                if (contact >= 0)
                    ++summary.unchanged;
                continue;
            }
            if (!isFreeRecord(had))
                ++(contact >= 0 ? summary.changed : summary.removed);
            else if (contact >= 0)
                ++summary.added;
            const int extension = want.back() != SimRecord::kUnused ? want.back() : 0;
            m_out.push_back({&before, r, want, becomingFree, contact});
            summary.records.push_back({r, had, want, contact, contact >= 0 ? extension : 0,
                                       RecordKind::Contact, labelOf(before.ref)});
        }
    }

    void other(FileImage& before, const FileImage& after)
    {
        for (int r = 1; r <= after.recordCount; ++r) {
            const auto& want = after.record(r);
            if (want.empty() || want == before.record(r))
                continue;
            m_out.push_back({&before, r, want, false, -1});
            m_plan.summary.extensions.push_back(
                {r, before.record(r), want, -1, 0, kindOf(before), labelOf(before.ref)});
        }
    }

private:
    Plan& m_plan;
    std::vector<RecordUpdate>& m_out;
};

} // namespace

std::string fileLabel(const PbrFile& file)
{
    return labelOf(file);
}

Plan planWrite(const BookImage& current, const std::vector<const Contact*>& contacts, PlanMode mode)
{
    Plan plan = Planner(current, mode).run(contacts);
    plan.summary.contactsLost = contactsMissing(contactsOf(current), contactsOf(plan.target));
    return plan;
}

std::vector<RecordUpdate> updatesOf(BookImage& current, Plan& plan)
{
    std::vector<RecordUpdate> updates;
    Collector collect(plan, updates);
    const BookImage& target = plan.target;
    for (std::size_t s = 0; s < target.sets.size(); ++s)
        collect.adn(current.sets[s].adn, target.sets[s].adn, plan.slotContact[s], true);
    if (target.ext1)
        collect.other(*current.ext1, *target.ext1);
    for (const bool type2 : {true, false})
        for (std::size_t s = 0; s < target.sets.size(); ++s) {
            SetImage& before = current.sets[s];
            const SetImage& after = target.sets[s];
            const auto each = [&](FileImage& b, const FileImage& a) {
                if (a.isType2() == type2)
                    collect.other(b, a);
            };
            for (std::size_t k = 0; k < after.anr.size(); ++k)
                each(before.anr[k], after.anr[k]);
            for (std::size_t k = 0; k < after.email.size(); ++k)
                each(before.email[k], after.email[k]);
            if (after.sne)
                each(*before.sne, *after.sne);
            if (!type2 && after.iap)
                collect.other(*before.iap, *after.iap);
        }
    for (std::size_t s = 0; s < target.sets.size(); ++s)
        collect.adn(current.sets[s].adn, target.sets[s].adn, plan.slotContact[s], false);
    return updates;
}

} // namespace usim
