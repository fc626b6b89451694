#include "core/errors.h"
#include "schedule/volumectrl.h"

#include "pulseserver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

long raw(float level) {
    return std::lround(double(level) * 65536);
}

int openDescriptors() {
    return int(QDir("/proc/self/fd")
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

// Every test gets its own directory, no way to the machine's pulse server, and an ALSA
// configuration that defines no device at all, so that the machine's sound hardware (or its
// absence) never shows.
class VolumeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        setEnv("PULSE_RUNTIME_PATH", path("nowhere"));
        setEnv("XDG_RUNTIME_DIR", path("nowhere"));
        setEnv("PULSE_SERVER", "unix:" + path("no-server"));
        useAlsaConfig("");
    }
    void TearDown() override {
        for (const auto& [name, old] : savedEnv_) {
            if (old)
                setenv(name.c_str(), old->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    void setEnv(const std::string& name, const QString& value) {
        if (!savedEnv_.count(name)) {
            const char* old = getenv(name.c_str());
            savedEnv_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        setenv(name.c_str(), value.toUtf8().constData(), 1);
    }

    // A fresh file each time: alsa-lib reloads its configuration when the file list changes.
    void useAlsaConfig(const QByteArray& text) {
        const QString file = path(QStringLiteral("alsa%1.conf").arg(++alsaConfigs_));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        setEnv("ALSA_CONFIG_PATH", file);
    }

    QTemporaryDir dir_;

  private:
    std::map<std::string, std::optional<std::string>> savedEnv_;
    int alsaConfigs_ = 0;
};

class VolumeOnPulseTest : public VolumeTest {
  protected:
    void SetUp() override {
        VolumeTest::SetUp();
        server_ = std::make_unique<PulseServer>(path("pulse"));
        ASSERT_TRUE(server_->isReady()) << server_->log().toStdString();
        setEnv("PULSE_RUNTIME_PATH", server_->runtimeDir());
        setEnv("XDG_RUNTIME_DIR", server_->runtimeDir());
        setEnv("HOME", server_->homeDir());
        setEnv("PULSE_SERVER", server_->address());
    }
    void TearDown() override {
        server_.reset();
        VolumeTest::TearDown();
    }

    void setSinkVolume(const QString& sink, const QStringList& rawValues) {
        ASSERT_TRUE(server_->pactl(QStringList{"set-sink-volume", sink} + rawValues));
    }

    std::unique_ptr<PulseServer> server_;
};

// An uneven stereo sink reads as its loudest channel and is set in proportion, so that merely
// reading and setting back the level, as start-up and close do, leaves the balance as it was.
TEST_F(VolumeOnPulseTest, ReadsTheLoudestChannelAndKeepsTheBalance) {
    setSinkVolume("test", {"65536", "32768"});
    const float level = GetMasterVolume();
    EXPECT_EQ(level, 1.0f);
    SetMasterVolume(level);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{65536, 32768}));

    SetMasterVolume(0.5f);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{32768, 16384}));
    EXPECT_EQ(GetMasterVolume(), 0.5f);
    // Silence for a video and the level back at the close: the balance comes back with it.
    SetMasterVolume(0.0f);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{0, 0}));
    SetMasterVolume(level);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{65536, 32768}));

    setSinkVolume("test", {"20000", "40000"});
    EXPECT_FLOAT_EQ(GetMasterVolume(), 40000.0f / 65536);
    SetMasterVolume(GetMasterVolume());
    EXPECT_EQ(server_->volumes("test"), (QList<long>{20000, 40000}));
}

TEST_F(VolumeOnPulseTest, SilencingNeitherReadsNorChangesMute) {
    setSinkVolume("test", {"50000", "50000"});
    const float start = GetMasterVolume();
    SetMasterVolume(0.0f);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{0, 0}));
    EXPECT_EQ(server_->mute("test"), "no");
    EXPECT_EQ(GetMasterVolume(), 0.0f);

    SetMasterVolume(start);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{50000, 50000}));

    ASSERT_TRUE(server_->pactl({"set-sink-mute", "test", "1"}));
    SetMasterVolume(0.5f);
    EXPECT_EQ(server_->mute("test"), "yes");
    EXPECT_EQ(server_->volumes("test"), (QList<long>{32768, 32768}));
}

TEST_F(VolumeOnPulseTest, LevelOutsideTheRangeRaisesAndChangesNothing) {
    setSinkVolume("test", {"30000", "30000"});
    ::testing::internal::CaptureStderr();
    for (float bad : {-0.01f, 1.01f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        try {
            SetMasterVolume(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const EOSError& e) {
            EXPECT_EQ(e.code(), EINVAL);
            EXPECT_EQ(e.message(), "System Error.  Code: 22.\r\nInvalid argument");
        }
    }
    EXPECT_EQ(server_->volumes("test"), (QList<long>{30000, 30000}));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("volume level 1.01 is outside"),
              std::string::npos);
}

// Read above 1.0, the level could never be set back: every later call would fail.
TEST_F(VolumeOnPulseTest, OverAmplifiedSinkReadsAsFullVolume) {
    setSinkVolume("test", {"98304", "98304"});
    const float level = GetMasterVolume();
    EXPECT_EQ(level, 1.0f);
    SetMasterVolume(level);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{65536, 65536}));
}

TEST_F(VolumeOnPulseTest, FollowsAChangeOfTheDefaultSink) {
    ASSERT_TRUE(
        server_->pactl({"load-module", "module-null-sink", "sink_name=second", "channels=6"}));
    setSinkVolume("test", {"50000", "50000"});
    setSinkVolume("second", {"10000", "10000", "10000", "10000", "10000", "10000"});
    const float start = GetMasterVolume();
    EXPECT_FLOAT_EQ(start, 50000.0f / 65536);

    ASSERT_TRUE(server_->pactl({"set-default-sink", "second"}));
    EXPECT_FLOAT_EQ(GetMasterVolume(), 10000.0f / 65536);
    SetMasterVolume(start);
    EXPECT_EQ(server_->volumes("second"), QList<long>(6, 50000));
    SetMasterVolume(0.2f);
    EXPECT_EQ(server_->volumes("second"), QList<long>(6, raw(0.2f)));
    EXPECT_EQ(server_->volumes("test"), (QList<long>{50000, 50000}));
}

// With no pulse server to talk to, the ALSA mixer does the work. Its default control device here
// is alsa-plugins' pulse control bound to the private server, the only mixer a test can count on.
TEST_F(VolumeOnPulseTest, AlsaMixerTakesOverWhenNoServerAnswers) {
    setEnv("PULSE_SERVER", "unix:" + path("no-server"));
    setEnv("PULSE_RUNTIME_PATH", path("nowhere"));
    setEnv("XDG_RUNTIME_DIR", path("nowhere"));
    useAlsaConfig("ctl.default { type pulse server \"" + server_->address().toUtf8() + "\" }\n");
    setSinkVolume("test", {"20000", "40000"});

    EXPECT_FLOAT_EQ(GetMasterVolume(), 40000.0f / 65536);
    SetMasterVolume(GetMasterVolume());
    EXPECT_EQ(server_->volumes("test"), (QList<long>{20000, 40000}));
    SetMasterVolume(0.0f);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{0, 0}));
    SetMasterVolume(0.7f);
    EXPECT_EQ(server_->volumes("test"), (QList<long>{std::lround(raw(0.7f) / 2.0), raw(0.7f)}));
    EXPECT_EQ(server_->mute("test"), "no");
}

TEST_F(VolumeOnPulseTest, EveryCallReleasesWhatItOpened) {
    GetMasterVolume(); // libraries' one-time set-up is not a leak
    const int before = openDescriptors();
    for (int i = 0; i < 5; ++i) {
        SetMasterVolume(GetMasterVolume());
        EXPECT_THROW(SetMasterVolume(2.0f), EOSError);
    }
    setEnv("PULSE_SERVER", "unix:" + path("no-server"));
    EXPECT_THROW(GetMasterVolume(), EOSError);
    useAlsaConfig("ctl.default { type pulse server \"" + server_->address().toUtf8() + "\" }\n");
    SetMasterVolume(0.4f);
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(VolumeTest, WithoutServerOrMixerBothCallsRaiseAndStderrSaysWhy) {
    ::testing::internal::CaptureStderr();
    for (int call = 0; call < 2; ++call) {
        try {
            call == 0 ? void(GetMasterVolume()) : SetMasterVolume(0.5f);
            ADD_FAILURE() << "no error from call " << call;
        } catch (const EOSError& e) {
            EXPECT_GT(e.code(), 0);
            const QString head = QStringLiteral("System Error.  Code: %1.\r\n").arg(e.code());
            // The message is the system's text for the code and nothing more; the detail goes
            // to stderr, one line a call.
            EXPECT_EQ(e.message(), head + QString::fromStdString(std::strerror(e.code())));
        }
    }
    const QStringList lines = QString::fromStdString(::testing::internal::GetCapturedStderr())
                                  .split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith("tavorel: error: master volume: ")) << line.toStdString();
        EXPECT_TRUE(line.contains("no sound server or mixer is reachable")) << line.toStdString();
        EXPECT_TRUE(line.contains("PulseAudio: Connection refused")) << line.toStdString();
    }
}

// A server that takes the connection and never answers must not hang the board.
TEST_F(VolumeTest, HungServerRaisesATimeout) {
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray file = path("hung").toUtf8();
    ASSERT_LT(size_t(file.size()), sizeof(address.sun_path));
    std::copy(file.begin(), file.end(), address.sun_path);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    setEnv("PULSE_SERVER", "unix:" + path("hung"));

    try {
        GetMasterVolume();
        ADD_FAILURE() << "no error";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.code(), ETIMEDOUT) << e.what();
    }
    close(listener);
}

class FakeVolume : public VolumeBackend {
  public:
    float get() override { return level; }
    void set(float l) override { sets.push_back(l); }
    float level = 0.42f;
    std::vector<float> sets;
};

TEST_F(VolumeTest, AGivenBackendIsUsedInPlaceOfTheSystemMixer) {
    FakeVolume fake;
    EXPECT_EQ(GetMasterVolume(fake), 0.42f);
    SetMasterVolume(0.25f, fake);
    EXPECT_THROW(SetMasterVolume(1.5f, fake), EOSError);
    EXPECT_EQ(fake.sets, std::vector<float>{0.25f});

    // The system's mixer is still the one without a backend given.
    EXPECT_THROW(GetMasterVolume(), EOSError);
}

} // namespace
