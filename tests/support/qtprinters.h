#pragma once

#include <QString>
#include <ostream>

// Lets GoogleTest print a QString as its text in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
