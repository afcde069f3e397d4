// Pictures read for the board: from a file, from bytes (a clipboard's), and
// from the clipboard itself, never larger than a bound. The size is read
// from the header before anything is decoded, and the decoder may take no
// more than such a picture, so a file of a few kilobytes that claims to be
// huge costs nothing. What cannot be read is said in one Russian line.
#pragma once

#include <QImage>
#include <QString>

class QIODevice;

namespace kovra::pictures {

// A picture of more pixels than this is not read at all.
constexpr qint64 kMaxPixels = 40'000'000;

struct Read {
  QImage picture;   // null when it was not read
  QString refusal;  // why not, naming what was read by name
};

// name is how the line names what is read ("«plan.png»").
Read FromDevice(QIODevice& device, const QString& name);
Read FromFile(const QString& path);
// A picture already whole (dropped, or this program's own on the
// clipboard), held to the same bound.
Read FromImage(const QImage& picture);
// The clipboard's picture: this program's own as it is, another program's
// from its bytes, or a picture file it names.
Read FromClipboard();
// Whether the clipboard holds a picture, or names a picture file.
bool ClipboardHasPicture();

}  // namespace kovra::pictures
