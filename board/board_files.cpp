#include "board/board_files.h"

#include <QDir>
#include <QImageReader>
#include <QImageWriter>

#include "board/canvas.h"
#include "support/atomic_file.h"
#include "support/error_guard.h"

namespace kovra {
namespace {

// Room for the largest allowed board in 32 bits a pixel, in megabytes.
constexpr int kReadAllocationLimitMb = 512;

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
             "Доска %1 на %2 точек слишком велика: не больше %3 точек по стороне и %4 точек всего")
      .arg(width)
      .arg(height)
      .arg(BoardCanvas::kMaxSide)
      .arg(BoardCanvas::kMaxPixels);
}

QImage ReadBoardPicture(const QString& path) {
  QImageReader reader(path, "bmp");
  reader.setAutoDetectImageFormat(false);  // the name's extension is not trusted
  reader.setAllocationLimit(kReadAllocationLimitMb);
  const QSize size = reader.size();
  if (size.isValid() && !BoardCanvas::SizeAllowed(size.width(), size.height())) {
    throw Error(BoardTooLargeMessage(size.width(), size.height()));
  }
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
