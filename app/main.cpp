// Kovra: a shared drawing board and message channel for a small LAN.
#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <memory>

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "support/system.h"

int main(int argc, char* argv[]) {
  if (!kovra::DesktopAvailable()) return 1;
  // Qt needs its application object before any box can be shown, so it comes
  // before the guard; no window exists until the guard has passed.
  QApplication app(argc, argv);
  kovra::DesktopReached();
  QApplication::setApplicationName(QStringLiteral("Kovra"));
  QApplication::setDesktopFileName(QStringLiteral("kovra"));
  kovra::SpeakRussian();
  kovra::UseCurrentLook();

  kovra::QtDialogs dialogs;
  if (!kovra::FirstInstance(true, [&](const QString& text) { dialogs.ShowMessage(text); })) {
    return 0;
  }

  kovra::Environment environment;
  const QString own_dir = QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/';
  const kovra::StateFolder state = kovra::ChooseStateFolder(
      own_dir, QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
  environment.program_dir = state.folder;
  environment.start_notice = kovra::StateFolderNotice(own_dir, state);
  environment.computer_name = kovra::ComputerName();
  environment.dialogs = &dialogs;

  std::unique_ptr<kovra::TForm1> form;
  // Only the socket's creation can fail here; without it there is no window.
  if (!kovra::RunGuarded(dialogs, [&] { form = std::make_unique<kovra::TForm1>(environment); })) {
    return 1;
  }
  dialogs.SetParent(form.get());
  const kovra::CloseOnSignals session_end(form.get());
  form->show();
  return app.exec();
}
