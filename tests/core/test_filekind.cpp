#include "core/filekind.h"
#include <gtest/gtest.h>

TEST(FileKind, TheExtensionOfTheFileNameAloneDecidesInAnyLetterCase) {
    const struct {
        const char* path;
        ItemKind item;
        std::optional<PictureFormat> picture;
    } cases[] = {
        {"/show/a.bmp", ItemKind::Picture, PictureFormat::Bmp},
        {"a.JPG", ItemKind::Picture, PictureFormat::Jpeg},
        {"a.jPeG", ItemKind::Picture, PictureFormat::Jpeg},
        {"a.Png", ItemKind::Picture, PictureFormat::Png},
        {"a.GIF", ItemKind::Picture, PictureFormat::Gif},
        {"a.AVI", ItemKind::Video, std::nullopt},
        {"a.mpg", ItemKind::Video, std::nullopt},
        {"a.MpEg", ItemKind::Video, std::nullopt},
        {"a.mp4", ItemKind::Video, std::nullopt},
        {"/show/news.URL", ItemKind::WebPage, std::nullopt},
        {"/show/.url", ItemKind::WebPage, std::nullopt},
        // Unknown, none, or a dot only in a folder's name.
        {"a.txt", ItemKind::Unsupported, std::nullopt},
        {"a.jpg.txt", ItemKind::Unsupported, std::nullopt},
        {"a.", ItemKind::Unsupported, std::nullopt},
        {"jpg", ItemKind::Unsupported, std::nullopt},
        {"/show.jpg/a", ItemKind::Unsupported, std::nullopt},
        {"/show.jpg/", ItemKind::Unsupported, std::nullopt},
        {"", ItemKind::Unsupported, std::nullopt},
    };
    for (const auto& c : cases) {
        const FileKind kind = fileKindOf(QString::fromUtf8(c.path));
        EXPECT_EQ(kind.item, c.item) << c.path;
        EXPECT_EQ(kind.picture, c.picture) << c.path;
    }
    // Only a-z and A-Z fold: letters that merely look alike name nothing.
    for (const char* lookalike : {"a.\xef\xbc\xaa\xef\xbc\xb0\xef\xbc\xa7", "a.\xc3\xbcrl",
                                  "a.m\xc3\xa9"
                                  "4"})
        EXPECT_EQ(fileKindOf(QString::fromUtf8(lookalike)).item, ItemKind::Unsupported)
            << lookalike;
}
