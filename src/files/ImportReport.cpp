#include "files/ImportReport.h"

#include "shell/Strings.h"
#include "shell/UserInterface.h"

namespace {
constexpr int kImportedSkipped =
    kImportSummaryTextId;        // "Imported %u contacts from %s; %u were skipped:"
constexpr int kReasonLine = 311; // "- %u %s: %s"
constexpr int kReasonTexts[kSkipReasonCount] = {
    312, // "without a number"
    313, // "with text that could not be read"
    314, // "with a number that cannot be dialled"
    761, // "numbers or e-mail addresses beyond what one contact holds"
    762, // "lines that could not be understood"
    763, // "that did not fit into the phone book"
    764, // "cut off by the end of the file (imported as far as they went)"
    765, // "with a name too long for the book (imported, shortened)"
};
constexpr int kPlace = 315;   // "line %u"
constexpr int kAndMore = 316; // "and %u more"

std::size_t indexOf(SkipReason reason)
{
    return static_cast<std::size_t>(reason);
}

std::string placeText(const SkippedEntry& entry)
{
    std::string text = formatResString(kPlace, entry.place);
    if (!entry.name.empty() || !entry.detail.empty()) {
        text += " (" + entry.name;
        if (!entry.detail.empty()) {
            text += (entry.name.empty() ? "" : ": ") + entry.detail;
        }
        text += ")";
    }
    return text;
}
} // namespace

void ImportReport::skip(SkipReason reason, uint32_t place, std::string name, std::string detail)
{
    Reason& slot = m_reasons[indexOf(reason)];
    ++slot.count;
    if (slot.listed.size() < kListed) {
        slot.listed.push_back(SkippedEntry{place, std::move(name), std::move(detail)});
    }
}

void ImportReport::merge(const ImportReport& other)
{
    for (std::size_t i = 0; i < kSkipReasonCount; ++i) {
        Reason& mine = m_reasons[i];
        mine.count += other.m_reasons[i].count;
        for (const SkippedEntry& entry : other.m_reasons[i].listed) {
            if (mine.listed.size() < kListed) {
                mine.listed.push_back(entry);
            }
        }
    }
    m_imported += other.m_imported;
}

uint32_t ImportReport::skipped(SkipReason reason) const
{
    return m_reasons[indexOf(reason)].count;
}

uint32_t ImportReport::skippedTotal() const
{
    uint32_t total = 0;
    for (const Reason& reason : m_reasons) {
        total += reason.count;
    }
    return total;
}

const std::vector<SkippedEntry>& ImportReport::listed(SkipReason reason) const
{
    return m_reasons[indexOf(reason)].listed;
}

std::string ImportReport::text(const std::string& fileName) const
{
    if (!skippedAny()) {
        return {};
    }
    std::string text =
        formatResString(kImportedSkipped, m_imported, fileName.c_str(), skippedTotal());
    for (std::size_t i = 0; i < kSkipReasonCount; ++i) {
        const Reason& reason = m_reasons[i];
        if (reason.count == 0) {
            continue;
        }
        std::string places;
        for (const SkippedEntry& entry : reason.listed) {
            places += (places.empty() ? "" : ", ") + placeText(entry);
        }
        if (reason.count > reason.listed.size()) {
            places += (places.empty() ? "" : ", ") +
                      formatResString(kAndMore,
                                      static_cast<unsigned>(reason.count - reason.listed.size()));
        }
        text += "\n" + formatResString(kReasonLine, reason.count,
                                       resString(kReasonTexts[i]).c_str(), places.c_str());
    }
    return text;
}

void tellImportSummary(UserInterface& ui, const std::string& path, const ImportReport& report)
{
    if (!report.skippedAny()) {
        return;
    }
    UserInterface::Message message;
    message.id = kImportSummaryTextId;
    const std::size_t slash = path.rfind('/');
    message.text = report.text(slash == std::string::npos ? path : path.substr(slash + 1));
    message.icon = UserInterface::Icon::Warning;
    ui.message(message);
}
