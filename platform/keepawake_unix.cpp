// SPDX-License-Identifier: GPL-3.0-or-later
#include "keepawake.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QFileInfo>
#include <QVariantMap>

#include <cstdio>

namespace quorvel::platform {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString why = QStringLiteral("Recording, or making an MP3");

// The desktop portal's inhibitor where a portal runs (it asks the desktop, which may also keep
// the session from idling), else logind's: "sleep:idle" blocked for as long as we hold its file
// descriptor, which the kernel closes for us should the program die. Both are asked without
// waiting: an answer that comes after the work is done is given back at once.
class DesktopInhibitor final : public KeepAwake
{
    enum class Via
    {
        None,
        Portal,
        Logind
    };

    void inhibit() override
    {
        m_wanted = true;
        if (m_asking || m_via != Via::None)
            return;
        // Only a session bus that is there: none is started for this.
        const bool sessionBus = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
            || QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus"));
        QDBusConnection session = sessionBus ? QDBusConnection::sessionBus() : QDBusConnection(QString());
        if (sessionBus && session.isConnected() && portalRuns(session)) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                portalService, QStringLiteral("/org/freedesktop/portal/desktop"),
                QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
            // 4: suspend, 8: idle.
            call << QString() << 4u + 8u << QVariantMap {{QStringLiteral("reason"), why}};
            ask(session, call, Via::Portal);
            return;
        }
        askLogind();
    }

    void uninhibit() override
    {
        m_wanted = false;
        giveBack();
    }

    static bool portalRuns(QDBusConnection& session)
    {
        QDBusConnectionInterface* bus = session.interface();
        if (!bus)
            return false;
        if (bus->isServiceRegistered(portalService).value())
            return true;
        const QDBusReply<QStringList> startable = bus->activatableServiceNames();
        return startable.isValid() && startable.value().contains(portalService);
    }

    void askLogind()
    {
        QDBusConnection system = QDBusConnection::systemBus();
        if (!system.isConnected())
            return; // no logind either, to put the machine to sleep on idle
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep:idle") << QStringLiteral("Quorvel") << why << QStringLiteral("block");
        ask(system, call, Via::Logind);
    }

    void ask(QDBusConnection& bus, const QDBusMessage& call, Via via)
    {
        m_asking = true;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [this, via](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            m_asking = false;
            const QDBusMessage reply = w->reply();
            const QVariant first = reply.arguments().value(0);
            if (reply.type() != QDBusMessage::ReplyMessage) {
                if (via == Via::Portal && m_wanted)
                    return askLogind(); // a portal without the inhibit interface
                return note(qPrintable(reply.errorMessage()));
            }
            if (via == Via::Portal) {
                m_request = qdbus_cast<QDBusObjectPath>(first).path();
            } else {
                m_descriptor = qdbus_cast<QDBusUnixFileDescriptor>(first);
            }
            m_via = via;
            if (!m_wanted)
                giveBack();
        });
    }

    void giveBack()
    {
        if (m_via == Via::Portal && !m_request.isEmpty()) {
            QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
                portalService, m_request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
        }
        m_request.clear();
        m_descriptor = QDBusUnixFileDescriptor(); // closes ours: logind lets go
        m_via = Via::None;
    }

    static void note(const char* what)
    {
        std::fprintf(stderr, "quorvel: the system may sleep during the recording: %s\n", what);
    }

    bool m_wanted = false;
    bool m_asking = false;
    Via m_via = Via::None;
    QString m_request;
    QDBusUnixFileDescriptor m_descriptor;
};

} // namespace

KeepAwake& systemKeepAwake()
{
    static DesktopInhibitor inhibitor;
    return inhibitor;
}

} // namespace quorvel::platform
