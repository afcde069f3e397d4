// The integer prompt used by the width setting and the new-board size.
#pragma once

#include <QString>
#include <cstdint>

#include "support/dialogs.h"

namespace kovra {

// Shows a prompt pre-filled with default_value. True with the number read
// when the user confirms a whole number; otherwise false and the default.
bool AskInteger(Dialogs& dialogs, const QString& caption, const QString& prompt,
                std::int32_t& value, std::int32_t default_value);

}  // namespace kovra
