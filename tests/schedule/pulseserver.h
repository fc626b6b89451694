#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// A private PulseAudio daemon with one stereo null sink "test", living in its own directory
// (runtime path, XDG runtime dir and home), so that tests never touch the machine's own sound. It
// is stopped by its PID when the object goes.
class PulseServer {
  public:
    explicit PulseServer(const QString& dir);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool isReady() const { return ready_; }
    // What failed when the daemon did not come up.
    QString log() const;
    // The address clients use: "unix:<runtime>/native".
    QString address() const;
    QString runtimeDir() const { return dir_ + "/runtime"; }
    QString homeDir() const { return dir_ + "/home"; }

    // Runs pactl against this server; returns its standard output, or nothing on failure.
    std::optional<QString> pactl(const QStringList& args) const;
    // The raw per-channel volumes of a sink as pactl reports them.
    QList<long> volumes(const QString& sink) const;
    // "yes" or "no"; empty when pactl failed.
    QString mute(const QString& sink) const;

  private:
    QString dir_;
    QProcess daemon_;
    bool ready_ = false;
};
