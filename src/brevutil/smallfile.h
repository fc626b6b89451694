#pragma once

#include <QByteArray>

// The whole content of a small file named by its bytes, read to its end rather than to the size
// the system reports, so files under /proc (which report size 0) come whole. What cannot be
// opened reads as empty; a read that fails part way gives what came before it. Each caller keeps
// its own checks and messages on top of this.
QByteArray readSmallFile(const QByteArray& path);
