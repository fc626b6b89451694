#include "brevutil/brevutil.h"
#include "core/configcatalog.h"
#include "core/regional.h"
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ConfigCatalog : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    TIniFile write(const QByteArray& text) {
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        return TIniFile(path, systemClock(), regional);
    }

    TFixedRegionalFormats regional;

    QTemporaryDir dir;
};

} // namespace

TEST_F(ConfigCatalog, EveryKeyIsListedOnceAndFoundByItsKey) {
    QSet<QString> seen;
    for (const ConfigEntry& e : configCatalog()) {
        const QString id =
            QString::fromUtf8(e.section).toLower() + u'/' + QString::fromUtf8(e.name);
        EXPECT_FALSE(seen.contains(id)) << id.toStdString();
        seen.insert(id);
        EXPECT_EQ(&configEntry(e.key), &e);
    }
    EXPECT_EQ(configCatalog().size(), static_cast<size_t>(ConfigKey::Holiday) + 1);
}

TEST_F(ConfigCatalog, AMissingFileGivesEveryDefault) {
    const TIniFile missing(dir.filePath(QStringLiteral("absent.ini")));
    EXPECT_EQ(readConfigText(missing, ConfigKey::ImagesFileMask),
              QStringLiteral("*.bmp;*.jpg;*.gif;*.png;*.avi;*.mpg;*.mpeg;*.mp4;*.url"));
    EXPECT_EQ(readConfigText(missing, ConfigKey::ImagesFolder), TBrevUtil().getstartdir());
    EXPECT_EQ(readConfigInteger(missing, ConfigKey::NewFilesTimer), 30000);
    EXPECT_EQ(readConfigInteger(missing, ConfigKey::NextImageTimer), 5000);
    EXPECT_EQ(readConfigInteger(missing, ConfigKey::scrollspeed), 5);
    EXPECT_FALSE(readConfigSwitch(missing, ConfigKey::StretchImage));
    EXPECT_TRUE(readConfigSwitch(missing, ConfigKey::KeepAspectRatio));
    EXPECT_FALSE(readConfigSwitch(missing, ConfigKey::UsePlaylist));
    EXPECT_EQ(readConfigText(missing, ConfigKey::OffScheduleText), QString());
    EXPECT_DOUBLE_EQ(readConfigTime(missing, ConfigKey::MonOn), 0.0);
    EXPECT_NEAR(readConfigTime(missing, ConfigKey::MonOff), (23 * 60 + 59) / 1440.0, 1e-9);
}

TEST_F(ConfigCatalog, KeysAreReadUnderEitherSpellingOfTheirSection) {
    const TIniFile ini = write("[Main]\r\nKeepAspectRatio=0\r\nStretchImage=1\r\nOffsetX=100\r\n"
                               "[schedule]\r\nEnableSchedule=1\r\nSatOn=9:30\r\n");
    EXPECT_FALSE(readConfigSwitch(ini, ConfigKey::KeepAspectRatio));
    EXPECT_TRUE(readConfigSwitch(ini, ConfigKey::StretchImage));
    EXPECT_EQ(readConfigInteger(ini, ConfigKey::OffsetX), 100);
    EXPECT_TRUE(readConfigSwitch(ini, ConfigKey::EnableSchedule));
    EXPECT_NEAR(readConfigTime(ini, scheduleOnKey(7)), (9 * 60 + 30) / 1440.0, 1e-9);
}

TEST_F(ConfigCatalog, SwitchesAreNumbersNotWords) {
    const TIniFile ini = write("[MAIN]\nStopScreenSaver=yes\nShowFileName=2\nStretchImage=true\n");
    EXPECT_FALSE(readConfigSwitch(ini, ConfigKey::StopScreenSaver));
    EXPECT_TRUE(readConfigSwitch(ini, ConfigKey::ShowFileName));
    EXPECT_FALSE(readConfigSwitch(ini, ConfigKey::StretchImage));
}

TEST_F(ConfigCatalog, WeekdayKeysRunFromSundayToSaturday) {
    EXPECT_STREQ(configEntry(scheduleOnKey(1)).name, "SunOn");
    EXPECT_STREQ(configEntry(scheduleOnKey(4)).name, "WedOn");
    EXPECT_STREQ(configEntry(scheduleOffKey(7)).name, "SatOff");
    EXPECT_STREQ(configEntry(scheduleOffKey(2)).name, "MonOff");
}

TEST_F(ConfigCatalog, TimeDefaultsThatDoNotConvertAreErrors) {
    RegionalSettings odd;
    odd.timeSeparator = u'.';
    regional.settings = odd;
    const TIniFile ini = write("[Schedule]\n");
    EXPECT_THROW(readConfigTime(ini, ConfigKey::MonOn), std::exception);
}
