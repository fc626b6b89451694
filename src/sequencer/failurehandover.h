#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// What a copy that failed on an item hands to the fresh copy it starts: where the show goes on
// (the item after the failed one) and where the failures of this round began. One argument on the
// fresh copy's command line carries it; the board reads no other argument, and a copy started any
// other way begins its show from the start.
//
// The fresh copy goes on with the next item, so an item that cannot be shown fails once per round
// of the show and the items after it are still seen. A copy that fails on the very first item it
// tries carries the round's first failed position on; when the position to go on with comes back
// to it, every item of a whole round has failed, one restart after another, and the fresh copy
// waits before it starts the next round, so a board whose every item fails does not restart in a
// tight loop.
struct FailureHandover {
    bool playlist = false;  // positions are playlist section numbers, else folder-list positions
    std::int32_t next = 0;  // the position the fresh copy goes on with
    std::int32_t first = 0; // the first failed position of this round

    // The command-line argument that carries it.
    QString argument() const;
    // A whole round has failed: the fresh copy pauses before it tries the next item.
    bool roundFailed() const { return next == first; }

    bool operator==(const FailureHandover&) const = default;
};

// The hand-over among a whole command line (argument 0, the program, is never looked at); none
// when no argument carries one or its value is not well formed.
std::optional<FailureHandover> readFailureHandover(const QStringList& args);

// The hand-over of a copy that failed at position `failed` and would have gone on at `next`;
// received is what this copy was started with. A next position that does not exist is the end of
// the show, and the fresh copy goes on with the first (0 in the folder list, section 1 of a
// playlist).
FailureHandover handoverAfterFailure(const std::optional<FailureHandover>& received, bool playlist,
                                     std::int32_t failed, std::int32_t next,
                                     const std::function<bool(std::int32_t)>& positionExists);

// The wait before the next round once a whole round has failed.
constexpr int failedRoundPauseMs = 60000;
