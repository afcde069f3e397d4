// Board pictures on disk: Windows bitmap files, read and written whole, and
// the rule that keeps every picture name inside the picture folder.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <optional>

#include "board/picture_saver.h"

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
// The size of the file WriteBoardPicture makes of a width by height picture.
qint64 BitmapFileBytes(qint64 width, qint64 height);

class BoardCanvas;

// The board's files in the program's folder: the working file ~kv.bmp and
// the picture folder BMP, which every picture name, chosen or received,
// stays inside. A save is refused (false, nothing written) for an empty
// path or a folder that takes no new files; a file that cannot be read or
// written raises Error, and a board whose load failed stays as it was.
class BoardFiles {
 public:
  BoardFiles(BoardCanvas& canvas, QString program_dir)
      : canvas_(canvas), program_dir_(std::move(program_dir)) {}

  // Told whenever the board was made or loaded anew, to show it again.
  std::function<void()> OnReplaced;

  QString WorkingFile() const;
  int Width() const;
  int Height() const;
  const QImage& Image() const;
  QString PictureFolder() const;  // with its trailing separator
  // Where a chosen or received path lands: the picture folder and its name.
  QString PicturePath(const QString& path) const;

  bool SaveBoardFile(const QString& path);
  void LoadBoardFile(const QString& path);
  // The board becomes picture, as a loaded file does.
  void Replace(const QImage& picture);
  // A new white board of at least 100 by 100, written to the working file,
  // at once or, given saved_later, in the background.
  // Raises Error for a size too large to hold; the board then stays.
  void NewBoard(int width, int height, PictureSaver::Done saved_later = {});
  // Only the file-name part of path is used, inside the picture folder.
  bool LoadFromBmpFolder(const QString& path);
  bool SaveToBmpFolder(const QString& path);

  // The saves above made in the background, for peers' commands: refused
  // (false, nothing queued) where those would be; done is told what became
  // of a save that was queued. Every save and load made at once waits for
  // those queued before it, so that files are written in the order asked.
  bool SaveBoardFileLater(const QString& path, PictureSaver::Done done);
  bool SaveToBmpFolderLater(const QString& path, PictureSaver::Done done);
  const PictureSaver& Saver() const { return saver_; }
  void FinishSaves() { saver_.WaitForAll(); }

 private:
  // The picture folder's path for a name, or nullopt when it is not allowed.
  std::optional<QString> BmpFolderTarget(const QString& path) const;

  BoardCanvas& canvas_;
  QString program_dir_;
  PictureSaver saver_;
};

}  // namespace kovra
