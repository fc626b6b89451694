#pragma once

#include <QObject>
#include <QString>

// The board's toolbox of process, text, date and system operations. It holds no state: every
// operation depends only on its arguments and on the system.
class TBrevUtil : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The folder of the running program file, ending in "/"; read afresh on every call.
    QString getstartdir() const;
};
