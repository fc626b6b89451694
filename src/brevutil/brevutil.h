#pragma once

#include "brevutil/clock.h"
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <qwindowdefs.h>

// One entry of a process list: a program's name with its process id, or -1 where the entry
// stands for no process that could be acted on.
struct TProcessEntry {
    QString name;
    qint32 id = -1;
};
using TProcessList = QList<TProcessEntry>;

// The board's toolbox of process, text, date and system operations. It holds no state: every
// operation depends only on its arguments and on the system. Failures come back as results (false
// or empty text); nothing is shown, logged or thrown. The random operations seed from the clock it
// is given.
class TBrevUtil : public QObject {
    Q_OBJECT
  public:
    explicit TBrevUtil(QObject* parent = nullptr, const TClock& clock = systemClock())
        : QObject(parent), clock_(&clock) {}

    // The folder of the running program file, ending in "/"; read afresh on every call.
    QString getstartdir() const;

    // ---- Starting programs ----

    // Starts a program in its own session and process group, independent of the caller: it
    // survives the caller's end and is never left as the caller's unreaped child. It runs in the
    // caller's working directory and environment; with aShow false it is given no display. True
    // when the program was started; false when it could not be (missing, not executable, empty or
    // badly quoted command line). With Wait true the call returns when the program has ended, or
    // at once on the quit request, while the event loop keeps running.
    // This form takes the program and its arguments ready split, argument 0 being the program.
    bool ExecNewProcess(const QStringList& argv, bool Wait, bool aShow);
    // This form takes a whole command line, split into the program and its arguments by the
    // quoting rules of splitShellWords (shellwords.h).
    bool ExecNewProcess(const QString& ProgramName, bool Wait, bool aShow);

    // Runs a file and waits for its end while the event loop keeps running (timers fire meanwhile).
    // An executable file is run with ParamString split by the rules of splitShellWords; any other
    // existing file, or an address with "://", is handed to the desktop's opener (xdg-open) and
    // ParamString is not used. StartInDir is the working directory (empty: the caller's). With
    // Show false the program is given no display. Returns at once when the file cannot be started
    // or the program's quit has been requested (AppTermination), leaving the child running.
    // Always returns the empty text.
    QString ExecuteFileWait(const QString& ExecuteFile, const QString& ParamString,
                            const QString& StartInDir, bool Show);

    // Runs a file with administrator rights through pkexec (which asks for consent) and waits as
    // ExecuteFileWait does. hWnd is not used: the consent prompt has no owner window here. True
    // when the program was started and pkexec did not report a refusal (its codes 126 and 127);
    // false when pkexec is missing or the parameters are badly quoted.
    bool RunAsAdmin(WId hWnd, const QString& filename, const QString& Parameters);

    // ---- Process list ----

    // True when a running process has that executable name, letters a-z compared without case.
    bool processExists(const QString& exeFileName) const;
    // Empties the list, then fills it with the running processes' executable names and ids.
    bool RunningProcessesList(TProcessList& List) const;
    // The running processes (ended ones awaiting their parent left out) by executable file name:
    // the program file's name, or the kernel's short name where the file cannot be read.
    bool BuildListTH(TProcessList& List) const;
    // The running processes by full program path; "[System]" with -1 where no path can be read.
    bool BuildListPS(TProcessList& List) const;
    // Asks the first process of that name (compared without any case) to terminate (SIGTERM).
    // True when one was found, whether or not it then ends.
    bool KillProcess(const QString& exename) const;
    // Ends every process of that name: each is asked to terminate, and those still running after
    // a grace time are killed. Returns after a bounded time even when one cannot be ended.
    void KillAllProcessesof(const QString& exename) const;

    // ---- Text and dates ----

    QString DoProperCase(const QString& sIn) const;
    QString RemoveNonLettersNumbers(const QString& intext) const;
    // 50 characters drawn from the digits and the capital letters A-Z.
    QString BuildSessionID() const;
    // Looks for the switch /parmname or /parmname:value on the program's own command line.
    bool ReadCommandLine(const QString& parmname, QString& value) const;
    // English names, whatever the machine's language. day counts days from 30 December 1899, the
    // time of day as its fraction; a value outside the years 1-9999 gives the empty text.
    QString WeekDayof(double day) const;
    QString NameofMonth(double day) const;
    void SeparateData(const QString& linein, const QString& delimiter, QString& a, QString& b,
                      QString& c, QString& d, QString& e) const;
    void ParseData(const QString& linein, QString& cmd, QString& a, QString& b, QString& c,
                   QString& d) const;
    QString TextEnCrypt(const QString& normal) const;
    QString textdecrypt(const QString& crypted) const;
    QString FillZeros(const QString& intext, qint32 maxlength, bool leading) const;
    QString ChartoCode(const QString& input) const;
    QString CodetoChar(const QString& input) const;

    // ---- System ----

    // Sets the host name (cut to 16 characters; an empty name is refused); true when the system
    // accepted it.
    bool SetComputerName(const QString& AComputerName) const;
    // The domain of the account the program runs under: the host name for a local account, the
    // directory domain for user@domain or DOMAIN\user; empty when the account cannot be read.
    QString GetDomainName() const;
    // The first non-loopback network interface's hardware address as six upper-case hex pairs
    // joined by "-"; empty when there is none.
    QString Get_MacAddress() const;
    // The name of the user the program runs as; empty when it has no account entry.
    QString CurrentUserName() const;
    QString CurrentHostName() const;
    // The host name and its first IPv4 address; Address is empty when the name does not resolve.
    void GetHostInfo(QString& Name, QString& Address) const;
    // The desktop database engine this compacted with does not exist here: always false, and the
    // file is left untouched.
    bool CompactAndRepair(const QString& DB, const QString& pwd) const;

  private:
    const TClock* clock_;
};
