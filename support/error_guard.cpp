#include "support/error_guard.h"

namespace kovra {

QString ErrorReportText(const QString& message) {
  if (message.endsWith(u'.')) return message;
  return message + u'.';
}

void ReportCurrentException(Dialogs& dialogs) {
  QString message;
  try {
    throw;
  } catch (const Error& error) {
    message = error.Message();
  } catch (const std::exception& error) {
    message = QString::fromUtf8(error.what());
  } catch (...) {
    message = QStringLiteral("Unknown error");
  }
  try {
    // The report itself runs a modal box; an error there must not escape.
    dialogs.ShowError(ErrorReportText(message));
  } catch (...) {
  }
}

}  // namespace kovra
