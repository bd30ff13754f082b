#include "MessageIcons.h"

#include "Icons.h"

#include <QStyle>

namespace {
constexpr const char* kIconProperty = "messageIcon";

// The freedesktop name of each icon; our own picture carries the same name.
const char* iconName(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Information:
        return "dialog-information";
    case QMessageBox::Question:
        return "dialog-question";
    case QMessageBox::Warning:
        return "dialog-warning";
    case QMessageBox::Critical:
        return "dialog-error";
    case QMessageBox::NoIcon:
        break;
    }
    return nullptr;
}
} // namespace

void setMessageIcon(QMessageBox& box, QMessageBox::Icon icon)
{
    box.setProperty(kIconProperty, static_cast<int>(icon));
    const char* name = iconName(icon);
    if (name == nullptr) {
        box.setIcon(QMessageBox::NoIcon);
        return;
    }
    const QIcon picture = QIcon::fromTheme(QLatin1String(name), namedIcon(name));
    const int size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    box.setIconPixmap(picture.pixmap(QSize(size, size), box.devicePixelRatioF()));
}

QMessageBox::Icon messageIconOf(const QMessageBox& box)
{
    const QVariant icon = box.property(kIconProperty);
    return icon.isValid() ? static_cast<QMessageBox::Icon>(icon.toInt()) : box.icon();
}
