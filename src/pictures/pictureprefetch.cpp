#include "pictures/pictureprefetch.h"

#include "core/filenames.h"

#include <QFile>
#include <QWaitCondition>
#include <sys/stat.h>

struct PicturePrefetcher::Job {
    QString path;
    PictureFit fit;
    QMutex mutex;
    QWaitCondition done;
    bool finished = false;
    std::optional<FileIdentity> identity;
    std::optional<FittedPicture> picture;
};

PicturePrefetcher::PicturePrefetcher() {
    pool_.setMaxThreadCount(1);
}

PicturePrefetcher::~PicturePrefetcher() {
    pool_.clear();
    pool_.waitForDone();
}

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
    // A job still queued is simply not run; one running finishes on its own and is then dropped.
    pool_.clear();
    job_.reset();
}

void PicturePrefetcher::prefetch(const QString& path, const PictureFit& fit) {
    if (job_ && job_->path == path && job_->fit == fit)
        return;
    drop();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->fit = fit;
    job_ = job;
    pool_.start([job] {
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
        QMutexLocker lock(&job->mutex);
        job->identity = identity;
        job->picture = std::move(picture);
        job->finished = true;
        job->done.wakeAll();
    });
}

std::optional<FittedPicture> PicturePrefetcher::take(const QString& path, const PictureFit& fit) {
    std::shared_ptr<Job> job = std::exchange(job_, nullptr);
    if (!job || job->path != path || !(job->fit == fit)) {
        drop();
        ++misses_;
        return std::nullopt;
    }
    // The job is queued behind at most one dropped job, or running, or done: it always ends, and
    // waiting for it is never longer than decoding the file here.
    std::optional<FittedPicture> picture;
    std::optional<FileIdentity> identity;
    {
        QMutexLocker lock(&job->mutex);
        while (!job->finished)
            job->done.wait(&job->mutex);
        identity = job->identity;
        picture = std::move(job->picture);
    }
    if (!picture || !identity || identify(path) != identity) {
        ++misses_;
        return std::nullopt;
    }
    ++hits_;
    return picture;
}
