#include "Appearance.h"

#include "shell/Config.h"
#include "shell/Log.h"
#include "shell/Strings.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QColorDialog>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QUrl>

namespace {
QString text(int id)
{
    return QString::fromUtf8(resString(id));
}

// Paints the picture centred behind the rows; the rows paint over it.
class PicturePainter : public QObject
{
public:
    explicit PicturePainter(QWidget* viewport) : QObject(viewport), m_viewport(viewport)
    {
        viewport->installEventFilter(this);
    }

    void setPicture(const std::string& path)
    {
        m_path = path;
        m_pixmap = path.empty() ? QPixmap() : QPixmap(QString::fromStdString(path));
        m_viewport->update();
    }
    const std::string& path() const { return m_path; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_viewport && event->type() == QEvent::Paint && !m_pixmap.isNull()) {
            QPainter painter(m_viewport);
            const QSize size = m_pixmap.deviceIndependentSize().toSize();
            painter.drawPixmap((m_viewport->width() - size.width()) / 2,
                               (m_viewport->height() - size.height()) / 2, m_pixmap);
        }
        return false;
    }

private:
    QWidget* m_viewport;
    std::string m_path;
    QPixmap m_pixmap;
};

PicturePainter* painterOf(QAbstractItemView* list, bool create)
{
    auto* painter =
        list->viewport()->findChild<PicturePainter*>(QString(), Qt::FindDirectChildrenOnly);
    if (!painter && create)
        painter = new PicturePainter(list->viewport());
    return painter;
}

QString unquote(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith('\'') && value.endsWith('\''))
        value = value.mid(1, value.size() - 2);
    return value;
}
} // namespace

int setWindowTransparent(QWidget* window, int alpha)
{
    writeLog(LogLevel::Info, "set_window_transparent", "enter");
    if ((alpha & 0xFF) == 0xFF)
        return 1;
    // Window opacity needs a compositing window system; elsewhere it stays opaque.
    window->setWindowOpacity((alpha & 0xFF) / 255.0);
    writeLog(LogLevel::Info, "set_window_transparent", "leave");
    return 1;
}

std::optional<std::string> desktopWallpaper()
{
    // Tests and headless sessions name their own wallpaper (empty: none readable).
    if (qEnvironmentVariableIsSet("PHONARA_WALLPAPER")) {
        const QByteArray forced = qgetenv("PHONARA_WALLPAPER");
        if (forced.isEmpty())
            return std::nullopt;
        return forced.toStdString();
    }
    QProcess gsettings;
    gsettings.start(QStringLiteral("gsettings"),
                    {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.background"),
                     QStringLiteral("picture-uri")});
    if (!gsettings.waitForFinished(2000) || gsettings.exitCode() != 0)
        return std::nullopt;
    const QString value = unquote(QString::fromUtf8(gsettings.readAllStandardOutput()));
    const QUrl url(value);
    const QString file = url.isLocalFile() ? url.toLocalFile() : value;
    if (file.isEmpty())
        return std::nullopt;
    return file.toStdString();
}

void applyBackgroundPicture(QAbstractItemView* list)
{
    const std::optional<std::string> setting = readConfigText(ConfigKey::kBackgroundPicture);
    std::string resolved;
    if (setting && *setting == "wallpaper") {
        const auto wallpaper = desktopWallpaper();
        if (!wallpaper)
            return;
        resolved = *wallpaper;
        writeConfigText(ConfigKey::kBackgroundPicture, "wallpaper");
    } else if (setting && *setting != "none") {
        resolved = *setting;
    }
    PicturePainter* painter = painterOf(list, !resolved.empty());
    if (!painter || painter->path() == resolved)
        return;
    painter->setPicture(resolved);
}

std::string currentBackgroundPicture(QAbstractItemView* list)
{
    const PicturePainter* painter = painterOf(list, false);
    return painter ? painter->path() : std::string();
}

void setListTextColor(QAbstractItemView* list, uint32_t bgr)
{
    QPalette palette = list->palette();
    palette.setColor(QPalette::Text, QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    list->setPalette(palette);
    list->viewport()->update();
}

uint32_t listTextColor(const QAbstractItemView* list)
{
    const QColor colour = list->palette().color(QPalette::Text);
    return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
           (static_cast<uint32_t>(colour.blue()) << 16);
}

OptionsDialog::OptionsDialog(QAbstractItemView* list, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_list(list)
{
    setObjectName("OptionsDialog");
    setWindowTransparent(this, 245);
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(parent ? parent->windowIcon().pixmap(QSize(32, 32), devicePixelRatioF())
                           : QPixmap());
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(new QLabel(text(155), this), 0, 1);
    m_color = new QPushButton(text(152), this);
    layout->addWidget(m_color, 0, 2);
    layout->addWidget(new QLabel(text(156), this), 1, 1);
    m_browse = new QPushButton(text(153), this);
    layout->addWidget(m_browse, 1, 2);
    m_enable = new QCheckBox(text(157), this);
    layout->addWidget(m_enable, 2, 1);
    auto* ok = new QPushButton(text(2010), this);
    ok->setDefault(true);
    layout->addWidget(ok, 3, 2);

    const auto picture = readConfigText(ConfigKey::kBackgroundPicture);
    const bool on = picture && *picture != "none";
    m_enable->setChecked(on);
    m_browse->setEnabled(on);

    connect(m_color, &QPushButton::clicked, this, &OptionsDialog::chooseColor);
    connect(m_browse, &QPushButton::clicked, this, &OptionsDialog::browse);
    connect(m_enable, &QCheckBox::toggled, this, &OptionsDialog::togglePicture);
    connect(ok, &QPushButton::clicked, this, &OptionsDialog::accept);
}

void OptionsDialog::chooseColor()
{
    const QColor chosen = QColorDialog::getColor(Qt::black, this);
    // Cancel keeps the colour the list has.
    if (!chosen.isValid())
        return;
    setListTextColor(m_list, static_cast<uint32_t>(chosen.red()) |
                                 (static_cast<uint32_t>(chosen.green()) << 8) |
                                 (static_cast<uint32_t>(chosen.blue()) << 16));
    writeConfigNumber(ConfigKey::kItemTextColor, static_cast<int32_t>(listTextColor(m_list)));
}

void OptionsDialog::browse()
{
    const QString file = QFileDialog::getOpenFileName(
        this, text(183), QString(),
        QStringLiteral("Bitmap files(*.bmp);;JPEG files(*.jpg *.jpeg);;PNG files(*.png);;"
                       "All files(*)"));
    if (file.isEmpty())
        return;
    writeConfigText(ConfigKey::kBackgroundPicture, file.toStdString());
    applyBackgroundPicture(m_list);
}

void OptionsDialog::togglePicture(bool on)
{
    m_browse->setEnabled(on);
    writeConfigText(ConfigKey::kBackgroundPicture, on ? "wallpaper" : "none");
    applyBackgroundPicture(m_list);
}

void OptionsDialog::accept()
{
    if (!m_enable->isChecked())
        writeConfigText(ConfigKey::kBackgroundPicture, "none");
    else if (readConfigText(ConfigKey::kBackgroundPicture).value_or("").empty())
        writeConfigText(ConfigKey::kBackgroundPicture, "wallpaper");
    QDialog::accept();
}

// Without a caption, the dialog is dragged by its client area.
void OptionsDialog::mousePressEvent(QMouseEvent* event)
{
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void OptionsDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void showOptionsDialog(QAbstractItemView* list, QWidget* owner)
{
    OptionsDialog dialog(list, owner);
    // Centred on the owner's frame once the layout has given the dialog its size.
    dialog.adjustSize();
    if (owner) {
        const QRect frame = owner->window()->frameGeometry();
        dialog.move(frame.left() + (frame.width() - dialog.width()) / 2,
                    frame.top() + (frame.height() - dialog.height()) / 2);
    }
    dialog.exec();
    applyBackgroundPicture(list);
}
