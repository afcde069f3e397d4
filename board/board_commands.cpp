#include "board/board_commands.h"

#include <QFileInfo>

#include "support/ansi_codec.h"
#include "support/state_files.h"
#include "support/text.h"

namespace kovra {

void ReceivedBoardCommands::NewKV(const std::string& args) {
  const int width = TextToIntDef(TrimText(WordAt(CharSet(' '), args, 1)), 0);
  const int height = TextToIntDef(TrimText(WordAt(CharSet(' '), args, 2)), 0);
  if (width > 0 && height > 0) files_.NewBoard(width, height);
}

void ReceivedBoardCommands::Load(const std::string&) {
  const QString path = files_.WorkingFile();
  if (QFileInfo::exists(path)) {
    files_.LoadBoardFile(path);
  } else {
    dialogs_.ShowMessage(QStringLiteral("Файл не найден : ") + kBoardStateFile);
  }
}

void ReceivedBoardCommands::Save(const std::string&) {
  if (!files_.SaveBoardFile(files_.WorkingFile())) {
    dialogs_.ShowMessage(QStringLiteral("Ошибка при сохранении файла: ") + kBoardStateFile);
  }
}

void ReceivedBoardCommands::LoadFromFile(const std::string& args) {
  if (!files_.LoadFromBmpFolder(AnsiToQString(args))) {
    dialogs_.ShowMessage(QStringLiteral("Ошибка при загрузке файла: ") + AnsiToQString(args));
  }
}

void ReceivedBoardCommands::SaveToFile(const std::string& args) {
  if (!files_.SaveToBmpFolder(AnsiToQString(args))) {
    dialogs_.ShowMessage(QStringLiteral("Ошибка при сохранении файла: ") + AnsiToQString(args));
  }
}

}  // namespace kovra
