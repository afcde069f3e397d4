// A complete main window in a temporary folder of its own, with scripted
// dialogs, a chosen computer name and its own loopback address; never port 571.
#pragma once

#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "common/scripted_dialogs.h"

namespace kovra::test {

QImage WhiteImage(int width, int height);

// What the screen shows of the visible part of widget: its window's backing
// store as last painted, not a fresh rendering, so a missed repaint shows.
QImage OnScreen(QWidget* widget);
// Waits until the screen shows the visible part of the board exactly as the
// board holds it; false if it never does.
bool ScreenShowsBoard(TForm1& form);

// Shows form at size, as the desktop would lay it out.
void ShowAt(TForm1& form, QSize size);

class TestWindow {
 public:
  // A port of 0 picks a free one.
  explicit TestWindow(std::string computer_name = "TESTPC",
                      const QString& address = QStringLiteral("127.0.0.1"), quint16 port = 0);

  // Writes a file into the program folder before the window starts.
  void WriteFile(const QString& name, const QByteArray& bytes) const;
  QByteArray ReadFile(const QString& name) const;
  QString Path(const QString& name) const { return folder_.path() + u'/' + name; }

  // Builds the window (FormCreate runs) and, if asked, waits out the first tick.
  TForm1& Start(bool wait_first_tick = true);
  // Ends the window as a killed program ends: no close sequence runs, and
  // its socket is gone.
  void Crash() { window_.reset(); }
  TForm1& Window() { return *window_; }
  ScriptedDialogs& Dialogs() { return dialogs_; }
  Environment& Env() { return env_; }

 private:
  QTemporaryDir folder_;
  ScriptedDialogs dialogs_;
  Environment env_;
  std::unique_ptr<TForm1> window_;
};

}  // namespace kovra::test
