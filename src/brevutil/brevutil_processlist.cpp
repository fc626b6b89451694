#include "brevutil/brevutil.h"

#include "brevutil/asciicase.h"
#include "brevutil/processfd.h"
#include "brevutil/smallfile.h"
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

// How long KillAllProcessesof lets asked processes end on their own, and then how long it waits
// for the killed ones to go.
constexpr int kTerminateGraceMs = 3000;
constexpr int kKillWaitMs = 1000;
// Each round asks a process not asked before, so this only bounds a flood of new ones.
constexpr int kMaxKillRounds = 10000;

struct ProcessInfo {
    qint32 pid;
    QString exePath; // empty when the program file cannot be read (kernel thread, no access)
    QString shortName;
};

// The running processes in the system's order. An ended process that its parent has not yet
// collected still shows in /proc, but it runs nothing and cannot be ended: it is left out.
bool listProcesses(std::vector<ProcessInfo>& out) {
    DIR* dir = opendir("/proc");
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long pid = strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid > INT_MAX)
            continue;
        const QByteArray base = QByteArray("/proc/") + entry->d_name;
        const QByteArray stat = readSmallFile(base + "/stat").value_or(QByteArray());
        // "pid (name) state ...": the name may itself hold ") ", so the last one closes it.
        const qsizetype close = stat.lastIndexOf(") ");
        const qsizetype open = stat.indexOf(" (");
        if (close < 0 || open < 0 || close + 2 >= stat.size())
            continue; // gone meanwhile
        const char state = stat.at(close + 2);
        if (state == 'Z' || state == 'X')
            continue;
        ProcessInfo info{static_cast<qint32>(pid), QString(),
                         QFile::decodeName(stat.mid(open + 2, close - open - 2))};
        char link[PATH_MAX];
        const ssize_t n = readlink((base + "/exe").constData(), link, sizeof link);
        if (n > 0) {
            QString path = QFile::decodeName(QByteArray(link, n));
            // A program file replaced or removed while running is marked so by the kernel.
            static const QString deleted = QStringLiteral(" (deleted)");
            if (path.endsWith(deleted) && !QFileInfo::exists(path))
                path.chop(deleted.size());
            info.exePath = path;
        }
        out.push_back(std::move(info));
    }
    closedir(dir);
    return true;
}

QString finalComponent(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// The id of the first process of that name not yet asked, or 0 when there is none. An entry
// without an id is never a match: signalling -1 or 0 would reach every process or the caller's
// own group.
qint32 firstToEnd(const TBrevUtil& util, const QString& exename, const QSet<qint32>& asked) {
    TProcessList list;
    util.RunningProcessesList(list);
    for (const TProcessEntry& e : list) {
        if (e.id > 0 && !asked.contains(e.id) &&
            QString::compare(e.name, exename, Qt::CaseInsensitive) == 0)
            return e.id;
    }
    return 0;
}

// Waits until every process behind fds has ended or the time is up; ended ones are closed and
// removed, so fds keeps those still running.
void awaitEnd(std::vector<int>& fds, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!fds.empty()) {
        std::vector<pollfd> polls;
        polls.reserve(fds.size());
        for (int fd : fds)
            polls.push_back(pollfd{fd, POLLIN, 0});
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return;
        const int ready = poll(polls.data(), polls.size(), static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return;
        fds.clear();
        for (const pollfd& p : polls) {
            if (p.revents != 0)
                close(p.fd);
            else
                fds.push_back(p.fd);
        }
    }
}

} // namespace

bool TBrevUtil::BuildListTH(TProcessList& List) const {
    std::vector<ProcessInfo> processes;
    if (!listProcesses(processes))
        return false;
    for (const ProcessInfo& p : processes)
        List.append({p.exePath.isEmpty() ? p.shortName : finalComponent(p.exePath), p.pid});
    return true;
}

bool TBrevUtil::BuildListPS(TProcessList& List) const {
    std::vector<ProcessInfo> processes;
    if (!listProcesses(processes))
        return false;
    for (const ProcessInfo& p : processes) {
        if (p.exePath.isEmpty())
            List.append({QStringLiteral("[System]"), -1});
        else
            List.append({p.exePath, p.pid});
    }
    return true;
}

bool TBrevUtil::RunningProcessesList(TProcessList& List) const {
    List.clear();
    // The process-status builder was chosen only on one old system line; here the snapshot
    // builder, with its bare executable names, always serves.
    return BuildListTH(List);
}

bool TBrevUtil::processExists(const QString& exeFileName) const {
    TProcessList list;
    RunningProcessesList(list);
    const QString wanted = AsciiCase::upper(exeFileName);
    bool found = false;
    for (const TProcessEntry& e : list) {
        if (AsciiCase::upper(finalComponent(e.name)) == wanted ||
            AsciiCase::upper(e.name) == wanted)
            found = true;
    }
    return found;
}

bool TBrevUtil::KillProcess(const QString& exename) const {
    const qint32 pid = firstToEnd(*this, exename, {});
    if (pid <= 0)
        return false;
    ::kill(pid, SIGTERM);
    return true;
}

void TBrevUtil::KillAllProcessesof(const QString& exename) const {
    // Asking the same process again would find it again while it is ending, or for ever when it
    // ignores the request: each is asked once and watched through a process descriptor, which
    // also keeps a reused id from ever being signalled.
    QSet<qint32> asked;
    std::vector<int> running;
    for (int round = 0; round < kMaxKillRounds; ++round) {
        const qint32 pid = firstToEnd(*this, exename, asked);
        if (pid <= 0)
            break;
        asked.insert(pid);
        const int fd = ProcessFd::open(pid);
        if (fd < 0) {
            if (errno != ESRCH)
                ::kill(pid, SIGTERM);
            continue;
        }
        if (ProcessFd::signal(fd, SIGTERM) == 0)
            running.push_back(fd);
        else
            close(fd);
    }
    awaitEnd(running, kTerminateGraceMs);
    for (int fd : running)
        ProcessFd::signal(fd, SIGKILL);
    awaitEnd(running, kKillWaitMs);
    // What still stands (stuck in the kernel) is left; the call ends regardless.
    for (int fd : running)
        close(fd);
}
