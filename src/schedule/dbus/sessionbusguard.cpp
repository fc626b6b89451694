#include "schedule/dbus/sessionbusguard.h"

#include <QByteArray>
#include <QtGlobal>

void keepSessionBusFromStarting() {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArrayLiteral("disabled:"));
}
