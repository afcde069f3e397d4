#include "common/scripted_dialogs.h"

namespace kovra::test {
namespace {

template <typename T>
T Take(std::deque<T>& queue, const T& cancelled) {
  if (queue.empty()) return cancelled;
  const T answer = queue.front();
  queue.pop_front();
  return answer;
}

}  // namespace

std::optional<QString> ScriptedDialogs::InputText(const QString& caption, const QString& prompt,
                                                  const QString& value) {
  prompts.append(caption + u'|' + prompt + u'|' + value);
  return Take(text_answers, std::optional<QString>());
}

std::optional<QColor> ScriptedDialogs::ChooseColor(const QColor&) {
  return Take(color_answers, std::optional<QColor>());
}

std::optional<FontChoice> ScriptedDialogs::ChooseFont(const FontChoice&) {
  return Take(font_answers, std::optional<FontChoice>());
}

QString ScriptedDialogs::OpenPictureFile(const QString& folder) {
  file_dialog_folders.append(folder);
  return Take(file_answers, QString());
}

QString ScriptedDialogs::SavePictureFile(const QString& folder) {
  file_dialog_folders.append(folder);
  return Take(file_answers, QString());
}

QString ScriptedDialogs::SavePngFile(const QString& suggested) {
  file_dialog_folders.append(suggested);
  return Take(file_answers, QString());
}

bool ScriptedDialogs::Confirm(const QString& question) {
  questions.append(question);
  return Take(confirm_answers, true);
}

std::optional<QSize> ScriptedDialogs::AskSize(const QString& caption, const QString& question,
                                              QSize offered, const SizeCheck& check) {
  questions.append(question);
  prompts.append(caption + u'|' + QString::number(offered.width()) + u'|' +
                 QString::number(offered.height()));
  if (!Take(confirm_answers, true)) return std::nullopt;
  for (;;) {
    const std::optional<QString> width = Take(text_answers, std::optional<QString>());
    const std::optional<QString> height = Take(text_answers, std::optional<QString>());
    if (!width || !height) return std::nullopt;
    const std::variant<QSize, QString> read = check(*width, *height);
    if (const QSize* size = std::get_if<QSize>(&read)) return *size;
    size_problems.append(std::get<QString>(read));
  }
}

}  // namespace kovra::test
