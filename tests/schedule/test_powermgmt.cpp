#include "schedule/powermgmt.h"
#include "schedule/screensavesuppressor.h"
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records what each back end was asked, in order, as "<name>+" and "<name>-".
struct Journal {
    std::vector<std::string> calls;
    int factoryRuns = 0;
};

class FakeInhibitor : public TPowerInhibitor {
  public:
    FakeInhibitor(Journal& journal, std::string name, bool fails = false)
        : journal_(journal), name_(std::move(name)), fails_(fails) {}
    void acquire() override {
        journal_.calls.push_back(name_ + "+");
        if (fails_)
            throw std::runtime_error("refused");
    }
    void release() override {
        journal_.calls.push_back(name_ + "-");
        if (fails_)
            throw std::runtime_error("refused");
    }

  private:
    Journal& journal_;
    std::string name_;
    bool fails_;
};

TSystemCritical::TInhibitorFactory fakes(Journal& journal, bool firstFails = false) {
    return [&journal, firstFails] {
        ++journal.factoryRuns;
        TPowerInhibitors list;
        list.push_back(std::make_unique<FakeInhibitor>(journal, "session", firstFails));
        list.push_back(std::make_unique<FakeInhibitor>(journal, "logind"));
        list.push_back(std::make_unique<FakeInhibitor>(journal, "dpms"));
        return list;
    };
}

using Calls = std::vector<std::string>;

} // namespace

TEST(SystemCritical, OneRequestForManyTicksAndOneWithdrawal) {
    Journal journal;
    {
        TSystemCritical critical(fakes(journal));
        EXPECT_FALSE(critical.IsCritical());
        EXPECT_EQ(journal.factoryRuns, 0) << "construction asks the system nothing";
        for (int tick = 0; tick < 5; ++tick)
            critical.SetIsCritical(true);
        EXPECT_TRUE(critical.IsCritical());
        EXPECT_EQ(journal.calls, (Calls{"session+", "logind+", "dpms+"}));
        critical.SetIsCritical(false);
        critical.SetIsCritical(false);
        EXPECT_FALSE(critical.IsCritical());
    }
    EXPECT_EQ(journal.calls,
              (Calls{"session+", "logind+", "dpms+", "session-", "logind-", "dpms-"}));
    EXPECT_EQ(journal.factoryRuns, 1);
}

TEST(SystemCritical, NoRequestMeansNoWithdrawal) {
    Journal journal;
    {
        TSystemCritical critical(fakes(journal));
        critical.SetIsCritical(false);
    }
    EXPECT_TRUE(journal.calls.empty());
    EXPECT_EQ(journal.factoryRuns, 0);
}

TEST(SystemCritical, ARefusingBackEndLeavesTheOthersAndTheFlagAlone) {
    Journal journal;
    TSystemCritical critical(fakes(journal, true));
    EXPECT_NO_THROW(critical.SetIsCritical(true));
    EXPECT_TRUE(critical.IsCritical());
    EXPECT_NO_THROW(critical.SetIsCritical(false));
    EXPECT_EQ(journal.calls,
              (Calls{"session+", "logind+", "dpms+", "session-", "logind-", "dpms-"}));
}

TEST(SystemCritical, ARenewedRequestUsesTheSameBackEnds) {
    Journal journal;
    TSystemCritical critical(fakes(journal));
    critical.SetIsCritical(true);
    critical.SetIsCritical(false);
    critical.SetIsCritical(true);
    EXPECT_EQ(journal.factoryRuns, 1);
    EXPECT_EQ(journal.calls.size(), 9u);
    EXPECT_EQ(journal.calls.back(), "dpms+");
}

TEST(SystemCritical, TheSystemBackEndsAreHarmlessWithoutDisplayOrBuses) {
    // Offscreen drawing has no X connection; the buses are pointed at nothing.
    const QByteArray session = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray system = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tavorel-test-bus");
    {
        TSystemCritical critical;
        critical.SetIsCritical(true);
        EXPECT_TRUE(critical.IsCritical());
        critical.SetIsCritical(false);
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", session);
    if (system.isNull())
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    else
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", system);
}

namespace {

class FakeSaver : public TScreenSaverSwitch {
  public:
    explicit FakeSaver(std::vector<bool>& calls) : calls_(calls) {}
    void suspend(bool on) override { calls_.push_back(on); }

  private:
    std::vector<bool>& calls_;
};

} // namespace

TEST(ScreenSaveSuppressor, SuspendsOnceWhileActiveAndResumesOnce) {
    std::vector<bool> calls;
    TScreenSaveSuppressor suppressor(nullptr, std::make_unique<FakeSaver>(calls));
    EXPECT_FALSE(suppressor.Active());
    suppressor.setActive(false);
    EXPECT_TRUE(calls.empty());
    suppressor.setActive(true);
    suppressor.setActive(true);
    EXPECT_TRUE(suppressor.Active());
    EXPECT_EQ(calls, std::vector<bool>{true});
    suppressor.setActive(false);
    suppressor.setActive(false);
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST(ScreenSaveSuppressor, GoingAwayWhileActiveLetsTheSaverRunAgain) {
    std::vector<bool> calls;
    {
        TScreenSaveSuppressor suppressor(nullptr, std::make_unique<FakeSaver>(calls));
        suppressor.setActive(true);
    }
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
    calls.clear();
    { TScreenSaveSuppressor idle(nullptr, std::make_unique<FakeSaver>(calls)); }
    EXPECT_TRUE(calls.empty());
}

TEST(ScreenSaveSuppressor, TheHookMayLetTheSaverThrough) {
    std::vector<bool> calls;
    TScreenSaveSuppressor suppressor(nullptr, std::make_unique<FakeSaver>(calls));
    int asked = 0;
    suppressor.OnScreenSave = [&asked](bool& handled) {
        EXPECT_TRUE(handled);
        ++asked;
        handled = false;
    };
    suppressor.setActive(true);
    EXPECT_TRUE(suppressor.Active());
    suppressor.setActive(false);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(calls.empty()) << "nothing suspended, so nothing to resume";
}

TEST(ScreenSaveSuppressor, TheX11SwitchDoesNothingWithoutX) {
    TScreenSaveSuppressor suppressor(nullptr);
    suppressor.setActive(true);
    EXPECT_TRUE(suppressor.Active());
    suppressor.setActive(false);
    EXPECT_FALSE(suppressor.Active());
}
