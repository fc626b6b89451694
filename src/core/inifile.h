#pragma once

#include "brevutil/clock.h"
#include "core/datetimeconv.h"
#include "core/regional.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// Reader of a settings file with [sections] and name=value lines. It holds only the file's path:
// every read looks at the file as it is at that moment, so an edit shows at the next read. Reads
// never raise; a missing file, section or key, or a value of the wrong form, gives the default.
//
// Accepted encodings: UTF-16LE with its byte-order mark, UTF-8 with or without one, and anything
// that is not valid UTF-8 as Windows-1252. Lines end in CR LF or LF. A line whose first non-blank
// is ";" is a comment. Where a section or key occurs twice, the first one counts.
class TIniFile {
  public:
    // Where the file lies. The pictures folder may be a share that stops answering: its files are
    // read through the share's worker (core/shareaccess.h), and one that does not arrive in time
    // reads as it did the last time. A file beside the program (config.ini) is read directly.
    enum class Place { PicturesFolder, StartDirectory };

    // Dates and times are read in the regional formats given; the clock gives the year of a date
    // written without one.
    explicit TIniFile(const QString& fileName, const TClock& clock = systemClock(),
                      const TRegionalFormats& regional = localeFormats(),
                      Place place = Place::PicturesFolder);

    const QString& FileName() const { return fileName_; }
    // The formats the file's dates and times are read in, for readers of values of its own.
    RegionalSettings Regional() const { return regional_->current(); }

    // At most 2047 characters; a longer value is cut.
    QString ReadString(const QString& Section, const QString& Ident, const QString& Default) const;
    int ReadInteger(const QString& Section, const QString& Ident, int Default) const;
    bool ReadBool(const QString& Section, const QString& Ident, bool Default) const;
    TDateTime ReadDateTime(const QString& Section, const QString& Name, TDateTime Default) const;
    TDateTime ReadTime(const QString& Section, const QString& Name, TDateTime Default) const;
    // Empties Strings, then lists the names of the section's keys in file order.
    void ReadSection(const QString& Section, QStringList& Strings) const;
    // True when the section has at least one key.
    bool SectionExists(const QString& Section) const;

    // The file as it is now, read once: every read of the copy answers from those bytes. For a
    // step that reads many keys at once (the playlist search), so that each is not a read of its
    // own through the share's worker.
    TIniFile pinned() const;

  private:
    std::optional<QByteArray> bytes() const;

    QString fileName_;
    Place place_;
    std::shared_ptr<const std::optional<QByteArray>> pinned_;
    const TClock* clock_;
    const TRegionalFormats* regional_;
};

// The integer rules of the settings files: optional leading spaces and sign, decimal within 32 bits
// or hexadecimal ($, x, X, 0x, 0X) of at most 32 bits taken as signed; nothing else.
std::optional<int> tryStrToInt(const QString& text);

// The text of a settings file's bytes, by the encoding rules above.
QString decodeSettingsText(const QByteArray& bytes);
