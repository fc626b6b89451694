#include "content/folderlist.h"
#include "core/errors.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FolderList : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        saved = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(saved); }

    void touch(const QString& name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString folder() const { return dir.path() + u'/'; }
    static QStringList items(TFileListBox& list) {
        QStringList names;
        for (int i = 0; i < list.Count(); ++i)
            names << list.Item(i);
        return names;
    }

    QTemporaryDir dir;
    QString saved;
};

} // namespace

TEST(Wildcard, MatchesWithoutRegardToCase) {
    EXPECT_TRUE(matchesWildcard(QStringLiteral("A.JPG"), QStringLiteral("*.jpg")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("img1.png"), QStringLiteral("img?.png")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("img10.png"), QStringLiteral("img?.png")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("a.jpeg"), QStringLiteral("*.jp*")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("b.png"), QStringLiteral(" *.png")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("abcabd"), QStringLiteral("*abd")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("a.jpg"), QString()));
}

TEST(Wildcard, AStarAndAPlainEndingMatchesExactlyThatEnding) {
    EXPECT_TRUE(matchesWildcard(QStringLiteral(".JPG"), QStringLiteral("*.jpg")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("jpg"), QStringLiteral("*.jpg")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("a.jpg.txt"), QStringLiteral("*.jpg")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("a.jpeg"), QStringLiteral("*.jpg")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("Ärger.PNG"), QStringLiteral("*ärger.png")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("x"), QStringLiteral("*")));
    EXPECT_TRUE(matchesWildcard(QString(), QStringLiteral("*")));
    EXPECT_FALSE(matchesWildcard(QString(), QStringLiteral("*.a")));
}

TEST_F(FolderList, SortsWithoutRegardToCaseAndListsOverlapsTwice) {
    touch(QStringLiteral("b.PNG"));
    touch(QStringLiteral("a.jpg"));
    touch(QStringLiteral("C.jpg"));
    TFileListBox list;
    list.setMask(QStringLiteral("*.jpg;*.png"));
    list.ApplyFilePath(folder());
    EXPECT_EQ(items(list), (QStringList{"a.jpg", "b.PNG", "C.jpg"}));

    list.setMask(QStringLiteral("*.jpg;*.jp*"));
    EXPECT_EQ(items(list), (QStringList{"a.jpg", "a.jpg", "C.jpg", "C.jpg"}));

    list.setMask(QStringLiteral("*.jpg; *.png"));
    EXPECT_EQ(items(list), (QStringList{"a.jpg", "C.jpg"}));

    list.setMask(QString());
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(FolderList, DigitsCompareAsCharacters) {
    touch(QStringLiteral("img2.jpg"));
    touch(QStringLiteral("img10.jpg"));
    TFileListBox list;
    list.setMask(QStringLiteral("*.jpg"));
    list.ApplyFilePath(folder());
    EXPECT_EQ(items(list), (QStringList{"img10.jpg", "img2.jpg"}));
}

TEST_F(FolderList, LeavesOutHiddenFilesFoldersAndSpecialFiles) {
    touch(QStringLiteral("a.jpg"));
    touch(QStringLiteral(".hidden.jpg"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("a.jpg")),
                            dir.filePath(QStringLiteral("link.jpg"))));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")),
                            dir.filePath(QStringLiteral("dangling.jpg"))));
    TFileListBox list;
    list.setMask(QStringLiteral("*.jpg"));
    list.ApplyFilePath(folder());
    EXPECT_EQ(items(list), (QStringList{"a.jpg", "link.jpg"}));
}

TEST_F(FolderList, ReadsAtFirstUseAndAgainOnlyAtRefresh) {
    touch(QStringLiteral("a.jpg"));
    TFileListBox list;
    list.setMask(QStringLiteral("*.jpg"));
    list.ApplyFilePath(folder());
    touch(QStringLiteral("b.jpg")); // before first use: seen
    EXPECT_EQ(list.Count(), 2);
    touch(QStringLiteral("a0.jpg"));
    EXPECT_EQ(list.Item(1), QStringLiteral("b.jpg"));
    list.Update();
    EXPECT_EQ(list.Item(1), QStringLiteral("a0.jpg"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("B.JPG")), 2);
    EXPECT_EQ(list.IndexOf(QStringLiteral("b")), -1);
    EXPECT_EQ(QDir::currentPath() + u'/', folder());
}

TEST_F(FolderList, FolderWithOrWithoutFinalSlashIsTheSame) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("show")));
    QFile(dir.filePath(QStringLiteral("show/x.jpg"))).open(QIODevice::WriteOnly);
    TFileListBox a, b;
    a.setMask(QStringLiteral("*.jpg"));
    b.setMask(QStringLiteral("*.jpg"));
    a.ApplyFilePath(folder() + QStringLiteral("show/"));
    b.ApplyFilePath(folder() + QStringLiteral("show"));
    EXPECT_EQ(a.Directory(), b.Directory());
    EXPECT_EQ(items(b), QStringList{QStringLiteral("x.jpg")});
}

TEST_F(FolderList, OutOfRangeAndMissingFoldersRaise) {
    TFileListBox list;
    list.setMask(QStringLiteral("*.jpg"));
    list.ApplyFilePath(folder());
    try {
        list.Item(3);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("List index out of bounds (3)"));
    }
    EXPECT_THROW(list.ApplyFilePath(folder() + QStringLiteral("missing/")), EInOutError);

    // A folder that vanishes after use keeps the names of the last read.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("share")));
    QFile(dir.filePath(QStringLiteral("share/a.jpg"))).open(QIODevice::WriteOnly);
    TFileListBox share;
    share.setMask(QStringLiteral("*.jpg"));
    share.ApplyFilePath(folder() + QStringLiteral("share/"));
    ASSERT_EQ(share.Count(), 1);
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("share"))).removeRecursively());
    EXPECT_THROW(share.Update(), EInOutError);
    EXPECT_EQ(share.Count(), 1);
}
