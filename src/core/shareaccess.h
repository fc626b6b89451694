#pragma once

#include "core/deadlineworker.h"
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

// Every call on the pictures folder and its files (listing, stat, opening, reading, decoding) goes
// through here: it runs on a worker thread and the caller waits for it at most the share's
// deadline. A network share that stops answering then costs the board a few seconds now and then,
// never the screen: the caller goes on with what it has, and a file that does not arrive in time
// is taken as one that is gone.
//
// When a call first misses its deadline, one line goes to the log sink and stderr; when a call
// comes back in time again, one more. Nothing in between, however many calls fail.
namespace share {

// TAVOREL_SHARE_DEADLINE_MS when set to a positive number (tests shorten it), else 4 s: long
// enough for a slow share to list a large folder or deliver a large picture, short enough that
// the show and the control files go on.
std::chrono::milliseconds deadline();

// Where the two lines go besides stderr (ERROR.LOG); the sink's own failures are ignored.
void setLogSink(std::function<void(const QString&)> sink);

DeadlineWorker& worker();

// Records how a call on the share came back, and writes the line when the share's state changes.
// A call refused because the same key is still out is no news: it leaves the state alone.
void note(DeadlineWorker::Outcome outcome, const QString& key);

// fn on a worker within the deadline; nothing when it did not come back in time or could not be
// started. An exception fn raises is rethrown here. A call that may touch a file off the share
// (a settings file beside the program, say) passes answerTells = false: its coming back in time
// then says nothing about the share.
template <class R>
std::optional<R> call(const QString& key, std::function<R()> fn, bool answerTells = true) {
    DeadlineWorker::Outcome outcome = DeadlineWorker::Outcome::Returned;
    std::optional<R> result = worker().run<R>(key, std::move(fn), deadline(), &outcome);
    if (answerTells || outcome != DeadlineWorker::Outcome::Returned)
        note(outcome, key);
    return result;
}

// Whether path names a regular file; nothing when the share did not tell in time.
std::optional<bool> tryIsFile(const QString& path);

// Whether path names a regular file; false too when the share did not tell in time.
bool isFile(const QString& path);

// As isFile, and the file's first bytes arrive in time too: for a caller that opens and reads
// the file where it may not wait (the media back end, on the UI thread). Whether the open or the
// read succeeds is no matter here; the caller's own open reports that.
bool isArrivingFile(const QString& path);

} // namespace share
