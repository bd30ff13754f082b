#include "UpdateChecker.h"

#include "shell/UpdateFeed.h"

#include <QFile>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace {
constexpr int kTimeoutMs = 15000;
} // namespace

UpdateChecker::UpdateChecker(QWidget* owner) : QObject(owner), m_owner(owner) {}

bool UpdateChecker::start(bool quietWhenCurrent)
{
    const QUrl url(QString::fromStdString(updateFeedUrl()));
    if (url.isEmpty() || !url.isValid())
        return false;
    m_quietWhenCurrent = quietWhenCurrent;
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        const QByteArray text =
            file.open(QIODevice::ReadOnly) ? file.read(64 * 1024) : QByteArray();
        QTimer::singleShot(0, this, [this, text] { handleFeed(text); });
        return true;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMs);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        handleFeed(reply->error() == QNetworkReply::NoError ? reply->read(64 * 1024)
                                                            : QByteArray());
    });
    return true;
}

void UpdateChecker::handleFeed(const QByteArray& text)
{
    UpdateFeed feed;
    const std::string current = programVersion();
    if (parseUpdateFeed(text.toStdString(), feed) && compareVersions(feed.version, current) > 0) {
        QString message =
            QStringLiteral("Phonara %1 is available (this is %2).")
                .arg(QString::fromStdString(feed.version), QString::fromStdString(current));
        if (!feed.url.empty())
            message += QStringLiteral("\n") + QString::fromStdString(feed.url);
        QMessageBox::information(m_owner, QStringLiteral("Phonara"), message);
    } else if (!m_quietWhenCurrent) {
        QMessageBox::information(m_owner, QStringLiteral("Phonara"),
                                 QStringLiteral("Phonara %1 is the latest version.")
                                     .arg(QString::fromStdString(current)));
    }
    emit finished();
}
