#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace kr5061 {

// Posts desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). Calls are asynchronous,
// so a slow or missing service never holds up the window. A machine without
// a session bus or without the service shows nothing; that is told once.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    // On a given bus (tests run a private one).
    DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    // Another bus from now on (tests run a private one); unavailability is forgotten.
    void setBus(const QDBusConnection& bus);

    void notify(const QString& summary, const QString& body);

    bool unavailable() const { return !m_whyUnavailable.isEmpty(); }
    const QString& whyUnavailable() const { return m_whyUnavailable; }

signals:
    // The first time a notification could not be posted, with the reason.
    void becameUnavailable(const QString& why);
    // The service took a notification (its id).
    void posted(uint id);

private:
    void giveUp(const QString& why);

    QDBusConnection m_bus;
    QString m_whyUnavailable;
};

}  // namespace kr5061
