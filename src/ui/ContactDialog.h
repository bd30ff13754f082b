#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QFormLayout;

class QLineEdit;
class QPushButton;
class UserInterface;

// The small modal dialog in which a contact is typed: Add Phone and Edit Phone
// for the phone book, and the Add/Edit dialog of a fixed-dialling or
// last-dialled entry. OK hands the texts to `accept`; when it refuses them
// (a wrong number) the dialog stays open.
class ContactDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Kind
    {
        AddPhone,
        EditPhone,
        SideAdd,
        SideEdit
    };
    using AcceptFunction = std::function<bool(const QString& name, const QString& number)>;

    // `nameLimit` is the name edit's limit for AddPhone and EditPhone.
    ContactDialog(Kind kind, int nameLimit, int icon, QWidget* owner);

    void setTexts(const QString& name, const QString& number);
    // Shows a contact's second numbers, e-mail addresses and second name
    // (`more`, parts joined by "; ") under the number; they stay as they are.
    // Nothing is shown for an empty text.
    void setMoreText(const QString& more);
    void setAcceptFunction(AcceptFunction accept) { m_accept = std::move(accept); }

    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* numberEdit() const { return m_number; }

protected:
    void accept() override;

private:
    void onTextChanged();

    Kind m_kind;
    int m_nameLimit;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_number = nullptr;
    QFormLayout* m_form = nullptr;
    QPushButton* m_ok = nullptr;
    AcceptFunction m_accept;
    bool m_adjusting = false;
};

// The entry record handed to the side-book dialog by the side panel.
struct SideEntryRecord
{
    enum Mode
    {
        Edit = 1,
        Add = 2
    };
    std::string name; // Windows-1252
    std::string number;
    int icon = 129;
    bool changed = false;
    int mode = Edit;
};

// Runs the side-book dialog on `record`: 1 after OK (the record's texts taken
// when they differ, `changed` set), 0 after Cancel. A wrong number is refused
// with "Wrong number!" through `ui` and the dialog stays open.
int runSideEntryDialog(QWidget* owner, SideEntryRecord* record, UserInterface& ui);
