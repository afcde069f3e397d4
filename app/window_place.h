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
// The first start's place: maximized, and in the middle of the screen at a
// size that shows the whole of a new board when the desktop does not
// maximize it or the user makes it normal.
void FirstWindowPlace(QMainWindow& window);

}  // namespace kovra
