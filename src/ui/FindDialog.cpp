#include "FindDialog.h"

#include "AppContext.h"
#include "CentreWindow.h"
#include "FindReplace.h"
#include "MainWindow.h"
#include "phonebook/Cp1252.h"
#include "shell/Strings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {
constexpr int kNotFound = 42;
constexpr int kTitle = 60;
constexpr int kFindLabel = 61;
constexpr int kMatchCase = 62;
constexpr int kWholeWord = 63;
constexpr int kFindNext = 64;
constexpr int kReplaceText = 122;
constexpr int kReplaceLabel = 123;
constexpr int kReplaceAllText = 124;
constexpr int kInvalidNumber = 125;
constexpr int kCancelText = 2002;
constexpr int kFindLength = 99;
constexpr int kReplaceLength = 50;

QString text(int id)
{
    return QString::fromStdString(resString(id));
}

std::string utf8Of(const std::string& cp1252)
{
    return cp1252ToUnicode(cp1252).toStdString();
}
} // namespace

FindDialog::FindDialog(MainWindow& window) : QDialog(&window), m_window(window)
{
    setObjectName("FindDialog");
    FindState& state = processFindState();
    auto* grid = new QGridLayout(this);
    m_find = new QLineEdit(this);
    m_find->setObjectName("findEdit");
    m_find->setMaxLength(kFindLength);
    m_replace = new QLineEdit(this);
    m_replace->setObjectName("replaceEdit");
    m_replace->setMaxLength(kReplaceLength);
    m_matchCase = new QCheckBox(text(kMatchCase), this);
    m_matchCase->setObjectName("matchCase");
    m_wholeWord = new QCheckBox(text(kWholeWord), this);
    m_wholeWord->setObjectName("wholeWord");
    m_findNext = new QPushButton(text(kFindNext), this);
    m_findNext->setObjectName("findNextButton");
    m_findNext->setDefault(true);
    m_replaceOne = new QPushButton(text(kReplaceText), this);
    m_replaceOne->setObjectName("replaceButton");
    m_replaceAll = new QPushButton(text(kReplaceAllText), this);
    m_replaceAll->setObjectName("replaceAllButton");
    auto* cancel = new QPushButton(text(kCancelText), this);
    cancel->setObjectName("cancelButton");

    grid->addWidget(new QLabel(text(kFindLabel), this), 0, 0);
    grid->addWidget(m_find, 0, 1);
    grid->addWidget(m_findNext, 0, 2);
    grid->addWidget(new QLabel(text(kReplaceLabel), this), 1, 0);
    grid->addWidget(m_replace, 1, 1);
    grid->addWidget(m_replaceOne, 1, 2);
    grid->addWidget(m_matchCase, 2, 0, 1, 2);
    grid->addWidget(m_replaceAll, 2, 2);
    grid->addWidget(m_wholeWord, 3, 0, 1, 2);
    grid->addWidget(cancel, 3, 2);
    setWindowTitle(text(kTitle));
    centreWindow(this);

    m_findNext->setEnabled(false);
    m_replaceOne->setEnabled(false);
    m_replaceAll->setEnabled(false);
    m_matchCase->setChecked(state.matchCase);
    m_wholeWord->setChecked(state.wholeWord);
    connect(m_find, &QLineEdit::textChanged, this, &FindDialog::onFindChanged);
    connect(m_replace, &QLineEdit::textChanged, this, &FindDialog::onReplaceChanged);
    connect(m_matchCase, &QCheckBox::toggled, this,
            [](bool on) { processFindState().matchCase = on; });
    connect(m_wholeWord, &QCheckBox::toggled, this,
            [](bool on) { processFindState().wholeWord = on; });
    connect(m_findNext, &QPushButton::clicked, this, [this] { findNext(false); });
    connect(m_replaceOne, &QPushButton::clicked, this, [this] { findNext(true); });
    connect(m_replaceAll, &QPushButton::clicked, this, &FindDialog::replaceAll);
    connect(cancel, &QPushButton::clicked, this, &FindDialog::reject);
    m_find->setText(state.findText);
    onFindChanged();
    m_find->setFocus();
    state.position = -1;
}

void FindDialog::onFindChanged()
{
    processFindState().findText = m_find->text();
    m_findNext->setEnabled(!m_find->text().isEmpty());
    onReplaceChanged();
}

void FindDialog::onReplaceChanged()
{
    FindState& state = processFindState();
    state.replaceText = m_replace->text();
    const bool both = !state.findText.isEmpty() && !state.replaceText.isEmpty();
    m_replaceOne->setEnabled(both);
    m_replaceAll->setEnabled(both);
}

bool FindDialog::askInvalidNumber(const std::string& number)
{
    UserInterface::Message question;
    question.id = kInvalidNumber;
    question.text = formatResString(kInvalidNumber, utf8Of(number).c_str());
    question.buttons = UserInterface::Buttons::OkCancel;
    return m_window.app().ui.message(question) == UserInterface::Answer::Ok;
}

void FindDialog::notFound()
{
    m_window.app().ui.inform(kNotFound, processFindState().findText.toUtf8().constData());
}

void FindDialog::findNext(bool replace)
{
    AppContext& app = m_window.app();
    FindState& state = processFindState();
    const int selected = app.state.selectedIndex;
    const bool newText = state.findText.compare(state.previousFind, Qt::CaseInsensitive) != 0;
    if (newText && selected != -1)
        m_window.listView()->clearSelection();
    const FindOutcome outcome =
        findNextContact(app.book, state, selected, replace,
                        [this](const std::string& number) { return askInvalidNumber(number); });
    if (outcome.changed) {
        m_window.refillList();
        app.state.modified = true;
        emit m_window.documentChanged();
    }
    if (!outcome.found) {
        state.position = -1;
        notFound();
        return;
    }
    m_window.selectRow(outcome.row);
}

void FindDialog::replaceAll()
{
    AppContext& app = m_window.app();
    FindState& state = processFindState();
    bool replaced = false;
    const int changed = replaceAllContacts(
        app.book, state, [this](const std::string& number) { return askInvalidNumber(number); },
        &replaced);
    if (changed > 0) {
        const int selected = app.state.selectedIndex;
        m_window.refillList();
        m_window.selectRow(selected);
        app.state.modified = true;
        emit m_window.documentChanged();
    }
    if (!replaced)
        notFound();
}

void FindDialog::done(int result)
{
    processFindState().findText.clear();
    QDialog::done(result);
}
