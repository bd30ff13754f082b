#include "UpdateChecker.h"

#include "shell/Log.h"
#include "shell/UpdateFeed.h"
#include "shell/UserInterface.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

#include <cctype>

namespace {
constexpr int kTimeoutMs = 15000;
constexpr qint64 kFeedLimit = 64 * 1024;
constexpr const char* kTag = "update check";
} // namespace

UpdateChecker::UpdateChecker(UserInterface& ui, QObject* parent) : QObject(parent), m_ui(ui) {}

void UpdateChecker::start(bool quiet)
{
    m_quiet = quiet;
    const QString setting = QString::fromStdString(updateFeedUrl());
    const QUrl url(setting);
    if (setting.isEmpty() || !url.isValid()) {
        QTimer::singleShot(0, this, [this, setting] {
            tell(setting.isEmpty()
                     ? QStringLiteral("No address is set where a new version could be looked "
                                      "for (setting \"%1\").")
                           .arg(QLatin1String(kUpdateFeedSetting))
                     : QStringLiteral("The address to look for a new version is not valid: %1")
                           .arg(setting));
            emit finished();
        });
        return;
    }
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        const bool opened = file.open(QIODevice::ReadOnly);
        const QByteArray text = opened ? file.read(kFeedLimit) : QByteArray();
        const QString error = opened ? QString() : file.errorString();
        QTimer::singleShot(0, this, [this, text, error] { handleFeed(text, error); });
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMs);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const bool fetched = reply->error() == QNetworkReply::NoError;
        handleFeed(fetched ? reply->read(kFeedLimit) : QByteArray(),
                   fetched ? QString() : reply->errorString());
    });
}

void UpdateChecker::handleFeed(const QByteArray& text, const QString& error)
{
    UpdateFeed feed;
    const std::string current = programVersion();
    if (!error.isEmpty()) {
        writeLog(LogLevel::Warning, kTag, "the feed could not be fetched: %s",
                 error.toUtf8().constData());
        tell(QStringLiteral("The check for a new version failed: %1").arg(error));
    } else if (!parseUpdateFeed(text.toStdString(), feed) || feed.version.empty() ||
               !std::isdigit(static_cast<unsigned char>(feed.version.front()))) {
        writeLog(LogLevel::Warning, kTag, "the feed holds no version (%d bytes)",
                 static_cast<int>(text.size()));
        tell(QStringLiteral("The check for a new version failed: the answer holds no version "
                            "number."));
    } else if (compareVersions(feed.version, current) > 0) {
        QString message =
            QStringLiteral("Phonara %1 is available (this is %2).")
                .arg(QString::fromStdString(feed.version), QString::fromStdString(current));
        if (!feed.url.empty())
            message += QStringLiteral("\n") + QString::fromStdString(feed.url);
        tell(message, true);
    } else {
        tell(QStringLiteral("Phonara %1 is the latest version.")
                 .arg(QString::fromStdString(current)));
    }
    emit finished();
}

// Quiet checks (at start-up) speak only of a newer version.
void UpdateChecker::tell(const QString& text, bool newerVersion)
{
    if (m_quiet && !newerVersion)
        return;
    UserInterface::Message message;
    message.text = text.toStdString();
    m_ui.message(message);
}
