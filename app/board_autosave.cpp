#include "app/board_autosave.h"

#include <QDateTime>
#include <QLabel>
#include <QPointer>

#include "board/board_files.h"

namespace kovra {

BoardAutosave::BoardAutosave(BoardFiles& files, QLabel& label, QObject* parent)
    : QObject(parent), files_(files), label_(label) {
  timer_.setSingleShot(true);
  timer_.setInterval(kDelayMs);
  connect(&timer_, &QTimer::timeout, this, &BoardAutosave::Save);
}

void BoardAutosave::Changed() {
  // Counted from the first change: drawing without a pause is still written.
  if (enabled_ && !timer_.isActive()) timer_.start();
}

void BoardAutosave::Saved() {
  label_.setText(QStringLiteral("Доска записана в %1")
                     .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
}

void BoardAutosave::Save() {
  const QPointer<BoardAutosave> self(this);
  const bool queued = files_.SaveBoardFileLater(files_.WorkingFile(), [self](const QString& error) {
    if (!self) return;  // the window is going
    if (error.isEmpty()) {
      self->Saved();
    } else {
      self->label_.setText(QStringLiteral("Доска не записана: ") + error);
    }
  });
  if (!queued)
    label_.setText(QStringLiteral("Доска не записана: папка программы закрыта для записи"));
}

}  // namespace kovra
