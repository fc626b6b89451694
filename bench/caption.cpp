// How fast captions are read and laid out, how much memory reloading them for a long time takes,
// and what one playlist search costs on a long playlist whose items are all out of their window
// (the search's worst case: every item visited once, every value read from the file afresh).
//
// Usage: build/bench/bench_caption [reload-count]

#include "brevutil/clock.h"
#include "captions/captiondocument.h"
#include "captions/rtfreader.h"
#include "captions/transparentrichedit.h"
#include "content/playlistitemsearch.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long currentRssKb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : -1;
}

// A caption as a word processor writes it, with n paragraphs of mixed formatting.
QByteArray wordPadCaption(int paragraphs) {
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 "
        "Calibri;}{\\f1\\fnil\\fcharset0 Tahoma;}}\r\n{\\colortbl ;\\red255\\green0"
        "\\blue0;\\red0\\green0\\blue255;}\r\n{\\*\\generator Riched20 10.0.19041}"
        "\\viewkind4\\uc1 \r\n";
    for (int i = 0; i < paragraphs; ++i)
        rtf += "\\pard\\sa200\\sl276\\slmult1\\qc\\cf1\\b\\f0\\fs44 Summer Sale " +
               QByteArray::number(i) +
               "\\cf0\\b0\\f1\\fs22  Everything \\i 20%\\i0  off \\endash  caf\\'e9 \\u8364? 5"
               "\\cf2\\ul  today only\\ulnone\\par\r\n";
    return rtf + "}\r\n";
}

template <typename F> double millisecondsPer(int repeats, F&& f) {
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < repeats; ++i)
        f();
    return static_cast<double>(t.nsecsElapsed()) / 1e6 / repeats;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int reloads = argc > 1 ? std::atoi(argv[1]) : 20000;

    const QByteArray small = wordPadCaption(3);
    const QByteArray large = wordPadCaption(5000);
    std::printf("caption sizes: small %lld bytes, large %lld bytes\n",
                static_cast<long long>(small.size()), static_cast<long long>(large.size()));

    const double readSmall = millisecondsPer(2000, [&] { (void)readRtf(small); });
    const double readLarge = millisecondsPer(5, [&] { (void)readRtf(large); });
    std::printf("RTF reader: small %.4f ms, large %.1f ms (%.1f MB/s)\n", readSmall, readLarge,
                large.size() / 1e6 / (readLarge / 1000));

    TTransparentRichEdit box;
    box.resize(1920, 1080);
    const double loadSmall = millisecondsPer(500, [&] {
        box.LoadFromBytes(small);
        (void)box.RenderedHeight();
    });
    const double loadLarge = millisecondsPer(3, [&] {
        box.LoadFromBytes(large);
        (void)box.RenderedHeight();
    });
    std::printf("load and lay out in the overlay: small %.3f ms, large %.1f ms\n", loadSmall,
                loadLarge);

    // A caption reloaded at every slide for a long time: memory must level off.
    box.LoadFromBytes(small);
    const long before = currentRssKb();
    long atHalf = 0;
    for (int i = 0; i < reloads; ++i) {
        box.LoadFromBytes(small);
        (void)box.RenderedHeight();
        if (i == reloads / 2)
            atHalf = currentRssKb();
    }
    const long after = currentRssKb();
    std::printf("%d reloads: RSS %ld kB before, %ld kB half-way, %ld kB after\n", reloads, before,
                atHalf, after);

    // Playlist search over N items that are all out of their window.
    QTemporaryDir dir;
    for (int items : {50, 200, 1000}) {
        QByteArray text;
        for (int i = 1; i <= items; ++i)
            text += "[Item" + QByteArray::number(i) +
                    "]\r\nFileName=a.jpg\r\nduration=5000\r\n"
                    "StartDateTime=1/2/2000\r\nEndDateTime=1/1/2000\r\nAddRichText=c.rtf\r\n";
        QFile f(dir.filePath(QStringLiteral("playlist.ini")));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
        f.close();
        const TIniFile playlist(f.fileName());
        const TIniFile config(dir.filePath(QStringLiteral("config.ini")));
        const double ms = millisecondsPer(items >= 1000 ? 1 : 5, [&] {
            std::int32_t index = 1;
            const PlaylistSearchResult r = searchPlaylist(
                &playlist, config, [](const QString&) { return 0; }, index, systemClock());
            if (r.chosen)
                std::abort();
        });
        std::printf("playlist search, %d items all out of their window: %.1f ms\n", items, ms);
    }
    std::printf("peak RSS %ld kB\n", peakRssKb());
    return 0;
}
