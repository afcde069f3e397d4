#include "common/bmp_builder.h"

#include <QDataStream>
#include <QIODevice>

namespace kovra::test {
namespace {

QRgb PaletteEntry(int bits_per_pixel, int index) {
  if (bits_per_pixel == 1) return index == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
  return qRgb(index, 255 - index, index / 2);
}

int PixelIndex(int bits_per_pixel, int x, int y) {
  return bits_per_pixel == 1 ? (x + y) % 2 : (x * 7 + y * 3) % 256;
}

}  // namespace

QRgb ExpectedPixel(int bits_per_pixel, int x, int y) {
  if (bits_per_pixel == 24) return qRgb((x * 10) % 256, (y * 20) % 256, 128);
  return PaletteEntry(bits_per_pixel, PixelIndex(bits_per_pixel, x, y));
}

QByteArray MakeBmp(int width, int height, int bits_per_pixel, bool top_down) {
  const int palette_size = bits_per_pixel == 24 ? 0 : (1 << bits_per_pixel);
  const int row_bytes = ((width * bits_per_pixel + 31) / 32) * 4;
  const int pixel_offset = 14 + 40 + palette_size * 4;
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  out.writeRawData("BM", 2);
  out << quint32(pixel_offset + row_bytes * height) << quint32(0) << quint32(pixel_offset);
  out << quint32(40) << qint32(width) << qint32(top_down ? -height : height) << quint16(1)
      << quint16(bits_per_pixel) << quint32(0) << quint32(row_bytes * height) << qint32(2835)
      << qint32(2835) << quint32(palette_size) << quint32(0);
  for (int i = 0; i < palette_size; ++i) {
    const QRgb c = PaletteEntry(bits_per_pixel, i);
    out << quint8(qBlue(c)) << quint8(qGreen(c)) << quint8(qRed(c)) << quint8(0);
  }
  for (int row = 0; row < height; ++row) {
    const int y = top_down ? row : height - 1 - row;
    QByteArray line(row_bytes, '\0');
    for (int x = 0; x < width; ++x) {
      if (bits_per_pixel == 24) {
        const QRgb c = ExpectedPixel(24, x, y);
        line[x * 3] = char(qBlue(c));
        line[x * 3 + 1] = char(qGreen(c));
        line[x * 3 + 2] = char(qRed(c));
      } else if (bits_per_pixel == 8) {
        line[x] = char(PixelIndex(8, x, y));
      } else if (PixelIndex(1, x, y) != 0) {
        line[x / 8] = char(line[x / 8] | (0x80 >> (x % 8)));
      }
    }
    out.writeRawData(line.constData(), row_bytes);
  }
  return bytes;
}

}  // namespace kovra::test
