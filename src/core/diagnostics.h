#pragma once

#include <QString>

// One line on stderr per event an operator may want in the journal. Events are written only when
// TAVOREL_DEBUG is set to a non-empty value other than 0; errors are always written.
namespace diag {

bool enabled();
// "tavorel: <kind>: <text>", for example "tavorel: message: Cannot find playlist. ...".
void event(const char* kind, const QString& text);
void error(const QString& text);

} // namespace diag
