#include "GuiHarness.h"

#include "phonebook/AlphaCodec.h"
#include "ui/ContactListModel.h"
#include "ui/PinDialog.h"
#include "vsim/VirtualPcsc.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

GuiHarness::GuiHarness()
{
    vsim::pcsc::Control::instance().reset();
    vsim::pcsc::install(api);
    app = std::make_unique<AppContext>(api);
    window = std::make_unique<MainWindow>(*app);
    app->ui.setOwner(window.get());
    app->ui.setMessageHook([this](const UserInterface::Message& message) {
        messages.push_back(message);
        if (message.buttons == UserInterface::Buttons::Ok)
            return std::optional(UserInterface::Answer::Ok);
        if (answers.empty())
            return std::optional(UserInterface::Answer::Cancel);
        const UserInterface::Answer answer = answers.front();
        answers.pop_front();
        return std::optional(answer);
    });
    app->ui.setFileHook([this](const UserInterface::FileDialogRequest& request) {
        fileRequests.push_back(request);
        std::string path;
        if (!files.empty()) {
            path = files.front();
            files.pop_front();
        }
        return std::optional(path);
    });
    window->show();
    QApplication::setActiveWindow(window.get());
    (void)QTest::qWaitForWindowActive(window.get());
}

GuiHarness::~GuiHarness()
{
    window.reset();
    if (app)
        endSession(app->session);
    app.reset();
    vsim::pcsc::Control::instance().reset();
}

bool GuiHarness::insertProfile(const QString& name)
{
    QString error;
    const QString path = QStringLiteral(PHONARA_TEST_DATA) + "/cards/" + name + ".json";
    return vsim::pcsc::Control::instance().insertProfile(kReader, path, &error) != nullptr;
}

void GuiHarness::answerPinWith(const QString& pin, QString* attemptsText)
{
    onNextDialog<PinDialog>([pin, attemptsText](PinDialog* dialog) {
        if (attemptsText) {
            if (auto* text = dialog->findChild<QLabel*>("explanation"))
                *attemptsText = text->text();
        }
        if (pin.isEmpty()) {
            QTest::mouseClick(dialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
            return;
        }
        QTest::keyClicks(dialog->findChild<QLineEdit*>("codeEdit"), pin);
        QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
}

bool GuiHarness::readCard(const QString& pin)
{
    answerPinWith(pin);
    window->runCommand(1017);
    return app->state.fromCard();
}

std::vector<int> GuiHarness::messageIds() const
{
    std::vector<int> ids;
    for (const auto& message : messages)
        ids.push_back(message.id);
    return ids;
}

QStringList GuiHarness::shownNames() const
{
    QStringList names;
    for (int row = 0; row < window->listModel()->rowCount(); ++row)
        names << window->listModel()->nameText(row);
    return names;
}

void GuiHarness::fillBook(std::initializer_list<std::pair<const char*, const char*>> rows)
{
    app->book.clear();
    for (const auto& [name, number] : rows) {
        Contact contact;
        contact.setName(name);
        contact.setNumber(number);
        contact.tonNpi = 0xA8;
        app->book.append(contact);
    }
    app->state.untitledList = true;
    window->refillList();
}

void GuiHarness::fillNames(const QStringList& names, const char* number)
{
    fillBook({});
    for (const QString& name : names) {
        Contact contact;
        contact.setName(encodeAlphaFromUnicode(name, 100));
        contact.setNumber(number);
        app->book.append(contact);
    }
    window->refillList();
}

void clearSettings()
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Velmora", "Phonara").clear();
}

QString copyOfTestData(const QString& relativePath, const QString& newName)
{
    const QString source = QStringLiteral(PHONARA_TEST_DATA) + "/" + relativePath;
    const QString target = qEnvironmentVariable("PHONARA_TEST_TMP") + "/" +
                           (newName.isEmpty() ? QFileInfo(source).fileName() : newName);
    QFile::remove(target);
    QFile::copy(source, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

QString writeTempFile(const QString& name, const QByteArray& contents)
{
    const QString path = qEnvironmentVariable("PHONARA_TEST_TMP") + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(contents);
    return path;
}
