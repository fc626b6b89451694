#pragma once

#include <QByteArray>
#include <optional>

// The whole content of a small file named by its bytes, read to its end rather than to the size
// the system reports, so files under /proc (which report size 0) come whole. Nothing when it
// cannot be opened, so that a missing file is told from an empty one; a read that fails part way
// (a folder, at once) gives what came before it. Each caller keeps its own checks and messages on
// top of this.
std::optional<QByteArray> readSmallFile(const QByteArray& path);
