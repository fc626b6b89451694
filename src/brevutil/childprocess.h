#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

// Starting programs, and waiting for them without holding up the user-interface thread.
namespace ChildProcess {

struct Launch {
    QString program;          // the file to execute, as resolve() gives it
    QStringList arguments;    // the whole argument vector, argument 0 included
    QString workingDirectory; // empty: the caller's
    bool newSession = false;  // own session and process group, away from the caller's terminal
    bool hidden = false;      // no display server in the environment, so no window can appear
};

// The file that running a program name means: a name holding a "/" is a path, made absolute
// against the caller's working directory; a bare name is looked up on PATH. Empty when a bare name
// is on no PATH entry.
QString resolve(const QString& name);

// Starts a child of the caller, in the caller's environment (less the display when hidden) and
// with no descriptor but standard input, output and error. Returns its id, or -1 when it could
// not be started (the program could not be executed or the working directory not entered); then
// nothing of it is left behind.
pid_t start(const Launch& launch);

// Starts a program that is nobody's child: it is handed to the system's reaper at once, so it
// outlives the caller and never lingers as an unreaped child. True when the program was executed.
bool startDetached(const Launch& launch);

// Waits for a child from start() while the event loop goes on dispatching. Returns its wait
// status (-1 when the system could not tell it), or nothing when the program's quit request or
// the application's exit cut the wait short: the child then runs on and is reaped in the
// background once it ends. Without an application there is nothing to dispatch, and the wait
// simply blocks.
std::optional<int> waitDispatching(pid_t pid);

} // namespace ChildProcess
