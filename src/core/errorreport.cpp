#include "core/errorreport.h"

#include "core/diagnostics.h"
#include "core/errors.h"
#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

ErrorPresenter& presenter() {
    static ErrorPresenter p;
    return p;
}

int& reports() {
    static int n = 0;
    return n;
}

// The box on screen, if any, and how many further reports arrived while it was shown.
QPointer<QMessageBox>& openBox() {
    static QPointer<QMessageBox> box;
    return box;
}
int further = 0;

void showBox(const QString& text) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return; // no window system: stderr is all there is
    if (openBox()) {
        ++further;
        openBox()->setInformativeText(
            QStringLiteral("%1 further error(s) since; the last one:\n%2").arg(further).arg(text));
        return;
    }
    // Modal, but shown without a message loop of its own: the handler that failed returns at
    // once, so its timer, and every other, goes on ticking beneath the box. Waiting in the box's
    // own loop would hold the failed timer's tick open until somebody clicks, and on a board
    // nobody does: the folder refresh and the control files would stop for good.
    auto* box = new QMessageBox(QMessageBox::Critical, QApplication::applicationName(), text,
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(true);
    openBox() = box;
    further = 0;
    box->show();
}

} // namespace

QString reportText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void reportError(const QString& message) {
    const QString text = reportText(message);
    ++reports();
    diag::error(text);
    if (presenter())
        presenter()(text);
    else
        showBox(text);
}

void reportException(const std::exception& e) {
    reportError(exceptionMessage(e));
}

bool runReported(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        reportException(e);
    } catch (...) {
        reportError(QStringLiteral("Unknown error"));
    }
    return false;
}

void setErrorPresenter(ErrorPresenter p) {
    presenter() = std::move(p);
}

int reportCount() {
    return reports();
}
