// Where the window was and how its splitters were set, kept between runs in
// a settings file of its own that older copies never read.
#pragma once

#include <QString>

class QMainWindow;

namespace kovra {

// Writes the window's size, place and state and every named splitter's
// positions; false when the file could not be written.
bool SaveWindowPlace(const QMainWindow& window, const QString& file);
// Puts them back; false when the file holds no window place.
bool RestoreWindowPlace(QMainWindow& window, const QString& file);

}  // namespace kovra
