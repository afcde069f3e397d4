#include "support/prompt.h"

#include "support/ansi_codec.h"
#include "support/text.h"

namespace kovra {

bool AskInteger(Dialogs& dialogs, const QString& caption, const QString& prompt,
                std::int32_t& value, std::int32_t default_value) {
  value = default_value;
  // Runs a modal dialog: datagrams and ticks are handled meanwhile.
  const auto answer = dialogs.InputText(caption, prompt, QString::number(default_value));
  if (!answer) return false;
  const auto number = TextToInt(QStringToAnsi(*answer));
  if (!number) return false;
  value = *number;
  return true;
}

}  // namespace kovra
