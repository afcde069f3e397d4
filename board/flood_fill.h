// The flood fill of the board: the 4-connected region of one colour around
// a seed, painted a run of a row at a time. Its inner loops are written so
// that the compiler makes vector code of them.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

namespace kovra {

// Paints every pixel of target colour connected to seed with paint; returns
// the area it touched (empty when target and paint are the same).
QRect ScanLineFill(QImage& image, QPoint seed, QRgb target, QRgb paint);

}  // namespace kovra
