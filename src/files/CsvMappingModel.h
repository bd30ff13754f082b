#pragma once

#include "shell/UserInterface.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The rows of the CSV mapping dialog: one per field of the file's first line,
// a check box, the field's text and the phone-book field it is mapped to.
// The dialog's widgets show this and report the user's actions to it.
//
// Rules: the name and the number are on one row each, row 0 and row 1 unless
// the header named others, and a contact's further numbers, e-mail addresses,
// second name and a last name (joined to the name) start on the rows the
// header names. A row is ticked when it is mapped. The name and number rows
// cannot be unticked; unticking another row drops its mapping. Ticking a row
// (or double-clicking it, or the change button) asks the field-choice dialog:
//  - name or number moves that mapping to the row (swapping the two when it
//    was the other one's row; a last name goes with the name it was beside,
//    so moving the name drops it);
//  - a second name or a last name moves to the row (there is one of each);
//  - a further number or an e-mail address is added (there may be several,
//    taken in row order);
//  - "none" (nothing chosen) unmaps the row, unless it holds the name or number.
class CsvMappingModel
{
public:
    enum class Field
    {
        None,
        Name,
        Number,
        ExtraNumber,
        Email,
        SecondName,
        LastName,
    };

    // The name and number start on the rows given (the columns the file's
    // header names), 0 and 1 unless told otherwise.
    explicit CsvMappingModel(std::vector<std::string> fields, unsigned nameField = 0,
                             unsigned numberField = 1);
    // Every field as the request brings it (the header's columns).
    explicit CsvMappingModel(const UserInterface::CsvMappingRequest& request);

    std::size_t rowCount() const { return m_rows.size(); }
    const std::string& text(std::size_t row) const { return m_rows.at(row).text; }
    Field field(std::size_t row) const;
    // The second column's text: string 99 "Name", 100 "Number", "Number 2"..
    // for further numbers and "E-mail 1".. for e-mail addresses in row order
    // (as the CSV export names its columns), "Second name", "Last name", or empty.
    std::string fieldText(std::size_t row) const;
    bool isChecked(std::size_t row) const { return field(row) != Field::None; }

    unsigned nameField() const { return m_nameField; }
    unsigned numberField() const { return m_numberField; }
    // The mapping as the import takes it.
    void fill(UserInterface::CsvMappingRequest& request) const;

    // The row the change button works on (the last one selected).
    void select(std::size_t row);
    std::size_t selectedRow() const { return m_selected; }

    // The user ticked or unticked a row's box. true: the field-choice dialog is
    // to be opened for the row (and its answer given to choose()).
    bool setChecked(std::size_t row, bool checked);
    // The field-choice dialog answered for `row`.
    void choose(std::size_t row, Field answer);

    // The field-choice dialog's text: string 129 with the row's text.
    std::string choicePrompt(std::size_t row) const;

private:
    struct Row
    {
        std::string text;
        Field field = Field::None; // never Name or Number: those are the two indexes
    };
    // The rows holding a field, in row order.
    std::vector<unsigned> rowsOf(Field field) const;
    std::optional<unsigned> rowOf(Field field) const;
    void clearField(Field field);

    std::vector<Row> m_rows;
    unsigned m_nameField = 0;
    unsigned m_numberField = 1;
    std::size_t m_selected = 0;
};
