#include "app/picture_reading.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "support/text.h"

namespace kovra::pictures {
namespace {

bool TooLarge(QSize size) { return qint64{size.width()} * size.height() > kMaxPixels; }

QString TooLargeText(const QString& name, QSize size) {
  return QStringLiteral("%1 слишком велика: %2 × %3 точек, можно до %4")
      .arg(name, Grouped(size.width()), Grouped(size.height()), Grouped(kMaxPixels));
}

const QString kFromClipboard = QStringLiteral("Картинка из буфера обмена");

}  // namespace

Read FromDevice(QIODevice& device, const QString& name) {
  QImageReader reader(&device);
  reader.setAutoTransform(true);
  // Whatever the header says, the decoder takes no more than such a picture.
  reader.setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)) + 1);
  if (!reader.canRead())
    return {{}, QStringLiteral("%1 — не картинка, вставлять нечего").arg(name)};
  if (const QSize size = reader.size(); size.isValid() && TooLarge(size)) {
    return {{}, TooLargeText(name, size)};
  }
  QImage picture = reader.read();
  if (picture.isNull()) {
    return {{}, QStringLiteral("%1 не прочитана: %2").arg(name, reader.errorString())};
  }
  if (TooLarge(picture.size())) return {{}, TooLargeText(name, picture.size())};
  return {std::move(picture), {}};
}

Read FromFile(const QString& path) {
  const QString name = QStringLiteral("«%1»").arg(QFileInfo(path).fileName());
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {{}, QStringLiteral("%1 не открыт: %2").arg(name, file.errorString())};
  }
  return FromDevice(file, name);
}

Read FromImage(const QImage& picture) {
  if (TooLarge(picture.size()))
    return {{}, TooLargeText(QStringLiteral("Картинка"), picture.size())};
  return {picture, {}};
}

Read FromClipboard() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data != nullptr) {
    // This program's own picture is whole already; another's is read from
    // its bytes, so that its size is known before it is decoded.
    if (data->hasFormat(QStringLiteral("application/x-qt-image"))) {
      return FromImage(qvariant_cast<QImage>(data->imageData()));
    }
    QStringList formats = data->formats().filter(QStringLiteral("image/"));
    // The formats that keep every pixel first.
    std::stable_sort(formats.begin(), formats.end(), [](const QString& a, const QString&) {
      return a == QStringLiteral("image/png") || a == QStringLiteral("image/bmp");
    });
    for (const QString& format : formats) {
      QByteArray bytes = data->data(format);
      QBuffer buffer(&bytes);
      if (!bytes.isEmpty() && buffer.open(QIODevice::ReadOnly)) {
        return FromDevice(buffer, kFromClipboard);
      }
    }
    for (const QUrl& url : data->urls()) {
      if (url.isLocalFile()) return FromFile(url.toLocalFile());
    }
  }
  return {{}, QStringLiteral("В буфере обмена нет картинки")};
}

bool ClipboardHasPicture() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr) return false;
  if (data->hasImage()) return true;
  const QList<QUrl> urls = data->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) {
    return url.isLocalFile() && !QImageReader::imageFormat(url.toLocalFile()).isEmpty();
  });
}

}  // namespace kovra::pictures
