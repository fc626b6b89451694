#include "sequencer/failurehandover.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

TEST(FailureHandoverTest, TheArgumentCarriesModeAndPositionsAndNothingElseIsRead) {
    const FailureHandover folder{false, 3, 1};
    const FailureHandover list{true, 12, 7};
    EXPECT_EQ(readFailureHandover({"/opt/board/tavorel", folder.argument()}), folder);
    EXPECT_EQ(readFailureHandover({"tavorel", "-platform", "xcb", list.argument(), "/NOSOUND"}),
              list);
    EXPECT_EQ(readFailureHandover({"tavorel", FailureHandover{false, 0, -1}.argument()}),
              (FailureHandover{false, 0, -1}));

    // The program's own path is never an argument, whatever it looks like.
    EXPECT_EQ(readFailureHandover({folder.argument()}), std::nullopt);
    for (const char* bad :
         {"--after-failure=", "--after-failure=folder,3", "--after-failure=web,3,1",
          "--after-failure=folder,x,1", "--after-failure=folder,-2,1",
          "--after-failure=folder,3,1,4", "--after-failure=folder, 3,1",
          "--AFTER-FAILURE=folder,3,1", "after-failure=folder,3,1"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(readFailureHandover({"tavorel", bad}), std::nullopt);
    }
}

// A board of `count` items whose items in `bad` always fail, run copy after copy: each copy starts
// where it was handed on, waits when told a round failed, shows items until one fails, and hands
// on. Returns what happened, in order: "show N", "fail N", "pause".
std::vector<std::string> runBoard(bool playlist, int count, const std::set<int>& bad, int copies) {
    const int firstPosition = playlist ? 1 : 0;
    const auto exists = [&](std::int32_t p) {
        return p >= firstPosition && p < firstPosition + count;
    };
    std::vector<std::string> events;
    std::optional<FailureHandover> handover;
    for (int copy = 0; copy < copies; ++copy) {
        if (handover && handover->roundFailed())
            events.push_back("pause");
        int p = handover ? handover->next : firstPosition;
        for (int shown = 0;; ++shown) {
            if (!exists(p))
                p = firstPosition;
            if (bad.count(p)) {
                events.push_back("fail " + std::to_string(p));
                handover = handoverAfterFailure(handover, playlist, p, p + 1, exists);
                EXPECT_EQ(handover->playlist, playlist);
                break;
            }
            events.push_back("show " + std::to_string(p));
            if (shown > 3 * count)
                return events; // nothing fails any more
            ++p;
        }
    }
    return events;
}

using Events = std::vector<std::string>;

TEST(FailureHandoverTest, EveryItemAfterAFailedOneIsShownAndEachFailsOnceARound) {
    EXPECT_EQ(runBoard(false, 5, {1, 3}, 5),
              (Events{"show 0", "fail 1", "show 2", "fail 3", "show 4", "show 0", "fail 1",
                      "show 2", "fail 3", "show 4", "show 0", "fail 1"}));
    // Failing items one after another, and the show's last item.
    EXPECT_EQ(runBoard(false, 4, {1, 2, 3}, 6), (Events{"show 0", "fail 1", "fail 2", "fail 3",
                                                        "show 0", "fail 1", "fail 2", "fail 3"}));
    EXPECT_EQ(runBoard(true, 3, {1}, 3),
              (Events{"fail 1", "show 2", "show 3", "fail 1", "show 2", "show 3", "fail 1"}));
}

TEST(FailureHandoverTest, ABoardWhoseEveryItemFailsPausesOnceARound) {
    EXPECT_EQ(runBoard(false, 3, {0, 1, 2}, 7),
              (Events{"fail 0", "fail 1", "fail 2", "pause", "fail 0", "fail 1", "fail 2", "pause",
                      "fail 0"}));
    EXPECT_EQ(runBoard(true, 2, {1, 2}, 5),
              (Events{"fail 1", "fail 2", "pause", "fail 1", "fail 2", "pause", "fail 1"}));
    EXPECT_EQ(runBoard(false, 1, {0}, 3), (Events{"fail 0", "pause", "fail 0", "pause", "fail 0"}));
}

TEST(FailureHandoverTest, AHandoverOfTheOtherModeStartsARoundOfItsOwn) {
    const auto any = [](std::int32_t p) { return p >= 0 && p < 10; };
    const FailureHandover fromFolder{false, 4, 2};
    EXPECT_EQ(handoverAfterFailure(fromFolder, true, 4, 5, any), (FailureHandover{true, 5, 4}));
    EXPECT_EQ(handoverAfterFailure(fromFolder, false, 4, 5, any), (FailureHandover{false, 5, 2}));
    // A failure before the item was chosen names the item shown before it.
    EXPECT_EQ(handoverAfterFailure(std::nullopt, false, -1, 0, any),
              (FailureHandover{false, 0, -1}));
}

} // namespace
