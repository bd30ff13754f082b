#include "VCardClipboard.h"

#include "files/ImportReport.h"
#include "files/VCardFile.h"
#include "phonebook/PhoneBook.h"

#include <QMimeData>

#include <memory>

QByteArray vCardOfRows(const PhoneBook& book, const std::vector<bool>& selected)
{
    auto picked = std::make_unique<PhoneBook>();
    for (uint32_t row = 0; row < book.contactCount() && row < selected.size(); ++row) {
        if (selected[row])
            picked->append(book.contacts[row]);
    }
    return QByteArray::fromStdString(vCardBytes(*picked, VCardVersion::V40));
}

int pasteVCardContacts(PhoneBook& book, const QMimeData* mime)
{
    if (mime == nullptr || !mime->hasFormat(kVCardMimeType))
        return 0;
    const QByteArray cards = mime->data(kVCardMimeType);
    auto pasted = std::make_unique<PhoneBook>();
    ImportReport report;
    if (importVCardBytes(
            std::string_view(cards.constData(), static_cast<std::size_t>(cards.size())), *pasted,
            VCardNumbers::PreferredOnly, report) != VCardLoad::Loaded)
        return 0;
    int added = 0;
    for (uint32_t i = 0; i < pasted->contactCount(); ++i) {
        Contact contact = pasted->contacts[i];
        contact.sequence = book.takeSequence();
        book.append(contact);
        ++added;
    }
    return added;
}
