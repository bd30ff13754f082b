#include "ui/DocumentState.h"

#include <QTest>

class TestDocumentState : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<BookSource>("source");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("status");

        QTest::newRow("nothing open") << BookSource::Nothing << ""
                                      << ""
                                      << "Phonara"
                                      << "";
        QTest::newRow("file") << BookSource::File << "/home/anna/books/family.phn"
                              << ""
                              << "Phonara - [ family.phn ]"
                              << "40/*";
        QTest::newRow("file without folder") << BookSource::File << "work.phn"
                                             << ""
                                             << "Phonara - [ work.phn ]"
                                             << "40/*";
        QTest::newRow("card with reader") << BookSource::Card << ""
                                          << "Virtual Reader 00 00"
                                          << "Phonara - [SIM card] - Virtual Reader 00 00"
                                          << "40/250";
        QTest::newRow("card, reader unknown") << BookSource::Card << ""
                                              << ""
                                              << "Phonara - [SIM card]"
                                              << "40/250";
    }

    void texts()
    {
        QFETCH(BookSource, source);
        QFETCH(QString, path);
        QFETCH(QString, reader);
        QFETCH(QString, title);
        QFETCH(QString, status);

        DocumentState state;
        state.bookSource = source;
        state.currentPath = path.toStdString();
        QCOMPARE(QString::fromStdString(windowTitleFor(state, reader.toStdString())), title);
        QCOMPARE(QString::fromStdString(statusTextFor(state, 40, 250)), status);
    }
};

QTEST_GUILESS_MAIN(TestDocumentState)
#include "TestDocumentState.moc"
