// The errors the program raises inside a handler, and the one guard that
// every entry point from Qt runs through: an error ends that handler only,
// its message is shown as an error report, and the program goes on.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>
#include <utility>

#include "support/dialogs.h"

namespace kovra {

class Error : public std::exception {
 public:
  explicit Error(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
  const QString& Message() const { return message_; }
  const char* what() const noexcept override { return utf8_.constData(); }

 private:
  QString message_;
  QByteArray utf8_;
};

// The text of the error report: the message with a full stop added.
QString ErrorReportText(const QString& message);

// Shows the report for the exception in flight. Call only inside a catch.
void ReportCurrentException(Dialogs& dialogs);

// Runs body; true when it ended normally, false when it raised (and the
// error was reported). Nothing escapes into Qt's event loop.
template <typename Body>
bool RunGuarded(Dialogs& dialogs, Body&& body) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (...) {
    ReportCurrentException(dialogs);
    return false;
  }
}

}  // namespace kovra
