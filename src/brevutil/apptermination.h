#pragma once

#include <QObject>

// Carries the wake-up of the program's quit request to whoever waits inside a nested event loop.
class AppTerminationNotifier : public QObject {
    Q_OBJECT
  signals:
    void terminationRequested();
};

// The program's quit request. Waits that run the event loop (a started program's end, an elevated
// start) listen to it and return at once, so that the program can end while a child still runs.
namespace AppTermination {

// Sets the flag, wakes every such wait and ends the application's event loop when an application
// exists. Safe to call more than once.
void request();
bool requested();

// The object that announces a request; it lives for the whole run.
AppTerminationNotifier* notifier();

// Tests only: clears the flag and lets event loops run again after a request.
void resetForTests();

} // namespace AppTermination
