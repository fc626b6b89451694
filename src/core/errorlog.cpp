#include "core/errorlog.h"

#include "core/errors.h"
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace {

[[noreturn]] void ioError(int err) {
    if (err == ENOENT)
        throw EInOutError(QStringLiteral("The specified file was not found"));
    throw EInOutError(QString::fromLocal8Bit(std::strerror(err)));
}

class LogFile {
  public:
    explicit LogFile(const QString& path) {
        // No O_CREAT: the log is never created by the board.
        fd_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd_ < 0)
            ioError(errno);
    }
    ~LogFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void lock() {
        while (::flock(fd_, LOCK_EX) != 0)
            if (errno != EINTR)
                ioError(errno);
    }

    void write(const QByteArray& bytes) {
        const char* p = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ioError(errno);
            }
            p += n;
            left -= n;
        }
    }

    void close() {
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0)
            ioError(errno);
    }

  private:
    int fd_ = -1;
};

} // namespace

void appendLogLine(const QString& logPath, const QString& text, const QDate& date,
                   const RegionalSettings& regional) {
    QString line = regional.formatShortDate(date) + u',' + text;
    // Every line ends in CR LF, also the continuation lines of a text with line breaks.
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    line.replace(u'\r', u'\n');
    line.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    line += QLatin1String("\r\n");

    LogFile log(logPath);
    log.lock();
    log.write(line.toUtf8());
    log.close(); // also releases the lock
}
