#include "app/board_menu.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageWriter>
#include <QListView>

#include "app/board_sending.h"
#include "board/board_files.h"
#include "board/board_runs.h"
#include "board/board_view.h"
#include "board/canvas.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "net/fan_out.h"
#include "support/ansi_codec.h"
#include "support/atomic_file.h"
#include "support/dialogs.h"
#include "support/prompt.h"
#include "support/system.h"
#include "support/text.h"

namespace kovra {

void BoardMenu::N2Click() {
  std::int32_t width = 0;
  std::int32_t height = 0;
  // The board's own size is offered, whatever the zoom shows it at.
  const int shown_width = parts_.view.width() * 100 / parts_.view.Zoom();
  const int shown_height = parts_.view.height() * 100 / parts_.view.Zoom();
  if (!AskInteger(parts_.dialogs, QStringLiteral("Новая доска"), QStringLiteral("Укажите ширину"),
                  width, shown_width) ||
      width <= 99) {
    return;
  }
  if (!AskInteger(parts_.dialogs, QStringLiteral("Новая доска"), QStringLiteral("Укажите высоту"),
                  height, shown_height) ||
      height <= 99) {
    return;
  }
  parts_.files.NewBoard(width, height);
  // The new board is painted; received commands may be replayed on it here.
  QCoreApplication::processEvents();
  parts_.fan_out.SendToCorrespondents(command::kNewKV, files::NewKV{width, height}.Build(), false);
}

void BoardMenu::N10Click() {
  parts_.files.SaveBoardFile(parts_.files.WorkingFile());
  parts_.fan_out.SendToCorrespondents(command::kSave, "", false);
}

void BoardMenu::N11Click() {
  const QString path = parts_.files.WorkingFile();
  if (!QFileInfo::exists(path)) return;
  parts_.files.LoadBoardFile(path);
  parts_.fan_out.SendToCorrespondents(command::kLoad, "", false);
}

void BoardMenu::N3Click() {
  const QString chosen = parts_.dialogs.OpenPictureFile(parts_.files.PictureFolder());
  if (chosen.isEmpty()) return;
  TellPicture(parts_.files.LoadFromBmpFolder(chosen), command::kLoadFromFile, chosen,
              QStringLiteral("Файл не найден: "));
}

void BoardMenu::N4Click() {
  if (!DriveWritable(parts_.program_dir)) return;
  const QString chosen = parts_.dialogs.SavePictureFile(parts_.files.PictureFolder());
  if (chosen.isEmpty()) return;
  TellPicture(parts_.files.SaveToBmpFolder(chosen), command::kSaveToFile, chosen,
              QStringLiteral("Неудачное сохранение файла : : "));
}

void BoardMenu::TellPicture(bool done, const std::string& command, const QString& chosen,
                            const QString& failure) {
  if (done) {
    parts_.fan_out.SendToCorrespondents(command, QStringToAnsi(*PictureFileName(chosen)), false);
  } else {
    parts_.dialogs.ShowMessage(failure + parts_.files.PicturePath(chosen));
  }
}

void BoardMenu::SavePngClick() {
  QString path = parts_.dialogs.SavePngFile(parts_.program_dir + QStringLiteral("board.png"));
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
  const QImage board = parts_.canvas.Image();
  ReplaceFile(path, [&board](QIODevice& file) { return QImageWriter(&file, "png").write(board); });
}

void BoardMenu::SendBoardToAllClick() {
  std::vector<std::string> names;
  for (const std::string& line : parts_.list.Lines()) {
    const std::string name = TrimText(Correspondents::NameOf(line));
    if (!name.empty() && UpperText(Correspondents::ValueOf(line)) == UpperText(kPresent)) {
      names.push_back(name);
    }
  }
  SendBoard(std::move(names));
}

void BoardMenu::SendBoardClick() {
  const QModelIndex highlighted = parts_.list_view.currentIndex();
  if (!highlighted.isValid()) return;
  const std::string name = TrimText(Correspondents::NameOf(parts_.list.Line(highlighted.row())));
  if (!name.empty()) SendBoard({name});
}

void BoardMenu::SendBoard(std::vector<std::string> names) {
  if (names.empty()) {
    parts_.dialogs.ShowMessage(
        QStringLiteral("Доску некому отправить: никто не отмечен как присутствующий"));
    return;
  }
  const QImage board = parts_.canvas.Image();
  const std::size_t lines = BoardRuns::Count(board);
  const std::size_t seconds = lines / BoardSending::kLinesPerSecond;
  if (seconds >= 3 && !parts_.dialogs.Confirm(
                          QStringLiteral("Отправка доски займёт около %1 с (%2 команд). Отправить?")
                              .arg(seconds)
                              .arg(lines))) {
    return;
  }
  parts_.sending.Start(board, std::move(names));
}

}  // namespace kovra
