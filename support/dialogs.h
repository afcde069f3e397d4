// Every message box and modal prompt the program shows goes through Dialogs,
// so tests can script the answers and read back what the user would see.
// Each call runs a nested event loop in the real program.
#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

namespace kovra {

// A font as the program's font dialog carries it: the face plus its colour,
// a colour value (blue, green, red bytes; negative for a system colour).
struct FontChoice {
  QFont font;
  std::int32_t color = 0;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // An information box with the program's fixed text.
  virtual void ShowMessage(const QString& text) = 0;
  // The error report for an error raised inside a handler.
  virtual void ShowError(const QString& text) = 0;
  // A one-line input prompt; nullopt when cancelled.
  virtual std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                           const QString& value) = 0;
  // The same for a word nobody looking on should read: typed as dots.
  virtual std::optional<QString> InputSecret(const QString& caption, const QString& prompt) {
    return InputText(caption, prompt, QString());
  }
  virtual std::optional<QColor> ChooseColor(const QColor& initial) = 0;
  virtual std::optional<FontChoice> ChooseFont(const FontChoice& initial) = 0;
  // Picture file dialogs opening in folder; an empty result means cancelled.
  virtual QString OpenPictureFile(const QString& folder) = 0;
  virtual QString SavePictureFile(const QString& folder) = 0;

  // A file to write a PNG picture to, anywhere; empty when cancelled.
  virtual QString SavePngFile(const QString& suggested) = 0;
  // A yes-or-no question; true for yes.
  virtual bool Confirm(const QString& question) = 0;

  // Reads a width and a height as typed: the size, or what is wrong with it.
  using SizeCheck =
      std::function<std::variant<QSize, QString>(const QString& width, const QString& height)>;
  // A question that goes with a size, offered filled in. What check finds
  // wrong is said in the dialog, which stays open to mend it. The size
  // read; nullopt when the answer is no.
  virtual std::optional<QSize> AskSize(const QString& caption, const QString& question,
                                       QSize offered, const SizeCheck& check) = 0;

  // Shows an error report later as it would be shown now: what a peer's
  // command set going is still told as that peer's when it ends.
  virtual std::function<void(const QString& text)> ErrorLater() {
    return [this](const QString& text) { ShowError(text); };
  }
};

}  // namespace kovra
