#pragma once

#include "files/CsvMappingModel.h"

#include <QDialog>

#include <optional>
#include <utility>
#include <vector>

class QRadioButton;
class QTableWidget;

// "Import CSV": which field of the file's first line holds the name, the
// number, further numbers, e-mail addresses, the second name and a last name.
// The rules live in CsvMappingModel; this shows them.
class CsvMappingDialog : public QDialog
{
    Q_OBJECT

public:
    CsvMappingDialog(const UserInterface::CsvMappingRequest& request, QWidget* owner);

    const CsvMappingModel& mapping() const { return m_model; }

private:
    void refreshRows();
    void onItemChanged(int row, int column);
    void askField(int row);

    CsvMappingModel m_model;
    QTableWidget* m_table = nullptr;
    bool m_refreshing = false;
};

// "Change map": the phone-book field for one text field, the row's present
// one chosen at the start.
class FieldChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    FieldChoiceDialog(const QString& prompt, CsvMappingModel::Field current, QWidget* owner);

    // The field chosen and confirmed (None when none is chosen); nullopt when
    // cancelled.
    std::optional<CsvMappingModel::Field> answer() const;

private:
    std::vector<std::pair<QRadioButton*, CsvMappingModel::Field>> m_choices;
};
