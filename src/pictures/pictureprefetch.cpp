#include "pictures/pictureprefetch.h"

#include "core/filenames.h"
#include "core/shareaccess.h"
#include <QFile>
#include <sys/stat.h>

struct PicturePrefetcher::Job {
    QString path;
    PictureFit fit;
    std::shared_ptr<DeadlineWorker::Call> call;
    // Written by the worker before its call is marked finished, read only after that.
    std::optional<FileIdentity> identity;
    std::optional<FittedPicture> picture;
};

PicturePrefetcher::PicturePrefetcher() = default;

// A decode still running ends on its worker thread and drops its picture there.
PicturePrefetcher::~PicturePrefetcher() = default;

std::optional<PicturePrefetcher::FileIdentity> PicturePrefetcher::identify(const QString& path) {
    struct stat st {};
    if (::stat(encodeFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

void PicturePrefetcher::drop() {
    // A decode running finishes on its own and is then dropped.
    job_.reset();
}

void PicturePrefetcher::prefetch(const QString& path, const PictureFit& fit) {
    if (job_ && job_->path == path && job_->fit == fit)
        return;
    drop();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->fit = fit;
    // Refused when the share's threads are all taken or this file's last read never came back:
    // then there is no prefetch and the tick deals with the file.
    job->call = share::worker().start(path, [job] {
        // The identity is taken before the file is read: a change while reading moves the
        // modification time, so the tick will not take a picture of a half-written file.
        std::optional<FileIdentity> identity = identify(job->path);
        std::optional<FittedPicture> picture;
        if (identity) {
            try {
                picture = loadFittedPicture(job->path, job->fit);
            } catch (...) {
                // The tick decodes the file itself and reports the failure there.
            }
        }
        job->identity = identity;
        job->picture = std::move(picture);
    });
    // The worker holds the job until the decode ends, since the call drops its function then.
    if (job->call)
        job_ = job;
}

std::optional<FittedPicture> PicturePrefetcher::take(const QString& path, const PictureFit& fit) {
    std::shared_ptr<Job> job = std::exchange(job_, nullptr);
    if (!job || job->path != path || !(job->fit == fit)) {
        drop();
        ++misses_;
        return std::nullopt;
    }
    DeadlineWorker::Outcome outcome = DeadlineWorker::Outcome::Returned;
    if (!share::worker().wait(job->call, share::deadline()))
        outcome = DeadlineWorker::Outcome::TimedOut;
    share::note(outcome, path);
    if (outcome != DeadlineWorker::Outcome::Returned || !job->picture || !job->identity) {
        ++misses_;
        return std::nullopt;
    }
    // Whether the file is still the one that was read; a share that does not tell in time gives
    // no picture.
    const std::optional<std::optional<FileIdentity>> now =
        share::call<std::optional<FileIdentity>>(path, [path] { return identify(path); });
    if (!now || *now != job->identity) {
        ++misses_;
        return std::nullopt;
    }
    ++hits_;
    return std::move(job->picture);
}

std::optional<FittedPicture> PicturePrefetcher::picture(const QString& path,
                                                        const PictureFit& fit) {
    if (std::optional<FittedPicture> ready = take(path, fit))
        return ready;
    return share::call<FittedPicture>(path, [path, fit] { return loadFittedPicture(path, fit); });
}

void PicturePrefetcher::waitForIdle() {
    if (job_)
        share::worker().wait(job_->call, std::chrono::hours(1));
}
