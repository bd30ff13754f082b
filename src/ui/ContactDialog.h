#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

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

    // A contact's second numbers, e-mail addresses and second name.
    struct Extras
    {
        QStringList numbers;
        QStringList emails;
        QString secondName;
    };
    // Edits for `extras` under the number, one per second number and e-mail
    // address and one for the second name. The e-mail addresses and the
    // second name count their room in the card's bytes, as the name does:
    // `emailLimit` and `secondNameLimit` bytes.
    void setExtras(const Extras& extras, int emailLimit, int secondNameLimit);
    // The texts of those edits as the user left them (empty ones included).
    Extras extras() const;

    void setAcceptFunction(AcceptFunction accept) { m_accept = std::move(accept); }

    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* numberEdit() const { return m_number; }

protected:
    void accept() override;

private:
    void onTextChanged();
    // Keeps `edit` to the characters that `limit` card bytes hold.
    void limitToCardBytes(QLineEdit* edit, int limit);
    QLineEdit* addEdit(const QString& label, const QString& text, const QString& objectName);

    Kind m_kind;
    int m_nameLimit;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_number = nullptr;
    QList<QLineEdit*> m_extraNumbers;
    QList<QLineEdit*> m_emails;
    QLineEdit* m_secondName = nullptr;
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
