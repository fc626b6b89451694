#include "shell/errorbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

// The box on screen, if any, and how many further reports arrived while it was shown.
QPointer<QMessageBox>& openBox() {
    static QPointer<QMessageBox> box;
    return box;
}
int further = 0;

} // namespace

void showErrorBox(const QString& text) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
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
