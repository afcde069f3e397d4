#include "board/board_commands.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSettings>
#include <QStorageInfo>
#include <QStringList>
#include <algorithm>

#include "board/canvas.h"
#include "support/ansi_codec.h"
#include "support/error_guard.h"
#include "support/state_files.h"
#include "support/text.h"

namespace kovra {

DiskAllowance ReadDiskAllowance(const QString& settings_file, QStringList& not_understood) {
  const QSettings settings(settings_file, QSettings::IniFormat);
  DiskAllowance allowance;
  auto read = [&](const char* key, qint64 fallback) {
    const QString name = QLatin1String(key);
    if (!settings.contains(name)) return fallback;
    bool ok = false;
    const qint64 value = settings.value(name).toLongLong(&ok);
    if (!ok || value < 0) {
      not_understood.append(name);
      return fallback;
    }
    // Up to a million terabytes, so that nothing overflows in bytes.
    return std::min(value, qint64{1} << 40);
  };
  allowance.picture_folder_bytes =
      read("PictureFolderLimitMB", allowance.picture_folder_bytes >> 20) << 20;
  allowance.min_free_bytes = read("MinFreeDiskMB", allowance.min_free_bytes >> 20) << 20;
  allowance.min_free_percent = static_cast<int>(
      std::min<qint64>(read("MinFreeDiskPercent", allowance.min_free_percent), 100));
  return allowance;
}

namespace {

// What the saves queued may hold at most: each keeps the board as it was
// when asked, and a board may be hundreds of megabytes.
constexpr qint64 kMaxQueuedBytes = qint64{512} << 20;

qint64 FolderBytes(const QString& folder) {
  qint64 total = 0;
  QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System);
  while (files.hasNext()) total += files.nextFileInfo().size();
  return total;
}

QString Megabytes(qint64 bytes) { return QString::number(bytes >> 20); }

}  // namespace

std::optional<QString> ReceivedBoardCommands::Refusal(qint64 width, qint64 height,
                                                      const QString& target,
                                                      bool in_picture_folder) const {
  if (files_.Saver().Pending() > 0 &&
      files_.Saver().PendingBytes() + BitmapFileBytes(width, height) > kMaxQueuedBytes) {
    return QStringLiteral("Сохранение отклонено: ещё пишутся прежние");
  }
  const QFileInfo replaced(target);
  const qint64 growth = BitmapFileBytes(width, height) - (replaced.isFile() ? replaced.size() : 0) +
                        files_.Saver().PendingBytes();
  if (in_picture_folder &&
      FolderBytes(replaced.absolutePath()) + growth > allowance_.picture_folder_bytes) {
    return QStringLiteral(
               "Сохранение отклонено: папка BMP превысила бы %1 МБ (предел "
               "PictureFolderLimitMB в ~Kovra.ini)")
        .arg(Megabytes(allowance_.picture_folder_bytes));
  }
  const QStorageInfo disk(replaced.absolutePath());
  if (!disk.isValid() || disk.bytesTotal() <= 0) return std::nullopt;
  const qint64 left = disk.bytesAvailable() - std::max<qint64>(growth, 0);
  if (left < allowance_.min_free_bytes ||
      left < disk.bytesTotal() / 100 * allowance_.min_free_percent) {
    return QStringLiteral(
               "Сохранение отклонено: на диске осталось бы меньше %1 МБ или %2% свободного "
               "места")
        .arg(Megabytes(allowance_.min_free_bytes))
        .arg(allowance_.min_free_percent);
  }
  return std::nullopt;
}

bool ReceivedBoardCommands::RoomFor(qint64 width, qint64 height, const QString& target,
                                    bool in_picture_folder) {
  const std::optional<QString> refusal = Refusal(width, height, target, in_picture_folder);
  if (refusal) dialogs_.ShowMessage(*refusal);
  return !refusal;
}

namespace files {

std::string NewKV::Build() const { return std::to_string(width) + ' ' + std::to_string(height); }

NewKV NewKV::Parse(const std::string& args) {
  return {TextToIntDef(TrimText(WordAt(CharSet(' '), args, 1)), 0),
          TextToIntDef(TrimText(WordAt(CharSet(' '), args, 2)), 0)};
}

}  // namespace files

void ReceivedBoardCommands::NewKV(const files::NewKV& size) {
  const int width = size.width;
  const int height = size.height;
  if (width <= 0 || height <= 0) return;
  // The new board is written to the working file at once.
  const qint64 saved_width = std::max(width, 100);
  const qint64 saved_height = std::max(height, 100);
  if (BoardCanvas::SizeAllowed(saved_width, saved_height) &&
      !RoomFor(saved_width, saved_height, files_.WorkingFile(), false)) {
    return;
  }
  files_.NewBoard(width, height, Outcome());
}

PictureSaver::Done ReceivedBoardCommands::Outcome() {
  return [report = dialogs_.ErrorLater()](const QString& error) {
    if (!error.isEmpty()) report(ErrorReportText(error));
  };
}

void ReceivedBoardCommands::Load(const files::Load&) {
  files_.FinishSaves();  // the file as the saves asked before this left it
  const QString path = files_.WorkingFile();
  if (QFileInfo::exists(path)) {
    files_.LoadBoardFile(path);
  } else {
    dialogs_.ShowMessage(QStringLiteral("Файл не найден : ") + kBoardStateFile);
  }
}

void ReceivedBoardCommands::Save(const files::Save&) {
  if (!RoomFor(files_.Width(), files_.Height(), files_.WorkingFile(), false)) return;
  if (!files_.SaveBoardFileLater(files_.WorkingFile(), Outcome())) {
    dialogs_.ShowMessage(QStringLiteral("Ошибка при сохранении файла: ") + kBoardStateFile);
  }
}

void ReceivedBoardCommands::LoadFromFile(const files::LoadFromFile& name) {
  const std::string& args = name.text;
  if (!files_.LoadFromBmpFolder(AnsiToQString(args))) {
    dialogs_.ShowMessage(QStringLiteral("Ошибка при загрузке файла: ") + AnsiToQString(args));
  }
}

void ReceivedBoardCommands::SaveToFile(const files::SaveToFile& name) {
  const std::string& args = name.text;
  const QString target = files_.PicturePath(AnsiToQString(TrimText(args)));
  if (!RoomFor(files_.Width(), files_.Height(), target, true)) return;
  if (!files_.SaveToBmpFolderLater(AnsiToQString(args), Outcome())) {
    dialogs_.ShowMessage(QStringLiteral("Ошибка при сохранении файла: ") + AnsiToQString(args));
  }
}

}  // namespace kovra
