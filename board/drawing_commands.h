// The drawing commands: one type for each, with its name, its argument text
// as built and as read side by side (so that the sender's layout and the
// receiver's reading cannot drift apart), made by the tools and drawn by the
// replay. Colours stay colour texts here: the replay reads each one at the
// step that uses it, so an unreadable colour fails exactly where the command
// reaches it.
#pragma once

#include <string>
#include <variant>

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
// Pixels put on the board: only between copies that speak the delivery
// extension, in their ordered streams.
inline const std::string kPaste = "KvPaste";
}  // namespace command

namespace drawing {

// The colour texts a field takes when it comes empty.
inline const std::string kDefaultPen = "clBlack";
inline const std::string kDefaultFill = "clWhite";

// The fields of "ImageKV_MoveTo" and "ImageKV_CursorTo": x y.
struct Point {
  int x = 0;
  int y = 0;
  std::string Build() const;
  static Point Parse(const std::string& args);
};

template <const std::string& kName>
struct PointCommand : Point {
  static const std::string& Name() { return kName; }
  static PointCommand Parse(const std::string& args) { return {Point::Parse(args)}; }
};
using MoveTo = PointCommand<command::kMoveTo>;
using CursorTo = PointCommand<command::kCursorTo>;

// "ImageKV_MouseUp": its arguments, if any, mean nothing.
struct MouseUp {
  static const std::string& Name() { return command::kMouseUp; }
  std::string Build() const { return {}; }
  static MouseUp Parse(const std::string&) { return {}; }
};

// "ImageKV_LineTo": x y width pen.
struct LineTo {
  int x = 0;
  int y = 0;
  int width = 1;
  std::string pen = kDefaultPen;
  static const std::string& Name() { return command::kLineTo; }
  std::string Build() const;
  static LineTo Parse(const std::string& args);
};

// The fields of "ImageKV_LineFromTo" and "ImageKV_Rectangle": x0 y0 x1 y1
// width pen; the filled rectangle and both ellipses add the fill colour.
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

template <const std::string& kName, bool kWithFill>
struct FigureCommand : Figure {
  static const std::string& Name() { return kName; }
  static FigureCommand Parse(const std::string& args) { return {Figure::Parse(args, kWithFill)}; }
};
using LineFromTo = FigureCommand<command::kLineFromTo, false>;
using Rectangle = FigureCommand<command::kRectangle, false>;
using RectangleFill = FigureCommand<command::kRectangleFill, true>;
using Ellipse = FigureCommand<command::kEllipse, true>;
using EllipseFill = FigureCommand<command::kEllipseFill, true>;

// "ImageKV_FloodFill": x y fill, and the colour found at the point on the
// sender's board, which no receiver uses.
struct FloodFill {
  int x = 0;
  int y = 0;
  std::string fill = kDefaultFill;
  std::string found;
  static const std::string& Name() { return command::kFloodFill; }
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
  static const std::string& Name() { return command::kSetFont; }
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
  static const std::string& Name() { return command::kTextOut; }
  std::string Build() const;
  static TextOut Parse(const std::string& args);
};

// "KvPaste": x y width height data, a part of a picture put on the board,
// at most one tile, as tiles::Encode writes it in bytes. The text is kept
// whole: it is drawn, and drawn again, as it came.
struct Paste {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::string text;
  static const std::string& Name() { return command::kPaste; }
  std::string Build() const { return text; }
  static Paste Parse(const std::string& args);
};

// What a tool makes and the replay draws. The pointer's command is among
// them: it goes to the peers like the rest, and no board draws it.
using Command = std::variant<MoveTo, LineTo, LineFromTo, Rectangle, RectangleFill, Ellipse,
                             EllipseFill, FloodFill, SetFont, TextOut, CursorTo, Paste>;

const std::string& NameOf(const Command& command);
std::string ArgsOf(const Command& command);

}  // namespace drawing
}  // namespace kovra
