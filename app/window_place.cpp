#include "app/window_place.h"

#include <QMainWindow>
#include <QSettings>
#include <QSplitter>

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
  for (QSplitter* splitter : window.findChildren<QSplitter*>()) {
    const QString key = SplitterKey(splitter);
    if (!key.isEmpty()) splitter->restoreState(settings.value(key).toByteArray());
  }
  return true;
}

}  // namespace kovra
