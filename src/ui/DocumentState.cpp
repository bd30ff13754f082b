#include "DocumentState.h"

#include "shell/Strings.h"

namespace {
constexpr int kCardTitle = 44;
} // namespace

std::string fileTitleOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string windowTitleFor(const DocumentState& state, const std::string& readerName)
{
    switch (state.bookSource) {
    case BookSource::File:
        return "Phonara - [ " + fileTitleOf(state.currentPath) + " ]";
    case BookSource::Card:
    case BookSource::CancellingPin: {
        std::string title = resString(kCardTitle);
        if (!readerName.empty())
            title += " - " + readerName;
        return title;
    }
    default:
        break;
    }
    return "Phonara";
}

std::string statusTextFor(const DocumentState& state, unsigned contactCount,
                          unsigned cardRecordCount)
{
    switch (state.bookSource) {
    case BookSource::Card:
    case BookSource::CancellingPin:
        return std::to_string(contactCount) + "/" + std::to_string(cardRecordCount);
    case BookSource::File:
        return std::to_string(contactCount) + "/*";
    default:
        break;
    }
    return {};
}
