// The board's size and its picture files: the working file ~kv.bmp, the
// picture folder BMP, the board menu and the five board file commands.
#include <QCoreApplication>
#include <QFileInfo>

#include "app/main_window.h"
#include "board/board_files.h"
#include "board/board_view.h"
#include "net/command.h"
#include "support/ansi_codec.h"
#include "support/prompt.h"
#include "support/state_files.h"
#include "support/system.h"
#include "support/text.h"

namespace kovra {

void TForm1::N2Click() {
  std::int32_t width = 0;
  std::int32_t height = 0;
  if (!AskInteger(*env_.dialogs, QStringLiteral("Новая доска"), QStringLiteral("Укажите ширину"),
                  width, Image_KV->width()) ||
      width <= 99) {
    return;
  }
  if (!AskInteger(*env_.dialogs, QStringLiteral("Новая доска"), QStringLiteral("Укажите высоту"),
                  height, Image_KV->height()) ||
      height <= 99) {
    return;
  }
  board_files_.NewBoard(width, height);
  // The new board is painted; received commands may be replayed on it here.
  QCoreApplication::processEvents();
  fan_out_->SendToCorrespondents(command::kNewKV, std::to_string(width) + " " + std::to_string(height), false);
}

void TForm1::N10Click() {
  board_files_.SaveBoardFile(board_files_.WorkingFile());
  fan_out_->SendToCorrespondents(command::kSave, "", false);
}

void TForm1::N11Click() {
  const QString path = board_files_.WorkingFile();
  if (!QFileInfo::exists(path)) return;
  board_files_.LoadBoardFile(path);
  fan_out_->SendToCorrespondents(command::kLoad, "", false);
}

void TForm1::N3Click() {
  const QString chosen = env_.dialogs->OpenPictureFile(board_files_.PictureFolder());
  if (chosen.isEmpty()) return;
  if (board_files_.LoadFromBmpFolder(chosen)) {
    fan_out_->SendToCorrespondents(command::kLoadFromFile, QStringToAnsi(*PictureFileName(chosen)), false);
  } else {
    env_.dialogs->ShowMessage(QStringLiteral("Файл не найден: ") + board_files_.PicturePath(chosen));
  }
}

void TForm1::N4Click() {
  if (!DriveWritable(ProgramDir_)) return;
  const QString chosen = env_.dialogs->SavePictureFile(board_files_.PictureFolder());
  if (chosen.isEmpty()) return;
  if (board_files_.SaveToBmpFolder(chosen)) {
    fan_out_->SendToCorrespondents(command::kSaveToFile, QStringToAnsi(*PictureFileName(chosen)), false);
  } else {
    env_.dialogs->ShowMessage(QStringLiteral("Неудачное сохранение файла : : ") + board_files_.PicturePath(chosen));
  }
}

void TForm1::ReceivedNewKV(const std::string& args) {
  const int width = TextToIntDef(TrimText(WordAt(CharSet(' '), args, 1)), 0);
  const int height = TextToIntDef(TrimText(WordAt(CharSet(' '), args, 2)), 0);
  if (width > 0 && height > 0) board_files_.NewBoard(width, height);
}

void TForm1::ReceivedLoad(const std::string&) {
  const QString path = board_files_.WorkingFile();
  if (QFileInfo::exists(path)) {
    board_files_.LoadBoardFile(path);
  } else {
    env_.dialogs->ShowMessage(QStringLiteral("Файл не найден : ~kv.bmp"));
  }
}

void TForm1::ReceivedSave(const std::string&) {
  if (!board_files_.SaveBoardFile(board_files_.WorkingFile())) {
    env_.dialogs->ShowMessage(QStringLiteral("Ошибка при сохранении файла: ~kv.bmp"));
  }
}

void TForm1::ReceivedLoadFromFile(const std::string& args) {
  if (!board_files_.LoadFromBmpFolder(AnsiToQString(args))) {
    env_.dialogs->ShowMessage(QStringLiteral("Ошибка при загрузке файла: ") + AnsiToQString(args));
  }
}

void TForm1::ReceivedSaveToFile(const std::string& args) {
  if (!board_files_.SaveToBmpFolder(AnsiToQString(args))) {
    env_.dialogs->ShowMessage(QStringLiteral("Ошибка при сохранении файла: ") + AnsiToQString(args));
  }
}

}  // namespace kovra
