// Colour values as they travel in drawing commands: a signed 32-bit value
// (blue, green, red bytes; negative for the desktop's system colours) and its
// text, a name of the colour table or "$" and eight hexadecimal digits.
#pragma once

#include <QColor>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kovra {

using TColor = std::int32_t;

constexpr TColor kClBlack = 0x00000000;
constexpr TColor kClRed = 0x000000FF;
constexpr TColor kClYellow = 0x0000FFFF;
constexpr TColor kClWhite = 0x00FFFFFF;
constexpr TColor kClWindowText = static_cast<TColor>(0x80000008);
constexpr TColor kClBtnFace = static_cast<TColor>(0x8000000F);
constexpr TColor kClNone = 0x1FFFFFFF;

// The sixteen plain colours of the table, by name, in its order.
std::vector<std::string> PlainColorNames();

// The name of the first table entry with this value.
std::optional<std::string> ColorToIdent(TColor value);
// The value of the table entry with this name, letters a-z in any case.
std::optional<TColor> IdentToColor(const std::string& name);

std::string ColorToString(TColor value);
// Raises Error "'text' is not a valid integer value" for a text that is
// neither a name nor an integer.
TColor StringToColor(const std::string& text);
// The same, nullopt for a text that is neither.
std::optional<TColor> ReadColor(const std::string& text);

// The colour as this computer draws it: system colours in the application's
// own palette, plain colours as they are.
QColor ToQColor(TColor value);
// A plain colour value for an RGB colour.
TColor FromQColor(const QColor& color);

}  // namespace kovra
