// Dialogs for tests: answers are queued in advance, and every box and
// prompt shown is recorded.
#pragma once

#include <QStringList>
#include <deque>

#include "support/dialogs.h"

namespace kovra::test {

class ScriptedDialogs : public Dialogs {
 public:
  void ShowMessage(const QString& text) override { messages.append(text); }
  void ShowError(const QString& text) override { errors.append(text); }
  std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                   const QString& value) override;
  std::optional<QColor> ChooseColor(const QColor& initial) override;
  std::optional<FontChoice> ChooseFont(const FontChoice& initial) override;
  QString OpenPictureFile(const QString& folder) override;
  QString SavePictureFile(const QString& folder) override;
  QString SavePngFile(const QString& suggested) override;
  bool Confirm(const QString& question) override;
  // Yes or no from confirm_answers, then a width and a height from
  // text_answers, two at a time until check finds nothing wrong.
  std::optional<QSize> AskSize(const QString& caption, const QString& question, QSize offered,
                               const SizeCheck& check) override;

  // Answers, taken in order; an empty queue answers Cancel.
  std::deque<std::optional<QString>> text_answers;
  std::deque<std::optional<QColor>> color_answers;
  std::deque<std::optional<FontChoice>> font_answers;
  std::deque<QString> file_answers;
  std::deque<bool> confirm_answers;  // an empty queue answers yes

  // What was shown: "caption|prompt|value" for each text prompt.
  QStringList messages;
  QStringList errors;
  QStringList prompts;
  QStringList file_dialog_folders;
  QStringList questions;
  QStringList size_problems;  // what a size dialog said was wrong
};

}  // namespace kovra::test
