#include "board/board_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <cstdlib>

#include "board/canvas.h"
#include "support/atomic_file.h"
#include "support/error_guard.h"
#include "support/state_files.h"
#include "support/system.h"
#include "support/text.h"

namespace kovra {
namespace {

// Room for the largest allowed board in 32 bits a pixel, in megabytes.
constexpr int kReadAllocationLimitMb = 512;

struct BitmapHeader {
  qint64 width = 0;
  qint64 height = 0;
  bool complete = true;  // the file holds all the pixels the header promises
};

quint32 ReadLittleEndian(const QByteArray& bytes, int at, int size) {
  quint32 value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | quint8(bytes[at + i]);
  return value;
}

// What the header of a bitmap file promises, read before any pixel is
// allocated; nullopt when there is no header to read.
std::optional<BitmapHeader> ReadBitmapHeader(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray head = file.read(54);
  if (head.size() < 26 || !head.startsWith("BM")) return std::nullopt;
  const quint32 pixels_at = ReadLittleEndian(head, 10, 4);
  const quint32 header_size = ReadLittleEndian(head, 14, 4);
  BitmapHeader header;
  int bits = 0;
  quint32 compression = 0;
  if (header_size == 12) {
    header.width = ReadLittleEndian(head, 18, 2);
    header.height = ReadLittleEndian(head, 20, 2);
    bits = int(ReadLittleEndian(head, 24, 2));
  } else if (header_size >= 40 && head.size() >= 34) {
    header.width = qint32(ReadLittleEndian(head, 18, 4));
    header.height = std::llabs(qint64(qint32(ReadLittleEndian(head, 22, 4))));
    bits = int(ReadLittleEndian(head, 28, 2));
    compression = ReadLittleEndian(head, 30, 4);
  } else {
    return std::nullopt;
  }
  // Uncompressed rows have a known size; compressed ones are the reader's to
  // check. A size too large for a board is refused before any arithmetic on it.
  if ((compression == 0 || compression == 3) && bits > 0 && header.width > 0 &&
      BoardCanvas::SizeAllowed(header.width, header.height)) {
    const qint64 row = ((header.width * bits + 31) / 32) * 4;
    header.complete = qint64(pixels_at) + row * header.height <= file.size();
  }
  return header;
}

// Nothing there, or a regular file that is not a link: the only names of the
// picture folder that are read or written, so that no link leads out of it
// and no pipe holds a read forever.
bool PlainFileOrNone(const QString& path) {
  const QFileInfo info(path);
  if (info.isSymLink()) return false;  // even one that leads nowhere
  return !info.exists() || info.isFile();
}

}  // namespace

std::optional<QString> PictureFileName(const QString& path) {
  qsizetype start = path.size();
  while (start > 0 && path[start - 1] != u'\\' && path[start - 1] != u'/' &&
         path[start - 1] != u':') {
    --start;
  }
  const QString name = path.mid(start);
  if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
    return std::nullopt;
  for (QChar c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return std::nullopt;
  }
  return name;
}

QString BoardTooLargeMessage(qint64 width, qint64 height) {
  return QStringLiteral("Доска %1 на %2 точек слишком велика: не больше %3 точек всего")
      .arg(Grouped(width), Grouped(height), Grouped(BoardCanvas::kMaxPixels));
}

QImage ReadBoardPicture(const QString& path) {
  const QString not_valid =
      QStringLiteral("«%1» — не картинка BMP, или она повреждена").arg(QFileInfo(path).fileName());
  // A pipe or a device would never end its read.
  if (!QFileInfo(path).isFile()) throw Error(not_valid);
  const auto header = ReadBitmapHeader(path);
  if (header && header->width > 0 && header->height > 0 &&
      !BoardCanvas::SizeAllowed(header->width, header->height)) {
    throw Error(BoardTooLargeMessage(header->width, header->height));
  }
  if (!header || !header->complete) throw Error(not_valid);
  QImageReader reader(path, "bmp");
  reader.setAutoDetectImageFormat(false);  // the name's extension is not trusted
  reader.setAllocationLimit(kReadAllocationLimitMb);
  QImage image = reader.read();
  if (image.isNull() || !BoardCanvas::SizeAllowed(image.width(), image.height())) {
    throw Error(not_valid);
  }
  return image;
}

qint64 BitmapFileBytes(qint64 width, qint64 height) {
  return 54 + (width * 3 + 3) / 4 * 4 * height;
}

void WriteBoardPicture(const QImage& image, const QString& path) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  ReplaceFileAtomically(path,
                        [&](QIODevice& file) { return QImageWriter(&file, "bmp").write(rgb); });
}

QString BoardFiles::WorkingFile() const { return program_dir_ + kBoardStateFile; }

int BoardFiles::Width() const { return canvas_.Width(); }
int BoardFiles::Height() const { return canvas_.Height(); }
const QImage& BoardFiles::Image() const { return canvas_.Image(); }

QString BoardFiles::PictureFolder() const { return program_dir_ + kPictureFolder + u'/'; }

QString BoardFiles::PicturePath(const QString& path) const {
  return PictureFolder() + PictureFileName(path).value_or(QFileInfo(path).fileName());
}

bool BoardFiles::SaveBoardFile(const QString& path) {
  saver_.WaitForAll();
  const QString trimmed = TrimSpaces(path);
  if (trimmed.isEmpty() || !DriveWritable(trimmed) || !canvas_.HasPicture()) return false;
  WriteBoardPicture(canvas_.Image(), trimmed);
  return true;
}

bool BoardFiles::SaveBoardFileLater(const QString& path, PictureSaver::Done done) {
  const QString trimmed = TrimSpaces(path);
  if (trimmed.isEmpty() || !DriveWritable(trimmed) || !canvas_.HasPicture()) return false;
  saver_.Save(canvas_.Image(), trimmed, std::move(done));
  return true;
}

void BoardFiles::Replace(const QImage& picture) {
  saver_.WaitForAll();
  canvas_.Reset(picture);
  if (OnReplaced) OnReplaced();
}

void BoardFiles::LoadBoardFile(const QString& path) {
  saver_.WaitForAll();
  canvas_.Reset(ReadBoardPicture(path));  // the board stays as it was when this raises
  if (OnReplaced) OnReplaced();
}

void BoardFiles::NewBoard(int width, int height, PictureSaver::Done saved_later) {
  width = std::max(width, 100);
  height = std::max(height, 100);
  if (!BoardCanvas::SizeAllowed(width, height)) throw Error(BoardTooLargeMessage(width, height));
  if (canvas_.HasPicture()) {
    canvas_.Resize(width, height);  // the drawing state stays
  } else {
    canvas_.Reset(QImage(width, height, QImage::Format_RGB32));
  }
  canvas_.SetBrushColor(kClWhite);
  canvas_.FillRect(QRect(0, 0, width, height));
  if (OnReplaced) OnReplaced();
  if (saved_later) {
    SaveBoardFileLater(WorkingFile(), std::move(saved_later));
  } else {
    SaveBoardFile(WorkingFile());
  }
}

bool BoardFiles::LoadFromBmpFolder(const QString& path) {
  saver_.WaitForAll();  // the folder as the saves asked before this left it
  const QString trimmed = TrimSpaces(path);
  if (trimmed.isEmpty()) return false;
  const auto name = PictureFileName(trimmed);
  if (!name || !PlainFileOrNone(PictureFolder() + *name) ||
      !QFileInfo::exists(PictureFolder() + *name))
    return false;
  LoadBoardFile(PictureFolder() + *name);
  return true;
}

std::optional<QString> BoardFiles::BmpFolderTarget(const QString& path) const {
  const QString trimmed = TrimSpaces(path);
  if (trimmed.isEmpty() || !DriveWritable(program_dir_)) return std::nullopt;
  const auto name = PictureFileName(trimmed);
  if (!name || !PlainFileOrNone(PictureFolder() + *name) || !canvas_.HasPicture()) {
    return std::nullopt;
  }
  return PictureFolder() + *name;
}

bool BoardFiles::SaveToBmpFolder(const QString& path) {
  saver_.WaitForAll();
  const auto target = BmpFolderTarget(path);
  if (!target) return false;
  WriteBoardPicture(canvas_.Image(), *target);
  return true;
}

bool BoardFiles::SaveToBmpFolderLater(const QString& path, PictureSaver::Done done) {
  const auto target = BmpFolderTarget(path);
  if (!target) return false;
  saver_.Save(canvas_.Image(), *target, std::move(done));
  return true;
}

}  // namespace kovra
