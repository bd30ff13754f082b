#pragma once

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class UserInterface;

// Fetches the update feed (see shell/UpdateFeed.h) and tells the user what it
// found. Fetches nothing without a configured feed URL.
class UpdateChecker : public QObject
{
    Q_OBJECT

public:
    UpdateChecker(UserInterface& ui, QObject* parent);

    // Starts a check. `quiet` (the check at start-up) shows only a newer
    // version; asked from the menu, every outcome is told, failures included.
    // finished() follows in every case, also when no feed is configured.
    void start(bool quiet);

signals:
    // The check has ended, whatever it found.
    void finished();

private:
    // `error` is the reason the feed could not be fetched (empty: fetched).
    void handleFeed(const QByteArray& text, const QString& error);
    void tell(const QString& text, bool newerVersion = false);

    UserInterface& m_ui;
    QNetworkAccessManager* m_network = nullptr;
    bool m_quiet = true;
};
