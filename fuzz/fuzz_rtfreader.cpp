// Feeds arbitrary bytes to the caption reader: the RTF reader, the plain-text fallback and the
// document they build, laid out as the overlay lays it out. Any crash, sanitizer report, hang or
// runaway memory use is a fault.

#include "captions/captiondocument.h"
#include "captions/rtfreader.h"
#include "core/textdecoding.h"
#include <QGuiApplication>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Laying out text needs fonts, and fonts need an application; no display is used.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

namespace {

struct Count {
    qsizetype characters = 0;
    qsizetype paragraphs = 0;
    qsizetype cells = 0;
    int depth = 0;
};

void countParagraphs(const std::vector<RtfParagraph>& paragraphs, Count& count, int depth = 0) {
    count.depth = std::max(count.depth, depth);
    for (const RtfParagraph& p : paragraphs) {
        ++count.paragraphs;
        for (const RtfRun& r : p.runs)
            count.characters += r.text.size();
        if (!p.table)
            continue;
        for (const RtfRow& row : p.table->rows) {
            if (row.cells.empty() || row.cells.size() > rtfMaxRowCells)
                std::abort();
            for (const RtfCell& cell : row.cells) {
                ++count.cells;
                countParagraphs(cell.paragraphs, count, depth + 1);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    QString error;
    const std::optional<RtfDocument> rtf = readRtf(bytes, &error);
    if (rtf) {
        // What the reader builds stays within a small multiple of what it was given: the text
        // is the input's but for the bullets and numbers it adds, a few characters a paragraph.
        Count count;
        countParagraphs(rtf->paragraphs, count);
        qsizetype pictureBytes = 0;
        for (const RtfPicture& picture : rtf->pictures)
            pictureBytes += picture.data.size();
        const auto n = static_cast<qsizetype>(size);
        if (count.characters > 16 * n || count.paragraphs > n + 1 || count.cells > n ||
            pictureBytes > n || pictureBytes > rtfMaxPictureBytes ||
            static_cast<qsizetype>(rtf->pictures.size()) > n || count.depth > rtfMaxTableDepth)
            std::abort();
    } else if (error.isEmpty()) {
        std::abort(); // a rejection always says why
    }
    (void)decodePlainText(bytes);

    QTextDocument document;
    document.setUndoRedoEnabled(false);
    if (loadCaptionDocument(document, bytes)) {
        document.setTextWidth(640);
        (void)document.size();
    }
    return 0;
}
