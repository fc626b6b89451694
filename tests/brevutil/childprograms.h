#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

// Programs the process tests start and look for, in a folder that lives as long as the fixture.
// Whatever is still running at the end is killed.
class ChildPrograms {
  public:
    ~ChildPrograms();
    QString dir() const { return dir_.path(); }
    // A copy of sleep named stem plus a suffix unique to this run; returns its path.
    QString sleeper(const QString& stem) const;
    // Starts a program for 60 s; with ignoreTerm it ignores SIGTERM.
    QProcess* start(const QString& program, bool ignoreTerm = false);
    // Writes an executable shell script into dir() and returns its path.
    QString script(const QString& name, const QString& body) const;

  private:
    QTemporaryDir dir_;
    std::vector<std::unique_ptr<QProcess>> started_;
};

// The fields of /proc/PID/stat after the name: 0 state, 1 parent, 2 process group, 3 session.
QStringList processStatFields(qint64 pid);
// True while the process exists and has not ended (an ended one awaiting its parent does not
// count).
bool processRunning(qint64 pid);
// A whole text file; empty when it does not exist.
QString readText(const QString& path);
