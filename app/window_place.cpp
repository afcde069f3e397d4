#include "app/window_place.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <algorithm>

namespace kovra {
namespace {

const QString kGeometry = QStringLiteral("Window/Geometry");

// A splitter is known by the name the window gives its first handle
// (Splitter1 ...); the splitters themselves have none.
QString SplitterKey(const QSplitter* splitter) {
  if (splitter->count() < 2) return {};
  const QString name = splitter->handle(1)->objectName();
  return name.isEmpty() ? QString() : QStringLiteral("Splitters/") + name;
}

// A place from another screen, or a file edited by hand, may put the window
// anywhere and make it any size: it is kept on the screen it will show on.
void KeepOnScreen(QMainWindow& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect available = screen->availableGeometry();
  // The frame is known once the window is shown; its inside is what resizes.
  const QRect place = window.frameGeometry();
  if (available.contains(place)) return;
  const QSize frame = place.size() - window.geometry().size();
  const QSize size = place.size().boundedTo(available.size());
  window.resize((size - frame).expandedTo(window.minimumSize()));
  // Its top-left corner on the screen, and as much of the rest as fits.
  window.move(
      std::max(available.left(), std::min(place.x(), available.right() - size.width() + 1)),
      std::max(available.top(), std::min(place.y(), available.bottom() - size.height() + 1)));
}

}  // namespace

bool SaveWindowPlace(const QMainWindow& window, const QString& file) {
  QSettings settings(file, QSettings::IniFormat);
  settings.setValue(kGeometry, window.saveGeometry());
  for (const QSplitter* splitter : window.findChildren<QSplitter*>()) {
    const QString key = SplitterKey(splitter);
    if (!key.isEmpty()) settings.setValue(key, splitter->saveState());
  }
  settings.sync();
  return settings.status() == QSettings::NoError;
}

bool RestoreWindowPlace(QMainWindow& window, const QString& file) {
  const QSettings settings(file, QSettings::IniFormat);
  if (!window.restoreGeometry(settings.value(kGeometry).toByteArray())) return false;
  // A maximized window keeps a normal place behind it, shown when it is
  // made normal again: that place is kept on the screen too.
  const Qt::WindowStates states = window.windowState();
  const Qt::WindowStates whole = Qt::WindowMaximized | Qt::WindowFullScreen;
  if (states & whole) window.setWindowState(states & ~whole);
  KeepOnScreen(window);
  if (states & whole) window.setWindowState(states);
  for (QSplitter* splitter : window.findChildren<QSplitter*>()) {
    const QString key = SplitterKey(splitter);
    if (!key.isEmpty()) splitter->restoreState(settings.value(key).toByteArray());
  }
  return true;
}

void FirstWindowPlace(QMainWindow& window) {
  // Holds the new board, 602 by 385, beside the tools and above the messages.
  const QSize holds_board(880, 660);
  if (const QScreen* screen = window.screen()) {
    const QRect available = screen->availableGeometry();
    window.resize(holds_board.boundedTo(available.size()).expandedTo(window.minimumSize()));
    window.move(available.center() - window.rect().center());
  }
  window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

}  // namespace kovra
