// Feeds arbitrary bytes to the caption reader: the RTF reader, the plain-text fallback and the
// document they build, laid out as the overlay lays it out. Any crash, sanitizer report, hang or
// runaway memory use is a fault.

#include "captions/captiondocument.h"
#include "captions/rtfreader.h"
#include "core/textdecoding.h"
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Laying out text needs fonts, and fonts need an application; no display is used.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    QString error;
    const std::optional<RtfDocument> rtf = readRtf(bytes, &error);
    if (rtf) {
        // What the reader builds stays within a small multiple of what it was given.
        qsizetype characters = 0;
        for (const RtfParagraph& p : rtf->paragraphs)
            for (const RtfRun& r : p.runs)
                characters += r.text.size();
        if (characters > static_cast<qsizetype>(size) || rtf->paragraphs.size() > size + 1)
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
