#pragma once

#include <QStringList>
#include <optional>

// Splits a command line or a parameter text into arguments by the quoting rules of the POSIX
// shell, without any of its expansions:
// - blanks (space, tab, line feed) outside quotes separate arguments; runs of them count as one;
// - 'single quotes' keep everything up to the next single quote literally;
// - "double quotes" keep blanks; inside them a backslash escapes only $ ` " \ and a line feed;
// - outside quotes a backslash keeps the next character literally (backslash-line feed is dropped);
// - quoted pieces and plain text that touch form one argument, and '' or "" alone is an empty one;
// - $, *, ?, ~, ;, | and the like are ordinary characters: nothing is expanded or run.
// Returns nothing when a quote is left open or the text ends in a lone backslash.
std::optional<QStringList> splitShellWords(const QString& text);

// The text as one argument for splitShellWords: in single quotes, a single quote written '\''.
QString shellQuote(const QString& text);
