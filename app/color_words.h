// Colours as the user reads them: a Russian name and a swatch, whatever
// name travels for the colour on the wire.
#pragma once

#include <QIcon>
#include <QString>

#include "board/colors.h"

namespace kovra {

// The colour's Russian name: the plain colours by their hue, the system's by
// the part of the screen they paint, any other by its hexadecimal value.
QString ColorCaption(TColor color);
// A small framed square of the colour.
QIcon ColorSwatch(TColor color);

}  // namespace kovra
