#include "files/CsvMappingModel.h"

#include "shell/Strings.h"

namespace {
constexpr int kTextName = 99;
constexpr int kTextNumber = 100;
constexpr int kTextSelectField = 129;
} // namespace

CsvMappingModel::CsvMappingModel(std::vector<std::string> fields, unsigned nameField,
                                 unsigned numberField)
    : m_nameField(nameField), m_numberField(numberField)
{
    if (m_nameField == m_numberField) {
        m_nameField = 0;
        m_numberField = 1;
    }
    m_rows.reserve(fields.size());
    for (std::string& text : fields) {
        m_rows.push_back(Row{std::move(text), false});
    }
    for (const unsigned row : {m_nameField, m_numberField}) {
        if (row < m_rows.size()) {
            m_rows[row].checked = true;
        }
    }
}

CsvMappingModel::Field CsvMappingModel::field(std::size_t row) const
{
    if (row == m_nameField) {
        return Field::Name;
    }
    if (row == m_numberField) {
        return Field::Number;
    }
    return Field::None;
}

std::string CsvMappingModel::fieldText(std::size_t row) const
{
    switch (field(row)) {
    case Field::Name:
        return resString(kTextName);
    case Field::Number:
        return resString(kTextNumber);
    case Field::None:
        break;
    }
    return {};
}

void CsvMappingModel::select(std::size_t row)
{
    if (row < m_rows.size()) {
        m_selected = row;
    }
}

bool CsvMappingModel::setChecked(std::size_t row, bool checked)
{
    if (row >= m_rows.size()) {
        return false;
    }
    if (field(row) != Field::None) {
        // A mapped field stays ticked.
        m_rows[row].checked = true;
        return false;
    }
    m_rows[row].checked = checked;
    return checked;
}

void CsvMappingModel::choose(std::size_t row, Field answer)
{
    if (row >= m_rows.size()) {
        return;
    }
    const auto index = static_cast<unsigned>(row);
    if (answer == Field::None) {
        m_rows[row].checked = false;
        return;
    }
    unsigned& mine = answer == Field::Name ? m_nameField : m_numberField;
    unsigned& other = answer == Field::Name ? m_numberField : m_nameField;
    if (index == other) {
        // The two fields swap rows; both stay ticked.
        other = mine;
        if (other < m_rows.size()) {
            m_rows[other].checked = true;
        }
    } else if (mine != index && mine < m_rows.size()) {
        m_rows[mine].checked = false;
    }
    mine = index;
    m_rows[row].checked = true;
}

std::string CsvMappingModel::choicePrompt(std::size_t row) const
{
    return formatResString(kTextSelectField, row < m_rows.size() ? m_rows[row].text.c_str() : "");
}
