// Windows bitmap files made byte by byte, so that loading is tested against
// the format itself rather than against our own writer.
#pragma once

#include <QByteArray>
#include <QImage>

namespace kovra::test {

// A w by h bitmap of 1, 8 or 24 bits a pixel, bottom-up or top-down, whose
// pixels are those of ExpectedPixel.
QByteArray MakeBmp(int width, int height, int bits_per_pixel, bool top_down);
QRgb ExpectedPixel(int bits_per_pixel, int x, int y);

}  // namespace kovra::test
