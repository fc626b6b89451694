#pragma once

#include <QtGlobal>
#include <functional>

// The fast-changing count that the toolbox's random operations seed their generator from, afresh
// at every call. Tests hand it a fixed count to show that a result follows from the seed alone.
namespace SeedClock {

// The system's high-resolution clock in nanoseconds, or the replacement's count.
quint64 ticks();

// Replaces the source; an empty function restores the system's clock.
void setSource(std::function<quint64()> source);

} // namespace SeedClock
