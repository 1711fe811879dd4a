#include "panels/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace kr5061 {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {}

void DesktopNotifier::setBus(const QDBusConnection& bus) {
    m_bus = bus;
    m_whyUnavailable.clear();
}

void DesktopNotifier::giveUp(const QString& why) {
    if (m_whyUnavailable.isEmpty()) {
        m_whyUnavailable = why.isEmpty() ? tr("no notification service answered") : why;
        emit becameUnavailable(m_whyUnavailable);
    }
}

void DesktopNotifier::notify(const QString& summary, const QString& body) {
    if (unavailable()) {
        return;
    }
    if (!m_bus.isConnected()) {
        giveUp(tr("there is no desktop session bus"));
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // app name, replaces id, icon, summary, body, actions, hints, timeout (-1: the server's)
    call << QStringLiteral("KR5061") << 0u << QString() << summary << body << QStringList()
         << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            giveUp(reply.error().message());
        } else {
            emit posted(reply.value());
        }
        w->deleteLater();
    });
}

}  // namespace kr5061
