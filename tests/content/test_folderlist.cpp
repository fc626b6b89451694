#include "content/folderlist.h"
#include "core/errors.h"
#include "core/filenames.h"
#include "core/inifile.h"
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

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

// A name stored in Latin-1 (not valid UTF-8) keeps its bytes from the listing to every file
// operation, and reads as a person expects where it is shown or named in a playlist.
TEST_F(FolderList, NamesThatAreNotUtf8OpenTheFileTheyName) {
    const QByteArray folderBytes = QFile::encodeName(folder());
    const auto create = [&](const QByteArray& name, const QByteArray& content) {
        const int fd = ::open((folderBytes + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0) << name.toStdString();
        ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
        ::close(fd);
    };
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(qRgb(0, 200, 0));
    ASSERT_TRUE(picture.save(&buffer, "PNG"));
    create("caf\xe9.png", png);
    create("caf\xc3\xa9.url", "[InternetShortcut]\r\nURL=http://127.0.0.1/utf8\r\n");
    create("caf\xe9.url", "[InternetShortcut]\r\nURL=http://127.0.0.1/latin1\r\n");

    TFileListBox list;
    list.setMask(QStringLiteral("caf*"));
    list.ApplyFilePath(folder());
    ASSERT_EQ(list.Count(), 3);
    QStringList shown;
    for (int i = 0; i < list.Count(); ++i) {
        const QString path = folder() + list.Item(i);
        shown << displayFileName(list.Item(i));
        EXPECT_EQ(encodeFileName(path), folderBytes + encodeFileName(list.Item(i)));
        if (path.endsWith(".png")) {
            EXPECT_EQ(encodeFileName(list.Item(i)), QByteArray("caf\xe9.png"));
            const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            QFile file;
            ASSERT_TRUE(file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
            EXPECT_EQ(file.readAll(), png);
        }
    }
    shown.sort();
    EXPECT_EQ(shown, (QStringList{QString::fromUtf8("café.png"), QString::fromUtf8("café.url"),
                                  QString::fromUtf8("café.url")}));

    // Each shortcut reads its own file, the UTF-8 one and the Latin-1 one alike.
    QStringList urls;
    for (int i = 0; i < list.Count(); ++i)
        if (list.Item(i).endsWith(".url"))
            urls << TIniFile(folder() + list.Item(i))
                        .ReadString("InternetShortcut", "URL", "about:blank");
    urls.sort();
    EXPECT_EQ(urls, (QStringList{"http://127.0.0.1/latin1", "http://127.0.0.1/utf8"}));

    // A playlist written on another system names the file as it reads.
    const int index = list.IndexOf(QString::fromUtf8("CAFÉ.PNG"));
    ASSERT_GE(index, 0);
    EXPECT_EQ(encodeFileName(list.Item(index)), QByteArray("caf\xe9.png"));
}
