#include "pulseserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <sys/types.h>

PulseServer::PulseServer(const QString& dir) : dir_(dir) {
    QDir().mkpath(runtimeDir());
    QDir().mkpath(homeDir());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_RUNTIME_PATH", runtimeDir());
    env.insert("XDG_RUNTIME_DIR", runtimeDir());
    env.insert("HOME", homeDir());
    env.insert("XDG_CONFIG_HOME", homeDir() + "/.config");
    env.remove("PULSE_SERVER");
    daemon_.setProcessEnvironment(env);
    daemon_.setStandardOutputFile(QProcess::nullDevice());
    daemon_.setStandardErrorFile(dir_ + "/pulse.log");
    daemon_.start("pulseaudio", {"--daemonize=no", "--exit-idle-time=-1", "-n",
                                 "--load=module-null-sink sink_name=test",
                                 "--load=module-native-protocol-unix", "--log-target=stderr"});
    if (!daemon_.waitForStarted(5000))
        return;
    // Starting takes a moment; a daemon that dies early is not waited for.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 15000 && daemon_.state() == QProcess::Running) {
        if (pactl({"info"})) {
            ready_ = true;
            return;
        }
        QThread::msleep(50);
    }
}

PulseServer::~PulseServer() {
    const qint64 pid = daemon_.processId();
    if (pid <= 0)
        return;
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    if (!daemon_.waitForFinished(5000)) {
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        daemon_.waitForFinished(5000);
    }
}

QString PulseServer::log() const {
    QFile file(dir_ + "/pulse.log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString PulseServer::address() const {
    return "unix:" + runtimeDir() + "/native";
}

std::optional<QString> PulseServer::pactl(const QStringList& args) const {
    QProcess p;
    p.setProcessEnvironment(daemon_.processEnvironment());
    p.start("pactl", QStringList{"-s", address()} + args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

QList<long> PulseServer::volumes(const QString& sink) const {
    // "Volume: front-left: 32768 /  50% / -18.06 dB,   front-right: 32768 /  50% / ..."
    static const QRegularExpression channel(R"(([\w-]+): (\d+) /)");
    QList<long> raw;
    auto it = channel.globalMatch(pactl({"get-sink-volume", sink}).value_or(QString()));
    while (it.hasNext())
        raw.append(it.next().captured(2).toLong());
    return raw;
}

QString PulseServer::mute(const QString& sink) const {
    const QString out = pactl({"get-sink-mute", sink}).value_or(QString()).trimmed();
    return out.startsWith("Mute: ") ? out.mid(6) : QString();
}
