#include "app/board_undo.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <string>
#include <vector>

#include "app/board_sending.h"
#include "app/notice_line.h"
#include "app/session_links.h"
#include "board/board_files.h"
#include "board/board_runs.h"
#include "board/board_tiles.h"
#include "board/replay.h"
#include "net/correspondents.h"
#include "net/dotted_address.h"
#include "net/fan_out.h"
#include "net/presence.h"
#include "support/ansi_codec.h"
#include "support/dialogs.h"

namespace kovra {

bool IsStepCommand(const std::string& upper_name) {
  return upper_name == "KVSTEP" || upper_name == "KVUNDO" || upper_name == "KVREDO";
}

BoardUndo::BoardUndo(Parts parts, QObject* parent) : QObject(parent), parts_(std::move(parts)) {
  parts_.restore.hide();
  connect(&parts_.restore, &QToolButton::clicked, this, [this] { RestorePrevious(); });
  connect(&parts_.notice, &NoticeLine::Dismissed, &parts_.restore, &QWidget::hide);
  back_watch_.setInterval(kBackCheckMs);
  connect(&back_watch_, &QTimer::timeout, this, [this] { CheckTakenBack(); });
  parts_.message.installEventFilter(this);
}

void BoardUndo::StepBegun() {
  SessionLinks* session = parts_.session ? parts_.session() : nullptr;
  // The step's mark is when it began: only a copy that spoke the extension
  // then knows where it begins, and may be told to take it back.
  parts_.history.BeginStep(BoardHistory::kOwn, session != nullptr ? session->Clock() : 0);
  if (session == nullptr) return;
  for (const std::string& name : parts_.list.PresentNames()) {
    session->SendInOrder(name, kStepCommand + ":>");
  }
}

void BoardUndo::FromPeer(quint32 address, quint16 port, const std::string& name) {
  const quint64 sender = Replay::Key(address, port);
  if (name == "KVSTEP") parts_.history.BeginStep(sender);
  if (name == "KVUNDO") parts_.history.Undo(sender);
  if (name == "KVREDO") parts_.history.Redo(sender);
}

void BoardUndo::Undo() {
  if (parts_.history.CanUndo()) {
    if (const auto change = parts_.history.Undo()) Send(*change, kUndoCommand);
    return;
  }
  RestorePrevious();
}

void BoardUndo::Redo() {
  if (const auto change = parts_.history.Redo()) Send(*change, kRedoCommand);
}

void BoardUndo::RestorePrevious() {
  parts_.restore.hide();
  if (!before_alignment_.isNull()) {
    // The user's own board, for this user: the session keeps its board.
    const QImage own = std::exchange(before_alignment_, QImage());
    parts_.files.Replace(own);
    if (SessionLinks* session = parts_.session ? parts_.session() : nullptr) session->Hold();
    parts_.notice.Tell(QString(), QStringLiteral("Ваша прежняя доска возвращена только у вас; "
                                                 "другим её даст «Отправить доску всем»"));
    return;
  }
  const QImage previous = parts_.history.Previous();
  if (previous.isNull()) return;
  if (parts_.history.DrawnSinceReplaced() &&
      !parts_.dialogs.Confirm(QStringLiteral("Вернуть прежнюю доску у всех? Нарисованное на этой "
                                             "доске пропадёт"))) {
    return;
  }
  parts_.files.Replace(previous);  // what it replaces is kept in its turn
  const std::vector<std::string> names = parts_.list.PresentNames();
  if (!names.empty()) parts_.sending.Start(previous, names);
}

void BoardUndo::Replaced(quint32 from, const QString& what) {
  const QImage& previous = parts_.history.Previous();
  // A peer that replaces a blank board took nothing: "Вернуть" still
  // brings back what the user's board held before it was aligned.
  const bool took_nothing =
      from != 0 && (previous.isNull() || tiles::IsWhite(previous, previous.rect()));
  if (took_nothing && !before_alignment_.isNull()) {
    parts_.notice.Tell(NameAt(from), what + QStringLiteral("; вернуть свою прежнюю: Ctrl+Z"));
    parts_.restore.show();
    return;
  }
  before_alignment_ = QImage();
  // Told once per replacement, however many parts report it.
  const bool new_replacement = previous.cacheKey() != replaced_.cacheKey();
  QImage taken_before = new_replacement ? std::exchange(replaced_, previous) : QImage();
  if (from == 0 || replaced_.isNull()) {
    parts_.restore.hide();
    return;
  }
  parts_.notice.Tell(NameAt(from), what + QStringLiteral("; вернуть прежнюю: Ctrl+Z"));
  parts_.restore.show();
  if (new_replacement) WatchForTakenBack(from, std::move(taken_before));
}

void BoardUndo::WatchForTakenBack(quint32 from, QImage taken_before) {
  // A board arrives in parts: once whole, it may turn out to be the one the
  // replacement before took away. Then that replacement was taken back.
  taken_before_ = std::move(taken_before);
  taken_back_from_ = from;
  back_checks_left_ = taken_before_.isNull() ? 0 : kBackChecks;
  if (back_checks_left_ > 0) back_watch_.start();
}

void BoardUndo::CheckTakenBack() {
  if (parts_.files.Image() == taken_before_) {
    parts_.notice.Tell(NameAt(taken_back_from_), QStringLiteral("вернул прежнюю доску"));
    back_checks_left_ = 0;
  }
  if (--back_checks_left_ > 0) return;
  back_watch_.stop();
  taken_before_ = QImage();
}

void BoardUndo::Aligned(quint32 from, const QString& file, const QImage& before) {
  before_alignment_ = before;
  parts_.notice.Tell(QString(), QStringLiteral("Доска выровнена по доске сеанса (%1); ваша "
                                               "прежняя — BMP/%2")
                                    .arg(NameAt(from), file));
  parts_.restore.show();
}

QString BoardUndo::NameAt(quint32 address) const {
  return AnsiToQString(
      parts_.presence.Addresses().NameAt(address).value_or(DottedAddressText(address)));
}

void BoardUndo::Send(const BoardHistory::Change& change, const std::string& command) {
  SessionLinks* session = parts_.session ? parts_.session() : nullptr;
  std::vector<std::string> runs;
  bool runs_made = false;
  bool many = false;
  std::vector<std::string> paced;
  for (const std::string& name : parts_.list.PresentNames()) {
    // A copy that knew where the step began takes it back itself, leaving
    // what was drawn there meanwhile that this board has not seen; the
    // others get the pixels that changed here.
    if (session != nullptr && session->SendInOrder(name, command + ":>", change.mark)) continue;
    if (!runs_made) {
      BoardRuns lines(change.pixels, change.area.topLeft());
      for (std::string args; lines.NextLine(args) && !many;) {
        runs.push_back(args);
        many = runs.size() > kRunsAtOnce;
      }
      runs_made = true;
    }
    // A picture taken back is many lines: they go paced, as a board does.
    if (many) {
      paced.push_back(name);
      continue;
    }
    // Each may run the event loop while the name is looked up.
    for (const std::string& args : runs) parts_.fan_out.SendToOne(name, command::kLineFromTo, args);
  }
  if (!paced.empty()) parts_.sending.SendPart(change.pixels, change.area.topLeft(), paced);
}

bool BoardUndo::eventFilter(QObject* watched, QEvent* event) {
  // The message field takes back its own typing; once it is empty, the
  // keys take back drawing, as everywhere else in the window.
  if (watched != &parts_.message || event->type() != QEvent::KeyPress ||
      !parts_.message.text().isEmpty()) {
    return false;
  }
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->matches(QKeySequence::Undo)) {
    Undo();
    return true;
  }
  if (key->matches(QKeySequence::Redo) ||
      (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier)) {
    Redo();
    return true;
  }
  return false;
}

}  // namespace kovra
