// The drawing commands: each one's name and argument text, built by the
// tools and read by the replay side by side, so that the sender's layout and
// the receiver's reading cannot drift apart. Colours stay colour texts here:
// the replay reads each one at the step that uses it, so an unreadable colour
// fails exactly where the command reaches it.
#pragma once

#include <string>

#include "support/dialogs.h"

namespace kovra {

namespace command {
inline const std::string kMoveTo = "ImageKV_MoveTo";
inline const std::string kMouseUp = "ImageKV_MouseUp";  // recognised, means nothing
inline const std::string kLineTo = "ImageKV_LineTo";
inline const std::string kLineFromTo = "ImageKV_LineFromTo";
inline const std::string kRectangle = "ImageKV_Rectangle";
inline const std::string kRectangleFill = "ImageKV_RectangleFill";
inline const std::string kEllipse = "ImageKV_Ellipse";
inline const std::string kEllipseFill = "ImageKV_EllipseFill";
inline const std::string kFloodFill = "ImageKV_FloodFill";
inline const std::string kSetFont = "ImageKV_SetFont";
inline const std::string kTextOut = "ImageKV_TextOut";
inline const std::string kCursorTo = "ImageKV_CursorTo";  // sent by the pointer; nobody draws it
}  // namespace command

namespace drawing {

// The colour texts a field takes when it comes empty.
inline const std::string kDefaultPen = "clBlack";
inline const std::string kDefaultFill = "clWhite";

// "ImageKV_MoveTo" and "ImageKV_CursorTo": x y.
struct Point {
  int x = 0;
  int y = 0;
  std::string Build() const;
  static Point Parse(const std::string& args);
};

// "ImageKV_LineTo": x y width pen.
struct LineTo {
  int x = 0;
  int y = 0;
  int width = 1;
  std::string pen = kDefaultPen;
  std::string Build() const;
  static LineTo Parse(const std::string& args);
};

// "ImageKV_LineFromTo" and "ImageKV_Rectangle": x0 y0 x1 y1 width pen; the
// filled rectangle and both ellipses add the fill colour.
struct Figure {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
  int width = 1;
  std::string pen = kDefaultPen;
  std::string fill;  // empty: the command has no fill field
  std::string Build() const;
  // with_fill: the command has the fill field, kDefaultFill when it is empty.
  static Figure Parse(const std::string& args, bool with_fill);
};

// "ImageKV_FloodFill": x y fill, and the colour found at the point on the
// sender's board, which no receiver uses.
struct FloodFill {
  int x = 0;
  int y = 0;
  std::string fill = kDefaultFill;
  std::string found;
  std::string Build() const;
  static FloodFill Parse(const std::string& args);
};

// "ImageKV_SetFont": size|colour|name| and, when the font is not plain, the
// style letters and a bar: "B" bold, "I" italic, "U" underline, "S" struck
// out. Copies that read three fields never see the fourth. The colour has no
// default: an empty one fails where it is read.
struct SetFont {
  int size = 8;
  std::string color;
  std::string name;   // Windows-1251; empty leaves the name as it is
  std::string style;  // the letters, upper case; empty is plain
  static SetFont From(const FontChoice& font);
  std::string Build() const;
  static SetFont Parse(const std::string& args);
  bool Has(char style_letter) const;
};

// "ImageKV_TextOut": x|y|background|text. A text holding "|" is sent whole
// and read up to its first bar.
struct TextOut {
  int x = 0;
  int y = 0;
  std::string background = kDefaultFill;
  std::string text;  // Windows-1251
  std::string Build() const;
  static TextOut Parse(const std::string& args);
};

}  // namespace drawing
}  // namespace kovra
