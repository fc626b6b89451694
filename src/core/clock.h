#pragma once

#include <QDateTime>
#include <functional>

// Where the board asks for "now". Code that depends on the date or the time of day goes through
// here, so tests can hand it a fixed moment instead of the machine's clock.
namespace Clock {

// The local date and time, with milliseconds.
QDateTime now();
// The local date.
QDate today();

// Replaces the clock; an empty function restores the machine's clock.
void setSource(std::function<QDateTime()> source);

} // namespace Clock
