// Folder re-read: the board's list-and-sort of a folder of 10 000 files against `ls -1` in the
// same locale on the same folder. Prints the median milliseconds of each and their ratio.

#include "content/folderlist.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? atoi(argv[1]) : 10000;
    const int runs = argc > 2 ? atoi(argv[2]) : 9;
    QTemporaryDir dir;
    const char* kinds[] = {".jpg", ".PNG", ".mp4", ".url", ".txt"};
    for (int i = 0; i < files; ++i) {
        QFile f(dir.filePath(
            QStringLiteral("Item %1 photo%2").arg(i * 7919 % files).arg(kinds[i % 5])));
        f.open(QIODevice::WriteOnly);
    }

    TFileListBox list;
    list.setMask(QStringLiteral("*.bmp;*.jpg;*.gif;*.png;*.avi;*.mpg;*.mpeg;*.mp4;*.url"));
    list.ApplyFilePath(dir.path() + u'/');
    list.Count();

    std::vector<double> board, ls;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        list.Update();
        const int count = list.Count();
        board.push_back(t.nsecsElapsed() / 1e6);
        if (count == 0)
            return 1;

        t.restart();
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral("ls"), {QStringLiteral("-1"), dir.path()});
        p.waitForFinished(-1);
        ls.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(board.begin(), board.end());
    std::sort(ls.begin(), ls.end());
    const double b = board[board.size() / 2], l = ls[ls.size() / 2];
    std::printf("folder of %d files   board list+sort %7.1f ms   ls -1 %7.1f ms   board/ls %5.2f\n",
                files, b, l, b / l);
    return 0;
}
