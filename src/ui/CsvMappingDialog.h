#pragma once

#include "files/CsvMappingModel.h"

#include <QDialog>

class QRadioButton;
class QTableWidget;

// "Import CSV": which field of the file's first line holds the name and which
// the number. The rules live in CsvMappingModel; this shows them.
class CsvMappingDialog : public QDialog
{
    Q_OBJECT

public:
    CsvMappingDialog(std::vector<std::string> fields, unsigned nameField, unsigned numberField,
                     QWidget* owner);

    const CsvMappingModel& mapping() const { return m_model; }

private:
    void refreshRows();
    void onItemChanged(int row, int column);
    void askField(int row);

    CsvMappingModel m_model;
    QTableWidget* m_table = nullptr;
    bool m_refreshing = false;
};

// "Change map": the phone-book field for one text field.
class FieldChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    FieldChoiceDialog(const QString& prompt, QWidget* owner);

    // Name or Number when one was chosen and confirmed, else None.
    CsvMappingModel::Field answer() const;

private:
    QRadioButton* m_name = nullptr;
    QRadioButton* m_number = nullptr;
};
