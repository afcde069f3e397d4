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
QString TForm1::PictureFolder() const { return ProgramDir_ + kPictureFolder + u'/'; }

QString TForm1::PicturePath(const QString& path) const {
  return PictureFolder() + PictureFileName(path).value_or(QFileInfo(path).fileName());
}

// The scroll box keeps the board at its top-left corner at its natural size;
// the view stays where the user scrolled it.
void TForm1::ShowBoard() { Image_KV->Show(&canvas_.Image()); }

bool TForm1::SaveBoardFile(const QString& path) {
  const QString trimmed = TrimSpaces(path);
  if (trimmed.isEmpty() || !DriveWritable(trimmed) || !canvas_.HasPicture()) return false;
  WriteBoardPicture(canvas_.Image(), trimmed);
  return true;
}

void TForm1::LoadBoardFile(const QString& path) {
  canvas_.Reset(ReadBoardPicture(path));  // the board stays as it was when this raises
  ShowBoard();
}

void TForm1::NewBoard(int width, int height) {
  width = std::max(width, 100);
  height = std::max(height, 100);
  if (!BoardCanvas::SizeAllowed(width, height)) throw Error(BoardTooLargeMessage(width, height));
  if (canvas_.HasPicture()) {
    canvas_.Resize(width, height);  // the drawing state stays
  } else {
    QImage fresh(width, height, QImage::Format_RGB32);
    canvas_.Reset(fresh);
  }
  canvas_.SetBrushColor(kClWhite);
  canvas_.FillRect(QRect(0, 0, width, height));
  ShowBoard();
  SaveBoardFile(ProgramDir_ + kBoardStateFile);
}

bool TForm1::LoadFromBmpFolder(const QString& path) {
  const QString trimmed = TrimSpaces(path);
  if (trimmed.isEmpty()) return false;
  const auto name = PictureFileName(trimmed);
  if (!name || !QFileInfo::exists(PictureFolder() + *name)) return false;
  LoadBoardFile(PictureFolder() + *name);
  return true;
}

bool TForm1::SaveToBmpFolder(const QString& path) {
  const QString trimmed = TrimSpaces(path);
  if (trimmed.isEmpty() || !DriveWritable(ProgramDir_)) return false;
  const auto name = PictureFileName(trimmed);
  if (!name || !canvas_.HasPicture()) return false;
  WriteBoardPicture(canvas_.Image(), PictureFolder() + *name);
  return true;
}

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
  NewBoard(width, height);
  // The new board is painted; received commands may be replayed on it here.
  QCoreApplication::processEvents();
  fan_out_->SendToCorrespondents(command::kNewKV, std::to_string(width) + " " + std::to_string(height), false);
}

void TForm1::N10Click() {
  SaveBoardFile(ProgramDir_ + kBoardStateFile);
  fan_out_->SendToCorrespondents(command::kSave, "", false);
}

void TForm1::N11Click() {
  const QString path = ProgramDir_ + kBoardStateFile;
  if (!QFileInfo::exists(path)) return;
  LoadBoardFile(path);
  fan_out_->SendToCorrespondents(command::kLoad, "", false);
}

void TForm1::N3Click() {
  const QString chosen = env_.dialogs->OpenPictureFile(PictureFolder());
  if (chosen.isEmpty()) return;
  if (LoadFromBmpFolder(chosen)) {
    fan_out_->SendToCorrespondents(command::kLoadFromFile, QStringToAnsi(*PictureFileName(chosen)), false);
  } else {
    env_.dialogs->ShowMessage(QStringLiteral("Файл не найден: ") + PicturePath(chosen));
  }
}

void TForm1::N4Click() {
  if (!DriveWritable(ProgramDir_)) return;
  const QString chosen = env_.dialogs->SavePictureFile(PictureFolder());
  if (chosen.isEmpty()) return;
  if (SaveToBmpFolder(chosen)) {
    fan_out_->SendToCorrespondents(command::kSaveToFile, QStringToAnsi(*PictureFileName(chosen)), false);
  } else {
    env_.dialogs->ShowMessage(QStringLiteral("Неудачное сохранение файла : : ") + PicturePath(chosen));
  }
}

void TForm1::ReceivedNewKV(const std::string& args) {
  const int width = TextToIntDef(TrimText(WordAt(CharSet(' '), args, 1)), 0);
  const int height = TextToIntDef(TrimText(WordAt(CharSet(' '), args, 2)), 0);
  if (width > 0 && height > 0) NewBoard(width, height);
}

void TForm1::ReceivedLoad(const std::string&) {
  const QString path = ProgramDir_ + kBoardStateFile;
  if (QFileInfo::exists(path)) {
    LoadBoardFile(path);
  } else {
    env_.dialogs->ShowMessage(QStringLiteral("Файл не найден : ~kv.bmp"));
  }
}

void TForm1::ReceivedSave(const std::string&) {
  if (!SaveBoardFile(ProgramDir_ + kBoardStateFile)) {
    env_.dialogs->ShowMessage(QStringLiteral("Ошибка при сохранении файла: ~kv.bmp"));
  }
}

void TForm1::ReceivedLoadFromFile(const std::string& args) {
  if (!LoadFromBmpFolder(AnsiToQString(args))) {
    env_.dialogs->ShowMessage(QStringLiteral("Ошибка при загрузке файла: ") + AnsiToQString(args));
  }
}

void TForm1::ReceivedSaveToFile(const std::string& args) {
  if (!SaveToBmpFolder(AnsiToQString(args))) {
    env_.dialogs->ShowMessage(QStringLiteral("Ошибка при сохранении файла: ") + AnsiToQString(args));
  }
}

}  // namespace kovra
