#pragma once

#include <QDateTime>
#include <QtGlobal>

// Where the board asks for the time: the local date and time for everything that depends on the
// date or the time of day, and a fast-changing count that the random operations seed their
// generator from, afresh at every call. The board runs on the machine's clock (systemClock());
// tests, fuzzers and benchmarks hand the code that needs it a clock of their own.
class TClock {
  public:
    virtual ~TClock() = default;

    // The local date and time, with milliseconds.
    virtual QDateTime now() const = 0;
    // The high-resolution count in nanoseconds.
    virtual quint64 ticks() const = 0;

    // The local date.
    QDate today() const { return now().date(); }
};

// The machine's clock; it lives as long as the program.
const TClock& systemClock();

// A clock that stands where it is put: a result that follows from the moment or the seed alone
// can be shown with it.
class TFixedClock : public TClock {
  public:
    explicit TFixedClock(QDateTime moment = {}, quint64 count = 0)
        : moment(std::move(moment)), count(count) {}

    QDateTime now() const override { return moment; }
    quint64 ticks() const override { return count; }

    QDateTime moment;
    quint64 count;
};
