#include "ContactListModel.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/CardAlpha.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/RecordCodec.h"
#include "phonebook/SideBooks.h"
#include "shell/Strings.h"

#include <QStringList>

namespace {
constexpr int kNameHeader = 99;
constexpr int kNumberHeader = 100;
constexpr int kMoreHeader = 1919;
} // namespace

ContactListModel::ContactListModel(PhoneBook& book, SideBooks& sideBooks, QObject* parent)
    : QAbstractTableModel(parent), m_book(book), m_sideBooks(sideBooks)
{
    m_rows = tableRows();
}

int ContactListModel::tableRows() const
{
    switch (m_kind) {
    case PhoneBookKind::LastDialled:
        return static_cast<int>(shownEntryCount(m_sideBooks.lnd.data(), m_sideBooks.lndCount));
    case PhoneBookKind::FixedDialling:
        return static_cast<int>(shownEntryCount(m_sideBooks.fdn.data(), m_sideBooks.fdnCount));
    case PhoneBookKind::PhoneBook:
        break;
    }
    return static_cast<int>(m_book.contactCount());
}

int ContactListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ContactListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ContactListModel::nameText(int row) const
{
    if (row < 0 || row >= m_rows)
        return {};
    switch (m_kind) {
    case PhoneBookKind::LastDialled:
        return entryNameToUnicode(m_sideBooks.lnd[row].name.view(),
                                  m_sideBooks.lnd[row].cardAlpha.view());
    case PhoneBookKind::FixedDialling:
        return entryNameToUnicode(m_sideBooks.fdn[row].name.view(),
                                  m_sideBooks.fdn[row].cardAlpha.view());
    case PhoneBookKind::PhoneBook:
        break;
    }
    return heldNameToUnicode(m_book.contacts[row].heldName());
}

QString ContactListModel::moreText(int row) const
{
    if (row < 0 || row >= m_rows || m_kind != PhoneBookKind::PhoneBook)
        return {};
    const Contact& contact = m_book.contacts[row];
    QStringList parts;
    for (const ExtraNumber& extra : contact.extras().extraNumbers)
        parts << cp1252ToUnicode(numberDisplayForm(extra.number));
    for (const std::string& email : contact.extras().emails)
        parts << heldNameToUnicode(email);
    if (!contact.extras().secondName.empty())
        parts << heldNameToUnicode(contact.extras().secondName);
    return parts.join(QStringLiteral("; "));
}

bool ContactListModel::hasMore() const
{
    if (m_kind != PhoneBookKind::PhoneBook)
        return false;
    for (int row = 0; row < m_rows; ++row) {
        const Contact& contact = m_book.contacts[row];
        if (!contact.extras().empty())
            return true;
    }
    return false;
}

QString ContactListModel::numberText(int row) const
{
    if (row < 0 || row >= m_rows)
        return {};
    std::string_view number;
    switch (m_kind) {
    case PhoneBookKind::LastDialled:
        number = m_sideBooks.lnd[row].number.view();
        break;
    case PhoneBookKind::FixedDialling:
        number = m_sideBooks.fdn[row].number.view();
        break;
    case PhoneBookKind::PhoneBook:
        number = m_book.contacts[row].numberText();
        break;
    }
    return cp1252ToUnicode(numberDisplayForm(number));
}

QVariant ContactListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case RowNumber:
        return QString::number(index.row() + 1);
    case Name:
        return nameText(index.row());
    case Number:
        return numberText(index.row());
    case More:
        return moreText(index.row());
    default:
        return {};
    }
}

QVariant ContactListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case RowNumber:
        return QStringLiteral("N");
    case Name:
        return QString::fromStdString(resString(kNameHeader));
    case Number:
        return QString::fromStdString(resString(kNumberHeader));
    case More:
        return QString::fromStdString(resString(kMoreHeader));
    default:
        return {};
    }
}

void ContactListModel::setShownBook(PhoneBookKind kind)
{
    m_kind = kind;
    refill();
}

void ContactListModel::refill()
{
    beginResetModel();
    m_rows = tableRows();
    endResetModel();
}

void ContactListModel::clearRows()
{
    beginResetModel();
    m_rows = 0;
    endResetModel();
}

void ContactListModel::rowsChanged(int first, int last)
{
    if (first > last)
        std::swap(first, last);
    first = qMax(first, 0);
    last = qMin(last, m_rows - 1);
    if (first <= last)
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}
