#pragma once

#include <QString>

// Operator documentation generated from the configuration table, so that it cannot drift from
// what the board reads.

// The configuration reference as a Markdown table per section, for the README.
QString configReferenceMarkdown();

// A config.ini that lists every key commented out with its default, ready to be edited.
QString sampleConfigIni();

// The manual page tavorel(1) in roff.
QString manPage(const QString& version);
