#pragma once

#include "content/folderlist.h"
#include "core/inifile.h"
#include "sequencer/failurehandover.h"
#include "sequencer/slidehost.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

// Where the show stands. The slide tick reads and moves it; the window owns it.
struct SlideState {
    TFileListBox& files;
    const QString& folder; // with its trailing "/"
    std::int32_t& imageindex;
    std::int32_t& playlistitemindex;
    const bool& usePlayList;
    const bool& showFileName;
    const bool& pollSourceDrive;
    const bool& preventScreenSaver;
    const std::unique_ptr<TIniFile>& playlist;
};

// The slide tick: each run moves the show on by one item, and any failure on the way is logged and
// ends in a fresh copy of the board, which is handed the position to go on with (see
// failurehandover.h).
class SlideTick {
  public:
    SlideTick(SlideHost& host, SlideState state) : host_(host), state_(state) {}

    // At start-up, once the settings are read: the hand-over this copy was started with, if any.
    // Puts the show at its position, and when a whole round failed lengthens the wait for the
    // first item (the slide interval goes back to its own value at that item). A hand-over of the
    // other mode, or of a playlist that did not start, is dropped and the show begins at the start.
    void takeHandover(const std::optional<FailureHandover>& handover);

    // One tick of NextImageTimer.
    void run();

  private:
    void showItem(const QString& path);
    void prefetchNextPicture();
    void pollSourceDrive();
    // itemReached: the tick had chosen its item when it failed.
    void slideFailed(const QString& text, bool itemReached);
    FailureHandover handoverAfter(bool itemReached) const;
    void pauseFirstItem();

    SlideHost& host_;
    SlideState state_;
    // What this copy was started with; kept for its own failure.
    std::optional<FailureHandover> received_;
    // The slide interval to go back to at the next tick, after the pause of a failed round.
    std::optional<std::uint32_t> intervalAfterPause_;
};
