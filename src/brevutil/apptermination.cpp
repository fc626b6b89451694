#include "brevutil/apptermination.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>

namespace {
std::atomic<bool> flag{false};
} // namespace

namespace AppTermination {

AppTerminationNotifier* notifier() {
    // Never deleted: waits may still refer to it while static objects are being destroyed.
    static auto* const n = new AppTerminationNotifier;
    return n;
}

void request() {
    flag.store(true);
    emit notifier()->terminationRequested();
    if (QCoreApplication::instance())
        QCoreApplication::exit(0);
}

bool requested() {
    return flag.load();
}

void resetForTests() {
    flag.store(false);
    // QCoreApplication::exit leaves every later event loop returning at once until the
    // application's own loop has run again; one empty pass of it clears that.
    if (QCoreApplication::instance()) {
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
}

} // namespace AppTermination
