// The program's place on the desktop: it needs a display, speaks Russian in
// Qt's own dialogs too, and closes properly when the session ends.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

class QSocketNotifier;

namespace kovra {

// The one line said when there is no desktop to show the window on.
extern const char kNeedsDesktop[];

// False, after saying kNeedsDesktop on standard error, when Qt would find no
// display: none is named and no platform is chosen. A display that is named
// but cannot be reached is caught when Qt gives up on it, with the same line.
// Call before the application object is made.
bool DesktopAvailable();
// The display was reached: what the platform said meanwhile is shown, and
// Qt's messages go their usual way again.
void DesktopReached();

// Qt's dialogs and buttons in Russian, and dates as a Russian reader writes
// them. Qt's own dialogs, not the desktop's, so that they follow. Call once
// the application object exists.
void SpeakRussian();
// Qt's Fusion style with its light colours, the same on every desktop, dark
// themes included: the board is white, and so is what surrounds it.
void UseCurrentLook();

// SIGTERM, SIGHUP and SIGINT (logout, shutdown, Ctrl+C), or on Windows the
// end of the session (logoff, shutdown), close window as its close box would,
// so that what closing saves and says is done. A second signal ends the
// program at once. One at a time; the previous handling is restored when it
// is destroyed.
class CloseOnSignals : public QObject {
  Q_OBJECT

 public:
  explicit CloseOnSignals(QWidget* window);
  ~CloseOnSignals() override;

 private:
  void Received();
  void CloseWindow();

  QPointer<QWidget> window_;
  QSocketNotifier* notifier_ = nullptr;
  std::unique_ptr<QAbstractNativeEventFilter> session_end_;
};

}  // namespace kovra
