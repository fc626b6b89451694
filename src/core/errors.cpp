#include "core/errors.h"

EListError::EListError(int index)
    : EError(QStringLiteral("List index out of bounds (%1)").arg(index)) {}

static QString osErrorText(int code, const QString& systemText) {
    if (code == 0)
        return QStringLiteral("A call to an OS function failed");
    return QStringLiteral("System Error.  Code: %1.\r\n%2").arg(code).arg(systemText);
}

EOSError::EOSError(int code, const QString& systemText)
    : EError(osErrorText(code, systemText)), code_(code) {}

QString exceptionMessage(const std::exception& e) {
    return QString::fromUtf8(e.what());
}
