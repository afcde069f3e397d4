// Board pictures on disk: Windows bitmap files, read and written whole, and
// the rule that keeps every picture name inside the picture folder.
#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace kovra {

// The file-name part of a path: the text after its last "\", "/" or ":".
// nullopt when that is empty, "." or "..", or holds a control character, so
// that no name, however it was sent, reaches outside the picture folder.
std::optional<QString> PictureFileName(const QString& path);

// The message for a board size that is refused.
QString BoardTooLargeMessage(qint64 width, qint64 height);

// Reads a Windows bitmap, whatever the file is named; raises Error when the
// file is no readable bitmap or its picture is too large for a board.
QImage ReadBoardPicture(const QString& path);

// Writes image as a 24-bit bitmap, replacing the file atomically; raises
// Error when it cannot be written.
void WriteBoardPicture(const QImage& image, const QString& path);

}  // namespace kovra
