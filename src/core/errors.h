#pragma once

#include <QString>
#include <stdexcept>

// The board reports failures as exceptions carrying the text an operator sees in the error report
// or in ERROR.LOG. The message is kept as UTF-8 in what().
class EError : public std::runtime_error {
  public:
    explicit EError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// A file or folder that cannot be opened, read, written or entered.
class EInOutError : public EError {
  public:
    using EError::EError;
};

// A text that does not convert to the value asked for: "'%s' is not a valid date" and the like.
class EConvertError : public EError {
  public:
    using EError::EError;
};

// A list position outside the list: "List index out of bounds (%d)".
class EListError : public EError {
  public:
    explicit EListError(int index);
};

// A failed system call, in the form "System Error.  Code: %d.\r\n<system text>", or
// "A call to an OS function failed" when the code is 0.
class EOSError : public EError {
  public:
    EOSError(int code, const QString& systemText);
    int code() const { return code_; }

  private:
    int code_;
};

// The message of an exception as the board shows it.
QString exceptionMessage(const std::exception& e);
