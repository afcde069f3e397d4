// The board menu: a new board, the working file ~kv.bmp and the pictures in
// the folder BMP, each followed by its command to the present correspondents.
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageWriter>

#include "app/main_window.h"
#include "board/board_runs.h"
#include "board/board_view.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "support/ansi_codec.h"
#include "support/atomic_file.h"
#include "support/prompt.h"
#include "support/system.h"
#include "support/text.h"

namespace kovra {

void TForm1::N2Click() {
  std::int32_t width = 0;
  std::int32_t height = 0;
  // The board's own size is offered, whatever the zoom shows it at.
  const int shown_width = Image_KV->width() * 100 / Image_KV->Zoom();
  const int shown_height = Image_KV->height() * 100 / Image_KV->Zoom();
  if (!AskInteger(*env_.dialogs, QStringLiteral("Новая доска"), QStringLiteral("Укажите ширину"),
                  width, shown_width) ||
      width <= 99) {
    return;
  }
  if (!AskInteger(*env_.dialogs, QStringLiteral("Новая доска"), QStringLiteral("Укажите высоту"),
                  height, shown_height) ||
      height <= 99) {
    return;
  }
  board_files_.NewBoard(width, height);
  // The new board is painted; received commands may be replayed on it here.
  QCoreApplication::processEvents();
  fan_out_->SendToCorrespondents(command::kNewKV,
                                 std::to_string(width) + " " + std::to_string(height), false);
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
    fan_out_->SendToCorrespondents(command::kLoadFromFile, QStringToAnsi(*PictureFileName(chosen)),
                                   false);
  } else {
    env_.dialogs->ShowMessage(QStringLiteral("Файл не найден: ") +
                              board_files_.PicturePath(chosen));
  }
}

void TForm1::N4Click() {
  if (!DriveWritable(ProgramDir_)) return;
  const QString chosen = env_.dialogs->SavePictureFile(board_files_.PictureFolder());
  if (chosen.isEmpty()) return;
  if (board_files_.SaveToBmpFolder(chosen)) {
    fan_out_->SendToCorrespondents(command::kSaveToFile, QStringToAnsi(*PictureFileName(chosen)),
                                   false);
  } else {
    env_.dialogs->ShowMessage(QStringLiteral("Неудачное сохранение файла : : ") +
                              board_files_.PicturePath(chosen));
  }
}

void TForm1::SavePngClick() {
  QString path = env_.dialogs->SavePngFile(ProgramDir_ + QStringLiteral("board.png"));
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
  const QImage board = canvas_.Image();
  ReplaceFile(path, [&board](QIODevice& file) { return QImageWriter(&file, "png").write(board); });
}

void TForm1::SendBoardToAllClick() {
  std::vector<std::string> names;
  for (const std::string& line : correspondents_->Lines()) {
    const std::string name = TrimText(Correspondents::NameOf(line));
    if (!name.empty() && UpperText(Correspondents::ValueOf(line)) == UpperText(kPresent)) {
      names.push_back(name);
    }
  }
  SendBoard(std::move(names));
}

void TForm1::SendBoardClick() {
  const QModelIndex highlighted = ListUser->currentIndex();
  if (!highlighted.isValid()) return;
  const std::string name =
      TrimText(Correspondents::NameOf(correspondents_->Line(highlighted.row())));
  if (!name.empty()) SendBoard({name});
}

void TForm1::SendBoard(std::vector<std::string> names) {
  if (names.empty()) {
    env_.dialogs->ShowMessage(
        QStringLiteral("Доску некому отправить: никто не отмечен как присутствующий"));
    return;
  }
  const QImage board = canvas_.Image();
  const std::size_t lines = BoardRuns::Count(board);
  const std::size_t seconds = lines / BoardSending::kLinesPerSecond;
  if (seconds >= 3 && !env_.dialogs->Confirm(
                          QStringLiteral("Отправка доски займёт около %1 с (%2 команд). Отправить?")
                              .arg(seconds)
                              .arg(lines))) {
    return;
  }
  board_sending_->Start(board, std::move(names));
}

}  // namespace kovra
