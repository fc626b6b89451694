#include "content/drivepoll.h"

#include "brevutil/childprocess.h"
#include "core/shareaccess.h"
#include <cerrno>
#include <sys/wait.h>

void pollDrive(const QString& drive) {
    ChildProcess::Launch launch;
    launch.program = QStringLiteral("/bin/sh");
    launch.arguments =
        drive.isEmpty() ? QStringList{launch.program, QStringLiteral("-c"), QStringLiteral(":")}
                        : QStringList{launch.program, QStringLiteral("-c"),
                                      QStringLiteral("cd -- \"$1\""), QStringLiteral("sh"), drive};
    launch.workingDirectory = QStringLiteral(".");
    launch.hidden = true;
    share::call<bool>(
        QStringLiteral("drive poll ") + drive,
        [launch] {
            const pid_t pid = ChildProcess::start(launch);
            if (pid < 0)
                return false;
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return true;
        },
        !drive.isEmpty());
}
