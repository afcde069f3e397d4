#include "board/colors.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>
#include <cstdio>

#include "support/ansi_codec.h"
#include "support/error_guard.h"
#include "support/text.h"

namespace kovra {
namespace {

struct ColorEntry {
  const char* name;
  std::uint32_t value;
};

constexpr std::array<ColorEntry, 42> kColorTable = {{
    {"clBlack", 0x00000000},         {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},         {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},          {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},          {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},        {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},          {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},          {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},          {"clWhite", 0x00FFFFFF},
    {"clScrollBar", 0x80000000},     {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002}, {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},          {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},   {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},  {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},  {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E}, {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},     {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},       {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},  {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},       {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018},        {"clNone", 0x1FFFFFFF},
}};

}  // namespace

std::vector<std::string> PlainColorNames() {
  std::vector<std::string> names;
  for (const ColorEntry& entry : kColorTable) {
    if (entry.value <= 0x00FFFFFF) names.emplace_back(entry.name);
  }
  return names;
}

namespace {

// A system colour index and where this computer finds it: a palette role, or
// a fixed classic value where the palette has no such role.
struct SystemColor {
  std::optional<QPalette::ColorRole> role;
  QRgb classic;
};

const std::array<SystemColor, 25> kSystemColors = {{
    {std::nullopt, qRgb(200, 200, 200)},               // scroll bar
    {std::nullopt, qRgb(58, 110, 165)},                // desktop
    {QPalette::Highlight, qRgb(10, 36, 106)},          // active caption
    {std::nullopt, qRgb(128, 128, 128)},               // inactive caption
    {QPalette::Window, qRgb(212, 208, 200)},           // menu
    {QPalette::Base, qRgb(255, 255, 255)},             // window
    {QPalette::Shadow, qRgb(0, 0, 0)},                 // window frame
    {QPalette::WindowText, qRgb(0, 0, 0)},             // menu text
    {QPalette::Text, qRgb(0, 0, 0)},                   // window text
    {QPalette::HighlightedText, qRgb(255, 255, 255)},  // caption text
    {std::nullopt, qRgb(212, 208, 200)},               // active border
    {std::nullopt, qRgb(212, 208, 200)},               // inactive border
    {QPalette::Dark, qRgb(128, 128, 128)},             // application work space
    {QPalette::Highlight, qRgb(10, 36, 106)},          // highlight
    {QPalette::HighlightedText, qRgb(255, 255, 255)},  // highlighted text
    {QPalette::Button, qRgb(212, 208, 200)},           // button face
    {QPalette::Dark, qRgb(128, 128, 128)},             // button shadow
    {std::nullopt, qRgb(128, 128, 128)},               // grey text
    {QPalette::ButtonText, qRgb(0, 0, 0)},             // button text
    {std::nullopt, qRgb(212, 208, 200)},               // inactive caption text
    {QPalette::Light, qRgb(255, 255, 255)},            // button highlight
    {QPalette::Shadow, qRgb(64, 64, 64)},              // 3-D dark shadow
    {QPalette::Midlight, qRgb(212, 208, 200)},         // 3-D light
    {QPalette::ToolTipText, qRgb(0, 0, 0)},            // tooltip text
    {QPalette::ToolTipBase, qRgb(255, 255, 225)},      // tooltip background
}};

}  // namespace

std::optional<std::string> ColorToIdent(TColor value) {
  for (const ColorEntry& entry : kColorTable) {
    if (static_cast<TColor>(entry.value) == value) return std::string(entry.name);
  }
  return std::nullopt;
}

std::optional<TColor> IdentToColor(const std::string& name) {
  // Only the Latin letters are folded, as the table's names are Latin.
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; };
  for (const ColorEntry& entry : kColorTable) {
    const std::size_t size = std::char_traits<char>::length(entry.name);
    if (size != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < size; ++i) same = fold(entry.name[i]) == fold(name[i]);
    if (same) return static_cast<TColor>(entry.value);
  }
  return std::nullopt;
}

std::string ColorToString(TColor value) {
  if (auto name = ColorToIdent(value)) return *name;
  char text[16];
  std::snprintf(text, sizeof text, "$%.8X", static_cast<std::uint32_t>(value));
  return text;
}

std::optional<TColor> ReadColor(const std::string& text) {
  if (auto value = IdentToColor(text)) return value;
  return StrToInt(text);
}

TColor StringToColor(const std::string& text) {
  if (auto value = ReadColor(text)) return *value;
  throw Error(QStringLiteral("'%1' is not a valid integer value").arg(AnsiToQString(text)));
}

QColor ToQColor(TColor value) {
  if (value < 0) {
    const auto index = static_cast<std::size_t>(value & 0xFF);
    if (index >= kSystemColors.size()) return QColor(Qt::black);
    const SystemColor& system = kSystemColors[index];
    if (system.role && qGuiApp != nullptr) return QGuiApplication::palette().color(*system.role);
    return QColor(system.classic);
  }
  const auto bits = static_cast<std::uint32_t>(value);
  return QColor(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color) {
  return static_cast<TColor>(static_cast<std::uint32_t>(color.red()) |
                             (static_cast<std::uint32_t>(color.green()) << 8) |
                             (static_cast<std::uint32_t>(color.blue()) << 16));
}

}  // namespace kovra
