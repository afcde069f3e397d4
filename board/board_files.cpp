#include "board/board_files.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <QImageReader>
#include <QImageWriter>

#include "board/canvas.h"
#include "support/atomic_file.h"
#include "support/error_guard.h"

namespace kovra {
namespace {

// Room for the largest allowed board in 32 bits a pixel, in megabytes.
constexpr int kReadAllocationLimitMb = 512;

struct BitmapHeader {
  qint64 width = 0;
  qint64 height = 0;
  bool complete = true;  // the file holds all the pixels the header promises
};

quint32 Little(const QByteArray& bytes, int at, int size) {
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
  const quint32 pixels_at = Little(head, 10, 4);
  const quint32 header_size = Little(head, 14, 4);
  BitmapHeader header;
  int bits = 0;
  quint32 compression = 0;
  if (header_size == 12) {
    header.width = Little(head, 18, 2);
    header.height = Little(head, 20, 2);
    bits = int(Little(head, 24, 2));
  } else if (header_size >= 40 && head.size() >= 34) {
    header.width = qint32(Little(head, 18, 4));
    header.height = std::llabs(qint64(qint32(Little(head, 22, 4))));
    bits = int(Little(head, 28, 2));
    compression = Little(head, 30, 4);
  } else {
    return std::nullopt;
  }
  // Uncompressed rows have a known size; compressed ones are the reader's to check.
  if ((compression == 0 || compression == 3) && bits > 0 && header.width > 0) {
    const qint64 row = ((header.width * bits + 31) / 32) * 4;
    header.complete = qint64(pixels_at) + row * header.height <= file.size();
  }
  return header;
}

}  // namespace

std::optional<QString> PictureFileName(const QString& path) {
  qsizetype start = path.size();
  while (start > 0 && path[start - 1] != u'\\' && path[start - 1] != u'/' && path[start - 1] != u':') {
    --start;
  }
  const QString name = path.mid(start);
  if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..")) return std::nullopt;
  for (QChar c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return std::nullopt;
  }
  return name;
}

QString BoardTooLargeMessage(qint64 width, qint64 height) {
  return QStringLiteral(
             "Доска %1 на %2 точек слишком велика: не больше %3 точек всего")
      .arg(width)
      .arg(height)
      .arg(BoardCanvas::kMaxPixels);
}

QImage ReadBoardPicture(const QString& path) {
  const auto header = ReadBitmapHeader(path);
  if (header && header->width > 0 && header->height > 0 &&
      !BoardCanvas::SizeAllowed(header->width, header->height)) {
    throw Error(BoardTooLargeMessage(header->width, header->height));
  }
  if (!header || !header->complete) throw Error(QStringLiteral("Bitmap image is not valid"));
  QImageReader reader(path, "bmp");
  reader.setAutoDetectImageFormat(false);  // the name's extension is not trusted
  reader.setAllocationLimit(kReadAllocationLimitMb);
  QImage image = reader.read();
  if (image.isNull() || !BoardCanvas::SizeAllowed(image.width(), image.height())) {
    throw Error(QStringLiteral("Bitmap image is not valid"));
  }
  return image;
}

void WriteBoardPicture(const QImage& image, const QString& path) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  ReplaceFile(path, [&](QIODevice& file) { return QImageWriter(&file, "bmp").write(rgb); });
}

}  // namespace kovra
