#include "app/board_menu.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageWriter>
#include <QListView>

#include "app/board_sending.h"
#include "app/correspondent_delegate.h"
#include "board/board_commands.h"
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
#include "support/system.h"
#include "support/text.h"

namespace kovra {
namespace {

// "1 компьютер", "2 компьютера", "5 компьютеров".
QString Computers(std::size_t count) {
  const std::size_t tens = count % 100;
  const std::size_t ones = count % 10;
  const char* ending = (tens >= 11 && tens <= 14) ? "ов"
                       : ones == 1                ? ""
                       : (ones >= 2 && ones <= 4) ? "а"
                                                  : "ов";
  return QStringLiteral("%1 компьютер%2").arg(count).arg(QString::fromUtf8(ending));
}

// A new board's sides as typed: whole numbers from 100, of a size a board
// may have.
std::variant<QSize, QString> ReadBoardSize(const QString& width_text, const QString& height_text) {
  const auto side = [](const QString& text, const QString& name) -> std::variant<int, QString> {
    const std::optional<std::int32_t> number = TextToInt(QStringToAnsi(text));
    if (!number) {
      return QStringLiteral("%1 — целое число точек, а не «%2»").arg(name, text.trimmed());
    }
    if (*number < 100) return QStringLiteral("%1 — не меньше 100 точек").arg(name);
    return *number;
  };
  const std::variant<int, QString> width = side(width_text, QStringLiteral("Ширина"));
  if (const QString* problem = std::get_if<QString>(&width)) return *problem;
  const std::variant<int, QString> height = side(height_text, QStringLiteral("Высота"));
  if (const QString* problem = std::get_if<QString>(&height)) return *problem;
  const QSize size(std::get<int>(width), std::get<int>(height));
  if (!BoardCanvas::SizeAllowed(size.width(), size.height())) {
    return BoardTooLargeMessage(size.width(), size.height());
  }
  return size;
}

}  // namespace

QString BoardMenu::ForEveryone(const QString& question, bool own_board_too) const {
  const std::size_t present = parts_.list.PresentNames().size();
  const std::size_t boards = present + (own_board_too ? 1 : 0);
  const QString whose = present == 0 ? QStringLiteral("только у вас")
                                     : QStringLiteral("у всех (%1)").arg(Computers(boards));
  return question.arg(whose);
}

bool BoardMenu::AskForEveryone(const QString& question, bool own_board_too) {
  if (parts_.list.PresentNames().empty() && !own_board_too) return true;
  return parts_.dialogs.Confirm(ForEveryone(question, own_board_too));
}

void BoardMenu::N2Click() {
  // The board's own size is offered, whatever the zoom shows it at.
  const QSize offered(parts_.view.width() * 100 / parts_.view.Zoom(),
                      parts_.view.height() * 100 / parts_.view.Zoom());
  const std::optional<QSize> size = parts_.dialogs.AskSize(
      QStringLiteral("Новая доска"), ForEveryone(QStringLiteral("Стереть доску %1?"), true),
      offered, &ReadBoardSize);
  if (!size) return;
  const int width = size->width();
  const int height = size->height();
  // What this board had of each copy's drawing: what comes from here on is
  // drawn on the new board.
  if (Wiping) Wiping();
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
  if (!parts_.list.PresentNames().empty() &&
      !AskForEveryone(QStringLiteral("Заменить доску %1 доской из ~kv.bmp?"), true)) {
    return;
  }
  parts_.files.LoadBoardFile(path);
  parts_.fan_out.SendToCorrespondents(command::kLoad, "", false);
}

void BoardMenu::N3Click() {
  const QString chosen = parts_.dialogs.OpenPictureFile(parts_.files.PictureFolder());
  if (chosen.isEmpty()) return;
  if (!parts_.list.PresentNames().empty() &&
      !AskForEveryone(QStringLiteral("Заменить доску %1 картинкой «") +
                          QFileInfo(chosen).fileName().replace(u'%', u'_') + QStringLiteral("»?"),
                      true)) {
    return;
  }
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
  ReplaceFileAtomically(
      path, [&board](QIODevice& file) { return QImageWriter(&file, "png").write(board); });
}

void BoardMenu::SendBoardToAllClick() {
  std::vector<std::string> names = parts_.list.PresentNames();
  // Asked once: whether to replace everybody's board, however long it takes.
  if (!names.empty() && !AskForEveryone(QStringLiteral("Заменить доску %1 вашей доской?"), false)) {
    return;
  }
  SendBoard(std::move(names), true);
}

void BoardMenu::SendBoardClick() {
  const int highlighted = HighlightedLine(parts_.list_view);
  if (highlighted < 0) return;
  const std::string name = TrimText(Correspondents::NameOf(parts_.list.Line(highlighted)));
  if (!name.empty()) SendBoard({name});
}

void BoardMenu::SendBoard(std::vector<std::string> names, bool asked) {
  if (names.empty()) {
    parts_.dialogs.ShowMessage(
        QStringLiteral("Доску некому отправить: никто не отмечен как присутствующий"));
    return;
  }
  const QImage board = parts_.canvas.Image();
  const std::size_t lines = BoardRuns::Count(board);
  const std::size_t seconds = lines / BoardSending::kLinesPerSecond;
  if (seconds >= 3 && !asked &&
      !parts_.dialogs.Confirm(
          QStringLiteral("Отправка доски займёт около %1 с (%2 команд). Отправить?")
              .arg(seconds)
              .arg(lines))) {
    return;
  }
  parts_.sending.Start(board, std::move(names));
}

}  // namespace kovra
