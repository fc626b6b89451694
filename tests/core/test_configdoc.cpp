#include "core/configcatalog.h"
#include "core/configdoc.h"
#include <QFile>
#include <gtest/gtest.h>

// The README's configuration reference is generated from the configuration table; this catches an
// edit of either that was not carried over (regenerate with `build/tavorel-doc reference`).
TEST(ConfigReference, TheReadmeShowsTheTableAsGenerated) {
    QFile readme(QStringLiteral(TAVOREL_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QString begin = QStringLiteral("<!-- config-reference:begin -->\n");
    const QString end = QStringLiteral("<!-- config-reference:end -->");
    const qsizetype from = text.indexOf(begin);
    const qsizetype to = text.indexOf(end);
    ASSERT_GE(from, 0) << "README.md has no config-reference:begin marker";
    ASSERT_GT(to, from) << "README.md has no config-reference:end marker after the begin marker";
    const QString inReadme = text.mid(from + begin.size(), to - from - begin.size());
    EXPECT_EQ(inReadme.toStdString(), configReferenceMarkdown().toStdString());
}

TEST(ConfigReference, SampleConfigListsEveryKeyCommentedOutWithItsDefault) {
    const QString sample = sampleConfigIni();
    for (const ConfigEntry& e : configCatalog()) {
        if (qstrcmp(e.name, "*") == 0 || e.key == ConfigKey::ImagesFolder)
            continue;
        const QString line = QStringLiteral(";%1=%2\r\n").arg(e.name, e.defaultText);
        EXPECT_TRUE(sample.contains(line)) << line.toStdString();
    }
    // Nothing is set: every line outside the section headers is a comment or empty.
    for (const QString& line : sample.split(QStringLiteral("\r\n")))
        EXPECT_TRUE(line.isEmpty() || line.startsWith(u';') || line.startsWith(u'['))
            << line.toStdString();
}
