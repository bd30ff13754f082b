// The catalogue written at build time gives back every built-in text exactly,
// through the same reader the program uses, blanks, quotes and escapes included.

#include "shell/StringTable.h"
#include "shell/Strings.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void everyTextComesBackUnchanged()
    {
        QFile file(QStringLiteral(PHONARA_CATALOGUE));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        // One line per text: a missing id would fall back to the built-in
        // text and look right below.
        const QString content = QString::fromUtf8(file.readAll());
        const auto lines =
            QRegularExpression(QStringLiteral("^[0-9]+="), QRegularExpression::MultilineOption)
                .globalMatch(content);
        qsizetype count = 0;
        for (auto it = lines; it.hasNext(); it.next())
            ++count;
        QCOMPARE(count, static_cast<qsizetype>(builtInStrings().size()));

        QVERIFY(loadLanguageCatalogue(PHONARA_CATALOGUE));
        for (const BuiltInString& string : builtInStrings())
            QCOMPARE(QString::fromStdString(resString(string.id)), QString::fromUtf8(string.text));
        unloadLanguageLibrary();
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "TestCatalogue.moc"
