#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The rows of the CSV mapping dialog: one per field of the file's first line,
// a check box, the field's text and the phone-book field it is mapped to.
// The dialog's widgets show this and report the user's actions to it.
//
// Rules: the name field starts as row 0 and the number field as row 1 (or
// the rows the import recognised), both ticked; a mapped row cannot be unticked; ticking another row (or double-
// clicking a row, or the change button) asks the field-choice dialog, whose
// answer moves the name or number mapping to that row (swapping the two when
// it was the other one's row) or, for "none", unticks it.
class CsvMappingModel
{
public:
    enum class Field
    {
        None,
        Name,
        Number
    };

    // The name and number start on the rows given (the columns the file's
    // header names), 0 and 1 unless told otherwise.
    explicit CsvMappingModel(std::vector<std::string> fields, unsigned nameField = 0,
                             unsigned numberField = 1);

    std::size_t rowCount() const { return m_rows.size(); }
    const std::string& text(std::size_t row) const { return m_rows.at(row).text; }
    // What the second column shows: Name, Number or nothing.
    Field field(std::size_t row) const;
    // The second column's text: string 99 "Name", 100 "Number" or empty.
    std::string fieldText(std::size_t row) const;
    bool isChecked(std::size_t row) const { return m_rows.at(row).checked; }

    unsigned nameField() const { return m_nameField; }
    unsigned numberField() const { return m_numberField; }

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
        bool checked = false;
    };
    std::vector<Row> m_rows;
    unsigned m_nameField = 0;
    unsigned m_numberField = 1;
    std::size_t m_selected = 0;
};
