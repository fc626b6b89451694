#include "core/servicenotify.h"
#include "support/eventloop.h"
#include <QByteArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A notify socket of the test's own, standing in for the service manager's: NOTIFY_SOCKET names
// it while the object lives (a path, or an abstract name written with "@").
class NotifySocket {
  public:
    explicit NotifySocket(const std::string& name) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        name.copy(address.sun_path, name.size());
        socklen_t length = offsetof(sockaddr_un, sun_path) + name.size() + 1;
        if (name[0] == '@') {
            address.sun_path[0] = '\0';
            --length;
        }
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0;
        qputenv("NOTIFY_SOCKET", QByteArray::fromStdString(name));
    }
    ~NotifySocket() {
        qunsetenv("NOTIFY_SOCKET");
        qunsetenv("WATCHDOG_USEC");
        ::close(fd_);
    }
    bool bound() const { return bound_; }

    // The next message, waiting for it up to a second.
    std::optional<std::string> next() {
        std::optional<std::string> message;
        pumpUntil(
            [&] {
                char buffer[512];
                const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
                if (n >= 0)
                    message = std::string(buffer, static_cast<std::size_t>(n));
                return message.has_value();
            },
            1000);
        return message;
    }

  private:
    int fd_ = -1;
    bool bound_ = false;
};

std::string ownPid() {
    return std::to_string(::getpid());
}

} // namespace

TEST(ServiceNotify, MessagesReachAPathSocketAndAnAbstractOne) {
    QTemporaryDir dir;
    for (const std::string& name :
         {dir.filePath(QStringLiteral("notify")).toStdString(), "@tavorel-test-" + ownPid()}) {
        NotifySocket socket(name);
        ASSERT_TRUE(socket.bound()) << name;
        ServiceNotify::announceMainProcess();
        EXPECT_EQ(socket.next(), "MAINPID=" + ownPid()) << name;
    }
}

TEST(ServiceNotify, ReadyIsSentOnceWithTheMainProcess) {
    NotifySocket socket("@tavorel-ready-" + ownPid());
    ASSERT_TRUE(socket.bound());
    ServiceNotify::boardReady();
    EXPECT_EQ(socket.next(), "MAINPID=" + ownPid() + "\nREADY=1");
    ServiceNotify::boardReady();
    EXPECT_EQ(socket.next(), std::nullopt) << "READY=1 goes only once";
}

TEST(ServiceNotify, WatchdogIsFedAtHalfTheIntervalOnlyWithASocket) {
    qputenv("WATCHDOG_USEC", "400000");
    {
        ServiceNotify::WatchdogPing ping;
        EXPECT_FALSE(ping.active()) << "no NOTIFY_SOCKET, nothing to feed";
    }
    NotifySocket socket("@tavorel-watchdog-" + ownPid());
    ASSERT_TRUE(socket.bound());
    qputenv("WATCHDOG_USEC", "400000");
    ServiceNotify::WatchdogPing ping;
    ASSERT_TRUE(ping.active());
    EXPECT_EQ(ping.intervalMs(), 200);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(socket.next(), "WATCHDOG=1") << "message " << i;

    for (const char* bad : {"", "0", "-5", "12x"}) {
        qputenv("WATCHDOG_USEC", bad);
        EXPECT_EQ(ServiceNotify::watchdogInterval(), std::nullopt) << bad;
    }
}

TEST(ServiceNotify, NothingIsAddressedWithoutAUsableSocketName) {
    qunsetenv("NOTIFY_SOCKET");
    EXPECT_FALSE(ServiceNotify::targetFromEnvironment().valid());
    const std::string tooLong(200, '/');
    for (const std::string& bad :
         {std::string(), std::string("relative/name"), std::string("@"), tooLong}) {
        qputenv("NOTIFY_SOCKET", QByteArray::fromStdString(bad));
        EXPECT_FALSE(ServiceNotify::targetFromEnvironment().valid()) << bad;
    }
    qunsetenv("NOTIFY_SOCKET");
}
