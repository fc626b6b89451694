#include "childprograms.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

ChildPrograms::~ChildPrograms() {
    for (auto& p : started_) {
        p->kill();
        p->waitForFinished(10000);
    }
}

QString ChildPrograms::sleeper(const QString& stem) const {
    const QString path =
        dir_.filePath(stem + QString::number(QCoreApplication::applicationPid()) + "-" +
                      QString::number(QRandomGenerator::global()->bounded(1000000)));
    QFile::copy(QStandardPaths::findExecutable("sleep"), path);
    return path;
}

QProcess* ChildPrograms::start(const QString& program, bool ignoreTerm) {
    started_.push_back(std::make_unique<QProcess>());
    QProcess* p = started_.back().get();
    if (ignoreTerm)
        p->start("/bin/sh", {"-c", "trap '' TERM; exec \"$0\" 60", program});
    else
        p->start(program, {"60"});
    p->waitForStarted(10000);
    return p;
}

QString ChildPrograms::script(const QString& name, const QString& body) const {
    QFile f(dir_.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return f.fileName();
}

QStringList processStatFields(qint64 pid) {
    const QString stat = readText(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.isEmpty() ? QStringList() : stat.mid(stat.lastIndexOf(") ") + 2).split(u' ');
}

bool processRunning(qint64 pid) {
    const QString state = processStatFields(pid).value(0);
    return !state.isEmpty() && state != "Z" && state != "X";
}

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
