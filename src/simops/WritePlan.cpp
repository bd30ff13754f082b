#include "simops/WritePlan.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/RecordCodec.h"
#include "simops/UsimRecords.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

using Bytes = std::vector<uint8_t>;

// An extension record names the next one in its last byte.
int nextExtensionOf(const Bytes& extension)
{
    return extension.empty() ? SimRecord::kUnused : extension.back();
}

int extensionOf(const Bytes& record)
{
    return record.empty() ? SimRecord::kUnused : record.back();
}

class Planner
{
public:
    Planner(const CardBookImage& card, std::span<const Contact> contacts, PlanMode mode)
        : m_card(card), m_contacts(contacts), m_mode(mode), m_target(card.records.size()),
          m_kept(card.records.size(), true), m_keptReference(card.extensions.size() + 1, false),
          m_anyReference(card.extensions.size() + 1, false),
          m_taken(card.extensions.size() + 1, false)
    {
        m_plan.contactsGiven = static_cast<int>(contacts.size());
    }

    WritePlan run()
    {
        if (m_card.recordLength() < SimRecord::kFixedPartLength)
            return notPlaced();
        placeContacts();
        markReferences();
        giveExtensions();
        collectChanges();
        countLostContacts();
        return std::move(m_plan);
    }

private:
    struct Target
    {
        int contact = -1; // -1: the record is emptied (or kept when m_kept)
        Bytes record;
        int extension = 0;
        std::string cardAlpha;
    };

    WritePlan notPlaced()
    {
        for (int i = 0; i < m_plan.contactsGiven; ++i)
            m_plan.noRecord.push_back(i);
        return std::move(m_plan);
    }

    // Which record each contact goes to. Records that the mode rewrites are no
    // longer kept; their extension records may be given away.
    void placeContacts()
    {
        const int records = static_cast<int>(m_card.records.size());
        if (m_mode != PlanMode::Add)
            std::fill(m_kept.begin(), m_kept.end(), false);
        int next = 0; // index into the records
        for (int i = 0; i < m_plan.contactsGiven; ++i) {
            if (m_mode == PlanMode::Clear) {
                m_plan.noRecord.push_back(i);
                continue;
            }
            if (m_mode == PlanMode::Add) {
                while (next < records && !isFreeRecord(m_card.records[next]))
                    ++next;
            }
            if (next >= records) {
                m_plan.noRecord.push_back(i);
                continue;
            }
            m_target[next].contact = i;
            m_kept[next] = false;
            m_order.push_back(next);
            ++next;
        }
    }

    void markChain(int extension, std::vector<bool>& marks) const
    {
        const int count = static_cast<int>(m_card.extensions.size());
        // A chain longer than the file loops: stop where it comes back.
        for (int steps = 0; extension >= 1 && extension <= count && steps < count; ++steps) {
            if (marks[extension])
                return;
            marks[extension] = true;
            extension = nextExtensionOf(m_card.extensions[extension - 1]);
        }
    }

    void markReferences()
    {
        for (uint8_t extension : m_card.otherReferences) {
            markChain(extension, m_keptReference);
            markChain(extension, m_anyReference);
        }
        for (std::size_t r = 0; r < m_card.records.size(); ++r) {
            const int extension = extensionOf(m_card.records[r]);
            markChain(extension, m_anyReference);
            if (m_kept[r])
                markChain(extension, m_keptReference);
        }
    }

    bool takeable(int extension) const
    {
        return extension >= 1 && extension < static_cast<int>(m_taken.size()) &&
               !m_taken[extension] && !m_keptReference[extension] &&
               isReusableExtension(m_card.extensions[extension - 1]);
    }

    std::optional<int> freeExtension(bool referencedToo) const
    {
        for (int e = 1; e < static_cast<int>(m_taken.size()); ++e) {
            if (takeable(e) && (referencedToo || !m_anyReference[e]))
                return e;
        }
        return std::nullopt;
    }

    // Long numbers first keep the extension record their record names, so that
    // a contact written again where it already is changes nothing; the rest
    // take free ones, those nothing names before those this write releases.
    void giveExtensions()
    {
        std::vector<int> waiting;
        for (int r : m_order) {
            const Contact& contact = m_contacts[m_target[r].contact];
            if (!needsExtension(contact.numberText()))
                continue;
            const int own = extensionOf(m_card.records[r]);
            if (takeable(own)) {
                m_taken[own] = true;
                m_target[r].extension = own;
            } else {
                waiting.push_back(r);
            }
        }
        for (int r : waiting) {
            std::optional<int> extension = freeExtension(false);
            if (!extension)
                extension = freeExtension(true);
            if (!extension) {
                m_plan.noExtension.push_back(m_target[r].contact);
                m_target[r].contact = -1;
                continue;
            }
            m_taken[*extension] = true;
            m_target[r].extension = *extension;
        }
        // A contact without an extension record gives its record to the next
        // ones: close the gap by moving the later contacts up.
        if (!m_plan.noExtension.empty())
            closeGaps();
    }

    void closeGaps()
    {
        std::vector<int> placed;
        for (int r : m_order) {
            if (m_target[r].contact >= 0)
                placed.push_back(r);
        }
        std::vector<Target> moved(m_target.size());
        for (std::size_t k = 0; k < placed.size(); ++k)
            moved[m_order[k]] = m_target[placed[k]];
        for (std::size_t k = placed.size(); k < m_order.size(); ++k) {
            // Records no contact needs any more: an add leaves them as they were.
            if (m_mode == PlanMode::Add)
                m_kept[m_order[k]] = true;
        }
        m_order.resize(placed.size());
        m_target = std::move(moved);
    }

    void collectChanges()
    {
        const std::size_t length = m_card.recordLength();
        const std::size_t alphaLength = length - SimRecord::kFixedPartLength;
        for (std::size_t r = 0; r < m_card.records.size(); ++r) {
            if (m_kept[r])
                continue;
            const Bytes& before = m_card.records[r];
            Target& target = m_target[r];
            Bytes after;
            if (target.contact >= 0) {
                const Contact& contact = m_contacts[target.contact];
                bool cut = false;
                const std::string alpha =
                    cardAlphaFromHeldName(contact.heldName(), alphaLength, &cut);
                if (cut)
                    m_plan.cutNames.push_back(target.contact);
                if (!contact.extras().empty())
                    m_plan.extrasDropped.push_back(target.contact);
                const uint8_t extension = target.extension > 0
                                              ? static_cast<uint8_t>(target.extension)
                                              : SimRecord::kUnused;
                after = buildNumberRecord(length, alpha, contact.numberText(), contact.tonNpi,
                                          contact.ccp, extension);
                ++m_plan.contactsPlaced;
                if (target.extension > 0)
                    planExtension(target.extension, contact.numberText());
            } else {
                after = emptyRecord(length);
            }
            if (after == before) {
                if (target.contact >= 0)
                    ++m_plan.unchanged;
                continue;
            }
            // A free record that only loses stray bytes counts as nothing.
            if (!isFreeRecord(before))
                ++(target.contact >= 0 ? m_plan.changed : m_plan.removed);
            else if (target.contact >= 0)
                ++m_plan.added;
            m_plan.records.push_back({static_cast<int>(r) + 1, before, std::move(after),
                                      target.contact, target.extension, RecordKind::Contact, {}});
        }
        std::sort(m_plan.extensions.begin(), m_plan.extensions.end(),
                  [](const RecordChange& a, const RecordChange& b) { return a.record < b.record; });
        std::sort(m_plan.noRecord.begin(), m_plan.noRecord.end());
        std::sort(m_plan.noExtension.begin(), m_plan.noExtension.end());
        std::sort(m_plan.cutNames.begin(), m_plan.cutNames.end());
        std::sort(m_plan.extrasDropped.begin(), m_plan.extrasDropped.end());
    }

    void countLostContacts()
    {
        CardBookImage after = m_card;
        for (const RecordChange& change : m_plan.records)
            after.records[static_cast<std::size_t>(change.record) - 1] = change.after;
        for (const RecordChange& change : m_plan.extensions)
            after.extensions[static_cast<std::size_t>(change.record) - 1] = change.after;
        m_plan.contactsLost = contactsMissing(contactsOfImage(m_card), contactsOfImage(after));
    }

    void planExtension(int extension, std::string_view number)
    {
        const Bytes& before = m_card.extensions[extension - 1];
        Bytes after = buildExtensionRecord(before.size(), extensionDigits(number));
        if (after != before)
            m_plan.extensions.push_back(
                {extension, before, std::move(after), -1, 0, RecordKind::Extension, {}});
    }

    const CardBookImage& m_card;
    std::span<const Contact> m_contacts;
    PlanMode m_mode;
    std::vector<Target> m_target;      // per record
    std::vector<bool> m_kept;          // per record: the write leaves it alone
    std::vector<bool> m_keptReference; // per extension record (from 1)
    std::vector<bool> m_anyReference;
    std::vector<bool> m_taken;
    std::vector<int> m_order; // records that receive a contact, in contact order
    WritePlan m_plan;
};

std::string utf8Name(std::string_view held)
{
    return heldNameToUnicode(held).toStdString();
}

std::string describeRecord(const std::vector<uint8_t>& record)
{
    if (isFreeRecord(record))
        return "(empty)";
    const auto parsed = parseNumberRecord(record);
    if (!parsed)
        return "(unreadable)";
    std::string text =
        utf8Name(heldNameFromCardAlpha(parsed->alpha)) + " " + numberDisplayForm(parsed->number);
    if (parsed->hasExtension())
        text += ", EXT1 record " + std::to_string(parsed->extensionRecord);
    return text;
}

std::string describeExtension(const std::vector<uint8_t>& record)
{
    if (record.empty() || record.front() == SimRecord::kUnused)
        return "(free)";
    return "digits " + parseExtensionDigits(record);
}

std::string contactText(const Contact& contact)
{
    return utf8Name(contact.heldName()) + " " + numberDisplayForm(contact.numberText());
}

std::string describeBytes(const RecordChange& change, const std::vector<uint8_t>& record)
{
    switch (change.kind) {
    case RecordKind::Contact:
        return describeRecord(record);
    case RecordKind::Extension:
        return describeExtension(record);
    case RecordKind::SecondNumber: {
        const auto anr = usim::parseAnrRecord(record);
        if (!anr || anr->number.empty())
            return "(empty)";
        std::string text = numberDisplayForm(anr->number);
        if (anr->extensionRecord != SimRecord::kUnused)
            text += ", EXT1 record " + std::to_string(anr->extensionRecord);
        return text;
    }
    case RecordKind::Text:
    case RecordKind::LinkedText: {
        const std::string text =
            usim::parseTextRecord(record, change.kind == RecordKind::LinkedText);
        return text.empty() ? "(empty)" : utf8Name(text);
    }
    case RecordKind::Links:
        break;
    }
    std::string hex;
    for (const uint8_t byte : record) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        hex += (hex.empty() ? "" : " ");
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

// "record 5", "EXT1 record 2", "EMAIL 4F50 record 3".
std::string recordLabel(const RecordChange& change)
{
    std::string file = change.file;
    if (file.empty() && change.kind == RecordKind::Extension)
        file = "EXT1";
    return (file.empty() ? "" : file + " ") + "record " + std::to_string(change.record);
}

void listContacts(std::vector<std::string>& lines, const char* what, const std::vector<int>& which,
                  std::span<const Contact> contacts)
{
    for (int i : which)
        lines.push_back(what + contactText(contacts[i]));
}

// What makes two contacts the same one: every text the user sees, each
// prefixed with its length (held names may hold any byte).
std::string contactKey(const Contact& contact)
{
    std::string key;
    const auto add = [&key](std::string_view text) {
        key += std::to_string(text.size());
        key += ':';
        key += text;
    };
    add(contact.heldName());
    add(contact.numberText());
    key += static_cast<char>(contact.numberType);
    for (const ExtraNumber& extra : contact.extras().extraNumbers) {
        add(extra.number);
        key += static_cast<char>(extra.type);
    }
    key += '|';
    for (const std::string& email : contact.extras().emails)
        add(email);
    add(contact.extras().secondName);
    return key;
}

} // namespace

WritePlan planPhoneBookWrite(const CardBookImage& card, std::span<const Contact> contacts,
                             PlanMode mode)
{
    return Planner(card, contacts, mode).run();
}

std::vector<Contact> contactsOfImage(const CardBookImage& image)
{
    std::vector<Contact> contacts;
    for (const Bytes& record : image.records) {
        if (isFreeRecord(record))
            continue;
        const auto parsed = parseNumberRecord(record);
        if (!parsed)
            continue;
        Contact contact;
        contact.setName(heldNameFromCardAlpha(parsed->alpha));
        contact.tonNpi = parsed->tonNpi;
        contact.ccp = parsed->ccp;
        std::string number = parsed->number;
        const int extension = parsed->extensionRecord;
        if (parsed->hasExtension() && extension >= 1 &&
            extension <= static_cast<int>(image.extensions.size()))
            number += parseExtensionDigits(image.extensions[extension - 1]);
        contact.setNumber(number);
        contacts.push_back(contact);
    }
    return contacts;
}

int contactsMissing(std::span<const Contact> before, std::span<const Contact> after)
{
    std::map<std::string, int> onCard;
    for (const Contact& contact : after)
        ++onCard[contactKey(contact)];
    int missing = 0;
    for (const Contact& contact : before) {
        int& copies = onCard[contactKey(contact)];
        if (copies > 0)
            --copies;
        else
            ++missing;
    }
    return missing;
}

std::vector<std::string> describePlan(const WritePlan& plan, std::span<const Contact> contacts)
{
    std::vector<std::string> lines;
    for (const RecordChange& change : plan.records) {
        std::string after = change.contact < 0 ? describeBytes(change, change.after)
                                               : contactText(contacts[change.contact]);
        if (change.extension > 0)
            after += ", EXT1 record " + std::to_string(change.extension);
        lines.push_back(recordLabel(change) + ": " + describeBytes(change, change.before) +
                        " -> " + after);
    }
    for (const RecordChange& change : plan.extensions)
        lines.push_back(recordLabel(change) + ": " + describeBytes(change, change.before) +
                        " -> " + describeBytes(change, change.after));
    listContacts(lines, "not written, no free record: ", plan.noRecord, contacts);
    listContacts(lines, "not written, no free extension record: ", plan.noExtension, contacts);
    listContacts(lines, "name cut to fit the record: ", plan.cutNames, contacts);
    listContacts(lines, "e-mail address cut to fit its record: ", plan.cutEmails, contacts);
    listContacts(lines, "second name cut to fit its record: ", plan.cutSecondNames, contacts);
    listContacts(lines, "written without its second numbers, e-mails and second name: ",
                 plan.extrasDropped, contacts);
    listContacts(lines, "written without part of what it holds: ", plan.partsLost, contacts);
    return lines;
}
