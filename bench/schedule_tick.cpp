// The timetable check: how long one tick's decision takes with config.ini read afresh, for a
// file with 0, 50 and 500 holidays. Prints the median microseconds of each.

#include "core/regional.h"
#include "schedule/scheduledecision.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? atoi(argv[1]) : 201;
    const TFixedRegionalFormats regional;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    const QDateTime noon(QDate(2026, 12, 9), QTime(12, 0));

    for (int holidays : {0, 50, 500}) {
        QByteArray text = "[MAIN]\r\nNextImageTimer=5000\r\n[SCHEDULE]\r\nEnableSchedule=1\r\n"
                          "WedOn=7:30am\r\nWedOff=6:00pm\r\nOffScheduleText=Closed\r\n"
                          "[HOLIDAYS]\r\n";
        for (int i = 0; i < holidays; ++i)
            text += QStringLiteral("h%1=%2/%3/2027\r\n")
                        .arg(i)
                        .arg(i % 12 + 1)
                        .arg(i % 28 + 1)
                        .toUtf8();
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
        f.close();

        const TIniFile ini(path, systemClock(), regional);
        std::vector<double> times;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            if (scheduleStateAt(ini, noon) != ScheduleState::On)
                return 1;
            times.push_back(t.nsecsElapsed() / 1e3);
        }
        std::sort(times.begin(), times.end());
        std::printf("%4d holidays   one decision %8.1f us (median of %d)\n", holidays,
                    times[times.size() / 2], runs);
    }
    return 0;
}
