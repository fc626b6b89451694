#pragma once

#include "core/deadlineworker.h"
#include "pictures/fittedpicture.h"
#include <memory>
#include <optional>

// Decodes the picture that comes next while the current one is on screen, so that the switch at
// the slide tick is a copy of a ready picture. A prefetched picture is used only when its file is
// still the one that was read (same path, device, inode, size and modification time) and the fit
// is the same; otherwise the tick decodes the file itself, exactly as without prefetching, and a
// file that fails to decode fails there. The decode runs on one of the share's worker threads
// (core/shareaccess.h); only the file and the fit cross over, and nothing here waits for the
// folder longer than the share's deadline.
class PicturePrefetcher {
  public:
    PicturePrefetcher();
    ~PicturePrefetcher();
    PicturePrefetcher(const PicturePrefetcher&) = delete;
    PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

    // Starts decoding path in the background, replacing any earlier prefetch; nothing happens when
    // that file is already prefetched or being prefetched with this fit.
    void prefetch(const QString& path, const PictureFit& fit);
    // The prefetched picture of path, when it is ready or being decoded (then this waits for it,
    // at most the share's deadline) and the file has not changed since. The prefetch is used up
    // either way.
    std::optional<FittedPicture> take(const QString& path, const PictureFit& fit);
    // The prefetched picture, else path decoded now on a worker thread; nothing when the file did
    // not arrive within the share's deadline (then it is to be taken as gone). A file that does
    // not decode raises the decoder's error here.
    std::optional<FittedPicture> picture(const QString& path, const PictureFit& fit);

    // Waits until the last prefetch has ended (benchmarks and tests).
    void waitForIdle();

    // Counters for the benchmarks and tests.
    int hits() const { return hits_; }
    int misses() const { return misses_; }

    // The identity of a file as the prefetch compares it; nothing when it cannot be read.
    struct FileIdentity {
        quint64 device = 0, inode = 0;
        qint64 size = 0, mtimeNs = 0, ctimeNs = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    static std::optional<FileIdentity> identify(const QString& path);

  private:
    struct Job;
    void drop();

    std::shared_ptr<Job> job_;
    int hits_ = 0;
    int misses_ = 0;
};
