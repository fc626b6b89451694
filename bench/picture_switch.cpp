// Picture switch latency: from the slide tick to the finished frame that shows the new picture,
// on a 1920 x 1080 window, for a 24-megapixel JPEG and a large PNG.
//
//   naive       decode the whole file with QImage, scale it smoothly while painting the frame
//   board-cold  the board without a prefetched picture: decode at the drawn size, paint 1:1
//   board-warm  the board with the picture prefetched while the previous one was on screen
//
// Prints one line per case: name, median and best milliseconds over the runs, and the ratio of
// the naive median to the case's median.

#include "pictures/fittedpicture.h"
#include "pictures/image.h"
#include "pictures/pictureprefetch.h"
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr QSize window(1920, 1080);

// A photo-like test picture: smooth gradients with some detail, so codecs do real work.
QImage testPicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb((x * 255) / w, (y * 255) / h, ((x ^ y) & 0xff));
    }
    return image;
}

double timeMs(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

struct Result {
    double median, best;
};

Result measure(int runs, const std::function<double()>& once) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(once());
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

void report(const char* file, const char* name, Result r, double naiveMedian) {
    std::printf("%-10s %-11s median %8.1f ms  best %8.1f ms  naive/this %6.1fx\n", file, name,
                r.median, r.best, naiveMedian / r.median);
    std::fflush(stdout);
}

void bench(const QString& path, const char* label, int runs) {
    QImage frame(window, QImage::Format_RGB32);
    const PictureFit fit{window, false, true};

    const Result naive = measure(runs, [&] {
        return timeMs([&] {
            const QImage image(path);
            frame.fill(Qt::black);
            QPainter p(&frame);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(fitPicture(image.width(), image.height(), window.width(), window.height(),
                                   false, true),
                        image);
        });
    });
    report(label, "naive", naive, naive.median);

    TImage layer;
    const auto paint = [&] {
        frame.fill(Qt::black);
        QPainter p(&frame);
        layer.paint(p, window);
    };
    const Result cold = measure(runs, [&] {
        return timeMs([&] {
            layer.setPicture(loadFittedPicture(path, fit));
            paint();
        });
    });
    report(label, "board-cold", cold, naive.median);

    PicturePrefetcher prefetch;
    const Result warm = measure(runs, [&] {
        prefetch.prefetch(path, fit);
        prefetch.waitForIdle(); // the previous picture's time on screen
        return timeMs([&] {
            std::optional<FittedPicture> ready = prefetch.take(path, fit);
            layer.setPicture(ready ? std::move(*ready) : loadFittedPicture(path, fit));
            paint();
        });
    });
    report(label, "board-warm", warm, naive.median);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString jpeg = dir.filePath("photo-24mp.jpg");
    const QString png = dir.filePath("poster.png");
    testPicture(6000, 4000).save(jpeg, "JPG", 90);
    testPicture(4000, 3000).save(png, "PNG");
    bench(jpeg, "24MP JPEG", runs);
    bench(png, "12MP PNG", runs);
    return 0;
}
