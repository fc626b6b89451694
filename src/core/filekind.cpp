#include "core/filekind.h"

#include "brevutil/asciicase.h"
#include <QString>
#include <array>

namespace {

struct KnownExtension {
    QLatin1String extension; // lower case
    FileKind kind;
};

const std::array<KnownExtension, 10> knownExtensions{{
    {QLatin1String("bmp"), {ItemKind::Picture, PictureFormat::Bmp}},
    {QLatin1String("jpg"), {ItemKind::Picture, PictureFormat::Jpeg}},
    {QLatin1String("jpeg"), {ItemKind::Picture, PictureFormat::Jpeg}},
    {QLatin1String("png"), {ItemKind::Picture, PictureFormat::Png}},
    {QLatin1String("gif"), {ItemKind::Picture, PictureFormat::Gif}},
    {QLatin1String("avi"), {ItemKind::Video, std::nullopt}},
    {QLatin1String("mpg"), {ItemKind::Video, std::nullopt}},
    {QLatin1String("mpeg"), {ItemKind::Video, std::nullopt}},
    {QLatin1String("mp4"), {ItemKind::Video, std::nullopt}},
    {QLatin1String("url"), {ItemKind::WebPage, std::nullopt}},
}};

} // namespace

FileKind fileKindOf(const QString& path) {
    // After a dot in a folder's name comes a "/", which no extension holds.
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    const QString extension = AsciiCase::lower(path.mid(dot + 1));
    for (const KnownExtension& known : knownExtensions)
        if (extension == known.extension)
            return known.kind;
    return {};
}
