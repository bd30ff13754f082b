#include "print/Appearance.h"
#include "shell/Config.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

class TestAppearance : public QObject
{
    Q_OBJECT

private:
    static void clearSettings()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, kCompanyName, kProductName).clear();
    }

    QTemporaryDir m_dir;
    QString m_picture;
    QString m_wallpaper;

    QString image(const QString& name, Qt::GlobalColor colour)
    {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(colour);
        const QString path = m_dir.filePath(name);
        picture.save(path);
        return path;
    }

private slots:
    void initTestCase()
    {
        m_picture = image("picture.png", Qt::red);
        m_wallpaper = image("wallpaper.jpg", Qt::blue);
    }

    void init() { clearSettings(); }

    void backgroundPicture_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("wallpaperReadable");
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing") << QString() << true << "";
        QTest::newRow("none") << "none" << true << "";
        QTest::newRow("file") << "picture.png" << true << "picture.png";
        QTest::newRow("wallpaper") << "wallpaper" << true << "wallpaper.jpg";
        // An unreadable wallpaper setting keeps the picture shown before.
        QTest::newRow("wallpaper unreadable") << "wallpaper" << false << "picture.png";
    }

    void backgroundPicture()
    {
        QFETCH(QString, setting);
        QFETCH(bool, wallpaperReadable);
        QFETCH(QString, shown);
        qputenv("PHONARA_WALLPAPER", wallpaperReadable ? m_wallpaper.toUtf8() : QByteArray());
        QTableView list;
        writeConfigText("Background Picture", m_picture.toStdString());
        applyBackgroundPicture(&list);
        if (setting.isNull())
            clearSettings();
        else
            writeConfigText("Background Picture", setting.contains('.')
                                                      ? m_dir.filePath(setting).toStdString()
                                                      : setting.toStdString());
        applyBackgroundPicture(&list);
        const QString expected = shown.isEmpty() ? QString() : m_dir.filePath(shown);
        // A missing setting shows no picture either.
        QCOMPARE(QString::fromStdString(currentBackgroundPicture(&list)),
                 setting.isNull() ? QString() : expected);
        if (setting == "wallpaper")
            QCOMPARE(readConfigText("Background Picture").value_or(""), std::string("wallpaper"));
    }

    void pictureIsPaintedCentred()
    {
        QTableView list;
        list.resize(300, 200);
        writeConfigText("Background Picture", m_picture.toStdString());
        applyBackgroundPicture(&list);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QImage shot = list.viewport()->grab().toImage();
        const QPoint centre = shot.rect().center();
        QCOMPARE(shot.pixelColor(centre), QColor(Qt::red));
        // Not tiled: the corners keep the list's own background.
        QVERIFY(shot.pixelColor(2, shot.height() - 3) != QColor(Qt::red));
    }

    // The setting is stored as 0x00BBGGRR.
    void textColour()
    {
        QTableView list;
        setListTextColor(&list, 0x123456u);
        QCOMPARE(list.palette().color(QPalette::Text), QColor(0x56, 0x34, 0x12));
        QCOMPARE(listTextColor(&list), 0x123456u);
    }

    void optionsDialogCheckBox()
    {
        qputenv("PHONARA_WALLPAPER", m_wallpaper.toUtf8());
        QTableView list;
        QWidget owner;
        {
            OptionsDialog dialog(&list, &owner);
            QCOMPARE(dialog.windowOpacity(), 245.0 / 255.0);
            // First run: nothing stored, so no picture and no Browse.
            QVERIFY(!dialog.pictureBox()->isChecked());
            QVERIFY(!dialog.browseButton()->isEnabled());
            dialog.pictureBox()->click();
            QVERIFY(dialog.browseButton()->isEnabled());
            QCOMPARE(currentBackgroundPicture(&list), m_wallpaper.toStdString());
            dialog.accept();
            QCOMPARE(readConfigText("Background Picture").value_or(""), std::string("wallpaper"));
        }
        OptionsDialog again(&list, &owner);
        QVERIFY(again.pictureBox()->isChecked());
        again.pictureBox()->click();
        QVERIFY(!again.browseButton()->isEnabled());
        QCOMPARE(readConfigText("Background Picture").value_or(""), std::string("none"));
        QCOMPARE(currentBackgroundPicture(&list), std::string());
    }
};

QTEST_MAIN(TestAppearance)
#include "TestAppearance.moc"
