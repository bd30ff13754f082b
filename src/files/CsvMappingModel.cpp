#include "files/CsvMappingModel.h"

#include "shell/Strings.h"

#include <algorithm>

namespace {
constexpr int kTextName = 99;
constexpr int kTextNumber = 100;
constexpr int kTextSelectField = 129;
constexpr int kTextNumberColumn = 320;     // "Number %u"
constexpr int kTextEmailColumn = 321;      // "E-mail %u"
constexpr int kTextSecondNameColumn = 322; // "Second name"
constexpr int kTextLastNameColumn = 334;   // "Last name"
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
        m_rows.push_back(Row{std::move(text), Field::None});
    }
}

CsvMappingModel::CsvMappingModel(const UserInterface::CsvMappingRequest& request)
    : CsvMappingModel(request.fields, request.nameField, request.numberField)
{
    const auto preset = [this](unsigned row, Field field) {
        if (row < m_rows.size() && this->field(row) == Field::None) {
            m_rows[row].field = field;
        }
    };
    for (const unsigned row : request.extraNumberFields) {
        preset(row, Field::ExtraNumber);
    }
    for (const unsigned row : request.emailFields) {
        preset(row, Field::Email);
    }
    if (request.secondNameField) {
        preset(*request.secondNameField, Field::SecondName);
    }
    if (request.lastNameField) {
        preset(*request.lastNameField, Field::LastName);
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
    return row < m_rows.size() ? m_rows[row].field : Field::None;
}

std::vector<unsigned> CsvMappingModel::rowsOf(Field field) const
{
    std::vector<unsigned> rows;
    for (unsigned row = 0; row < m_rows.size(); ++row) {
        if (this->field(row) == field) {
            rows.push_back(row);
        }
    }
    return rows;
}

std::optional<unsigned> CsvMappingModel::rowOf(Field field) const
{
    const std::vector<unsigned> rows = rowsOf(field);
    return rows.empty() ? std::nullopt : std::optional<unsigned>(rows.front());
}

void CsvMappingModel::clearField(Field field)
{
    for (Row& row : m_rows) {
        if (row.field == field) {
            row.field = Field::None;
        }
    }
}

std::string CsvMappingModel::fieldText(std::size_t row) const
{
    // The place of a row among the rows of its kind, from 1.
    const auto place = [this, row](Field field) {
        const std::vector<unsigned> rows = rowsOf(field);
        return static_cast<unsigned>(std::find(rows.begin(), rows.end(), row) - rows.begin()) + 1;
    };
    switch (field(row)) {
    case Field::Name:
        return resString(kTextName);
    case Field::Number:
        return resString(kTextNumber);
    case Field::ExtraNumber:
        // The contact's number is number 1.
        return formatResString(kTextNumberColumn, place(Field::ExtraNumber) + 1);
    case Field::Email:
        return formatResString(kTextEmailColumn, place(Field::Email));
    case Field::SecondName:
        return resString(kTextSecondNameColumn);
    case Field::LastName:
        return resString(kTextLastNameColumn);
    case Field::None:
        break;
    }
    return {};
}

void CsvMappingModel::fill(UserInterface::CsvMappingRequest& request) const
{
    request.nameField = m_nameField;
    request.numberField = m_numberField;
    request.extraNumberFields = rowsOf(Field::ExtraNumber);
    request.emailFields = rowsOf(Field::Email);
    request.secondNameField = rowOf(Field::SecondName);
    request.lastNameField = rowOf(Field::LastName);
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
    const Field mapped = field(row);
    if (mapped == Field::Name || mapped == Field::Number) {
        // The name and the number stay ticked.
        return false;
    }
    if (!checked) {
        m_rows[row].field = Field::None;
        return false;
    }
    return mapped == Field::None;
}

void CsvMappingModel::choose(std::size_t row, Field answer)
{
    if (row >= m_rows.size()) {
        return;
    }
    const auto index = static_cast<unsigned>(row);
    const Field was = field(row);
    if (answer == Field::Name || answer == Field::Number) {
        unsigned& mine = answer == Field::Name ? m_nameField : m_numberField;
        unsigned& other = answer == Field::Name ? m_numberField : m_nameField;
        if (index == mine) {
            return;
        }
        const bool nameMoves = answer == Field::Name || index == other;
        if (index == other) {
            // The two fields swap rows.
            other = mine;
        }
        mine = index;
        m_rows[row].field = Field::None;
        if (nameMoves) {
            clearField(Field::LastName);
        }
        return;
    }
    if (was == Field::Name || was == Field::Number) {
        // The name and the number are always somewhere: move them instead.
        return;
    }
    if (answer == Field::SecondName || answer == Field::LastName) {
        clearField(answer);
    }
    m_rows[row].field = answer;
}

std::string CsvMappingModel::choicePrompt(std::size_t row) const
{
    return formatResString(kTextSelectField, row < m_rows.size() ? m_rows[row].text.c_str() : "");
}
