#pragma once

#include <QString>
#include <QStringList>

// The program's own command line and its slash switches.
namespace CommandLine {

// The arguments exactly as the process received them, argument 0 (the program) first. Read from
// the system rather than from the application object, so it works before one exists.
QStringList arguments();

// Looks for the switch /NAME or /NAME:VALUE among args (a whole command line, argument 0 being the
// program, which is never a switch), letters a-z compared without case. Every argument that begins
// with the switch counts, and the last one with a value sets value; value is left alone when no
// such argument carries one.
bool findSwitch(const QStringList& args, const QString& name, QString& value);

} // namespace CommandLine
