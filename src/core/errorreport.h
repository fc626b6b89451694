#pragma once

#include <QString>
#include <exception>
#include <functional>

// The default error report: an error that escapes a handler, a timer tick or start-up ends that
// handler and is shown in a modal message box titled with the application title, with a stop sign
// and an OK button; the program runs on. The text also goes to stderr.
//
// Reports never nest: while one box is on screen, a further report only adds to it. A fault that
// repeats at every tick (a folder share gone for a weekend) would otherwise open one message loop
// inside the other until the stack runs out.

// The message as the report shows it: a full stop is added when the text does not already end in a
// character at or before "." in character order.
QString reportText(const QString& message);

void reportError(const QString& message);
void reportException(const std::exception& e);

// Runs a handler; an exception escaping it goes to the report. Returns false when one did.
bool runReported(const std::function<void()>& handler);

// How the report is shown. The default opens the message box; tests put their own in place.
using ErrorPresenter = std::function<void(const QString& text)>;
void setErrorPresenter(ErrorPresenter presenter);

// How many reports were shown or added to a shown one since the start (for the journal and tests).
int reportCount();
