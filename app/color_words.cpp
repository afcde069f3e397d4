#include "app/color_words.h"

#include <QPainter>
#include <QPixmap>

namespace kovra {
namespace {

struct ColorWords {
  const char* ident;
  const char* caption;
};

// The colours with a name of their own; the system's by the part of the
// screen they paint.
constexpr ColorWords kColorWords[] = {
    {"clBlack", "Чёрный"},
    {"clMaroon", "Бордовый"},
    {"clGreen", "Зелёный"},
    {"clOlive", "Оливковый"},
    {"clNavy", "Тёмно-синий"},
    {"clPurple", "Фиолетовый"},
    {"clTeal", "Сине-зелёный"},
    {"clGray", "Серый"},
    {"clSilver", "Серебристый"},
    {"clRed", "Красный"},
    {"clLime", "Ярко-зелёный"},
    {"clYellow", "Жёлтый"},
    {"clBlue", "Синий"},
    {"clFuchsia", "Малиновый"},
    {"clAqua", "Голубой"},
    {"clWhite", "Белый"},
    {"clScrollBar", "Цвет полосы прокрутки"},
    {"clBackground", "Цвет рабочего стола"},
    {"clActiveCaption", "Цвет заголовка окна"},
    {"clInactiveCaption", "Цвет заголовка неактивного окна"},
    {"clMenu", "Цвет меню"},
    {"clWindow", "Цвет фона окна"},
    {"clWindowFrame", "Цвет рамки окна"},
    {"clMenuText", "Цвет текста меню"},
    {"clWindowText", "Цвет текста окна"},
    {"clCaptionText", "Цвет текста заголовка"},
    {"clActiveBorder", "Цвет границы окна"},
    {"clInactiveBorder", "Цвет границы неактивного окна"},
    {"clAppWorkSpace", "Цвет рабочей области"},
    {"clHighlight", "Цвет выделения"},
    {"clHighlightText", "Цвет выделенного текста"},
    {"clBtnFace", "Цвет кнопки"},
    {"clBtnShadow", "Цвет тени кнопки"},
    {"clGrayText", "Цвет недоступного текста"},
    {"clBtnText", "Цвет текста кнопки"},
    {"clInactiveCaptionText", "Цвет текста неактивного заголовка"},
    {"clBtnHighlight", "Цвет блика кнопки"},
    {"clInfoText", "Цвет текста подсказки"},
    {"clInfoBk", "Цвет фона подсказки"},
    {"clNone", "Нет цвета"},
};

}  // namespace

QIcon ColorSwatch(TColor color) {
  QPixmap swatch(14, 14);
  swatch.fill(Qt::black);  // the frame
  QPainter painter(&swatch);
  painter.fillRect(1, 1, 12, 12, ToQColor(color));
  return QIcon(swatch);
}

QString ColorCaption(TColor color) {
  const std::string ident = ColorToString(color);
  for (const ColorWords& words : kColorWords) {
    if (ident == words.ident) return QString::fromUtf8(words.caption);
  }
  return QStringLiteral("Другой цвет %1").arg(ToQColor(color).name().toUpper());
}

}  // namespace kovra
