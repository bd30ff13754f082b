#include "ui/DocumentState.h"

#include <QTest>

class TestDocumentState : public QObject
{
    Q_OBJECT

private slots:
    // The window tests see a file in a folder, a card in a named reader and
    // nothing open; these are the cases they do not reach.
    void texts_data()
    {
        QTest::addColumn<BookSource>("source");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("status");
        QTest::newRow("file without folder")
            << BookSource::File << "work.phn" << "Phonara - [ work.phn ]" << "40/*";
        QTest::newRow("card, reader unknown")
            << BookSource::Card << "" << "Phonara - [SIM card]" << "40/250";
    }

    void texts()
    {
        QFETCH(BookSource, source);
        QFETCH(QString, path);
        QFETCH(QString, title);
        QFETCH(QString, status);
        DocumentState state;
        state.bookSource = source;
        state.currentPath = path.toStdString();
        QCOMPARE(QString::fromStdString(windowTitleFor(state, "")), title);
        QCOMPARE(QString::fromStdString(statusTextFor(state, 40, 250)), status);
    }
};

QTEST_GUILESS_MAIN(TestDocumentState)
#include "TestDocumentState.moc"
