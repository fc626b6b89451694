// The two inhibitors on D-Bus: the desktop's screen saver on the session bus and systemd-logind on
// the system bus. Calls block the user-interface thread at most callTimeoutMs each.

#include "schedule/powerinhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariant>
#include <optional>

namespace {

constexpr int callTimeoutMs = 2000;
const QString appName = QStringLiteral("Tavorel");
const QString reason = QStringLiteral("The display board is showing");

// The session bus named by DBUS_SESSION_BUS_ADDRESS, and only that: libdbus (and so Qt's own
// session connection) starts a bus of its own under X when the variable is unset, which would
// leave a stray daemon behind the board.
std::optional<QDBusConnection> sessionBus() {
    static const QString name = QStringLiteral("tavorel-session");
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty() || address.startsWith(QStringLiteral("disabled:")))
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::connectToBus(address, name);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        return std::nullopt;
    }
    return bus;
}

std::optional<QDBusMessage> callService(const QDBusConnection& bus, const QString& service,
                                        const QString& path, const QString& interface,
                                        const QString& method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(args);
    QDBusMessage reply = bus.call(call, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply;
}

const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

class SessionScreenSaverInhibitor : public TPowerInhibitor {
  public:
    void acquire() override {
        if (cookie_)
            return;
        const auto bus = sessionBus();
        if (!bus)
            return;
        const auto reply =
            callService(*bus, screenSaverService, screenSaverPath, screenSaverService,
                        QStringLiteral("Inhibit"), {appName, reason});
        if (!reply)
            return;
        bool ok = false;
        const uint cookie = reply->arguments().constFirst().toUInt(&ok);
        if (ok)
            cookie_ = cookie;
    }

    void release() override {
        const std::optional<uint> cookie = std::exchange(cookie_, std::nullopt);
        if (!cookie)
            return;
        if (const auto bus = sessionBus())
            callService(*bus, screenSaverService, screenSaverPath, screenSaverService,
                        QStringLiteral("UnInhibit"), {*cookie});
    }

  private:
    std::optional<uint> cookie_;
};

// logind holds the lock for as long as the descriptor it hands out stays open anywhere.
class LogindInhibitor : public TPowerInhibitor {
  public:
    void acquire() override {
        if (lock_.isValid())
            return;
        const QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return;
        const QString service = QStringLiteral("org.freedesktop.login1");
        const auto reply =
            callService(bus, service, QStringLiteral("/org/freedesktop/login1"),
                        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"),
                        {QStringLiteral("sleep:idle"), appName, reason, QStringLiteral("block")});
        if (!reply)
            return;
        lock_ = qvariant_cast<QDBusUnixFileDescriptor>(reply->arguments().constFirst());
    }

    void release() override { lock_ = QDBusUnixFileDescriptor(); }

  private:
    QDBusUnixFileDescriptor lock_;
};

} // namespace

std::unique_ptr<TPowerInhibitor> makeSessionScreenSaverInhibitor() {
    return std::make_unique<SessionScreenSaverInhibitor>();
}

std::unique_ptr<TPowerInhibitor> makeLogindInhibitor() {
    return std::make_unique<LogindInhibitor>();
}
