// tavorel-doc: prints the operator documentation that is generated from the configuration table.
//   tavorel-doc reference | sample-config | man

#include "core/configdoc.h"
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QString text;
    if (what == u"reference")
        text = configReferenceMarkdown();
    else if (what == u"sample-config")
        text = sampleConfigIni();
    else if (what == u"man")
        text = manPage(QStringLiteral(TAVOREL_VERSION));
    else {
        std::fprintf(stderr, "usage: tavorel-doc reference | sample-config | man\n");
        return 2;
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    return 0;
}
