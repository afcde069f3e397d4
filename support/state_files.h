// The fixed names of what the program keeps beside its executable.
#pragma once

#include <QString>

namespace kovra {

inline const QString kBoardStateFile = QStringLiteral("~kv.bmp");
inline const QString kCorrespondentFile = QStringLiteral("~ListUser.txt");
inline const QString kMessageHistoryFile = QStringLiteral("~Messages.txt");
inline const QString kPictureFolder = QStringLiteral("BMP");
// Settings the user may change by hand; a file older copies never read.
inline const QString kSettingsFile = QStringLiteral("~Kovra.ini");
// Where each computer was last heard from; a file older copies never read.
inline const QString kKnownAddressesFile = QStringLiteral("~Addresses.txt");
// The word of a closed session, readable by the user only; a file older copies never read.
inline const QString kSessionWordFile = QStringLiteral("~SessionWord.txt");
// Computers the user removed from the list, and where; a file older copies never read.
inline const QString kRemovedComputersFile = QStringLiteral("~Removed.txt");
// The window's size and place and its splitters'; a file older copies never read.
inline const QString kWindowPlaceFile = QStringLiteral("~Window.ini");

}  // namespace kovra
