#pragma once

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QWidget;

// Fetches the update feed (see shell/UpdateFeed.h) and tells the user when a
// newer version is out. Does nothing, and fetches nothing, without a
// configured feed URL.
class UpdateChecker : public QObject
{
    Q_OBJECT

public:
    explicit UpdateChecker(QWidget* owner);

    // Starts a check; false when no feed is configured (nothing happens then).
    bool start(bool quietWhenCurrent);

signals:
    // The check has ended, whatever it found.
    void finished();

private:
    void handleFeed(const QByteArray& text);

    QWidget* m_owner = nullptr;
    QNetworkAccessManager* m_network = nullptr;
    bool m_quietWhenCurrent = true;
};
