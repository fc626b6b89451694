#pragma once

#include <QString>
#include <optional>

// What the board makes of a file, decided by the extension of its name alone: the text after the
// last dot of the file's own name (a dot in a folder name says nothing), letters a-z in either
// case. The content never decides. Every extension the board knows stands in one table here.
enum class ItemKind { Picture, Video, WebPage, Unsupported };

enum class PictureFormat { Bmp, Jpeg, Png, Gif };

struct FileKind {
    ItemKind item = ItemKind::Unsupported;
    std::optional<PictureFormat> picture; // set for a picture only
};

FileKind fileKindOf(const QString& path);
