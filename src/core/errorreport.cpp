#include "core/errorreport.h"

#include "core/diagnostics.h"
#include "core/errors.h"
#include <atomic>

namespace {

std::atomic<int> reports{0};

} // namespace

QString reportText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void reportError(const QString& message, const ErrorPresenter& presenter) {
    const QString text = reportText(message);
    ++reports;
    diag::error(text);
    if (presenter)
        presenter(text);
}

void reportException(const std::exception& e, const ErrorPresenter& presenter) {
    reportError(exceptionMessage(e), presenter);
}

bool runReported(const std::function<void()>& handler, const ErrorPresenter& presenter) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        reportException(e, presenter);
    } catch (...) {
        reportError(QStringLiteral("Unknown error"), presenter);
    }
    return false;
}

int reportCount() {
    return reports.load();
}
