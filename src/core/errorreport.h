#pragma once

#include <QString>
#include <exception>
#include <functional>

// The error report: an error that escapes a handler, a timer tick or start-up ends that handler
// and is reported; the program runs on. The text always goes to stderr; a presenter, when the
// caller was given one, shows it too (the board's is the error box of shell/errorbox.h).

// How a report is shown.
using ErrorPresenter = std::function<void(const QString& text)>;

// The message as the report shows it: a full stop is added when the text does not already end in a
// character at or before "." in character order.
QString reportText(const QString& message);

void reportError(const QString& message, const ErrorPresenter& presenter);
void reportException(const std::exception& e, const ErrorPresenter& presenter);

// Runs a handler; an exception escaping it goes to the report. Returns false when one did.
bool runReported(const std::function<void()>& handler, const ErrorPresenter& presenter);

// How many reports were made since the start (for the journal and tests).
int reportCount();
