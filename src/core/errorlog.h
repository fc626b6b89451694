#pragma once

#include "core/regional.h"
#include <QDate>
#include <QString>

// ERROR.LOG: lines are only ever appended, and only to a file that already exists; an operator who
// wants a log creates the file. Each line is the date in the regional short date format, a comma
// and the text; a text with line breaks continues on further lines without a date. The file is
// UTF-8 with CR LF line ends, opened for one line at a time with other writers locked out.
//
// Raises EInOutError: "The specified file was not found" when the file does not exist, or the
// system's reason when it cannot be opened or written.
void appendLogLine(const QString& logPath, const QString& text, const QDate& date,
                   const RegionalSettings& regional);
