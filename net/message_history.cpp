#include "net/message_history.h"

#include <QFileInfo>
#include <algorithm>

#include "support/ansi_codec.h"
#include "support/error_guard.h"
#include "support/line_file.h"
#include "support/system.h"
#include "support/text.h"

namespace kovra {

std::string BuildMessageLine(const std::string& time_text, const std::string& computer_name,
                             std::string typed) {
  TrimTextInPlace(typed);
  if (typed.empty()) return {};
  if (typed.size() > kMaxMessageText) typed.resize(kMaxMessageText);
  return time_text + "  " + computer_name + "> " + typed;
}

std::string MessageSenderName(const std::string& line) {
  const std::size_t after_time = line.find("  ");
  if (after_time == std::string::npos) return {};
  const std::size_t start = after_time + 2;
  const std::size_t end = line.find("> ", start);
  if (end == std::string::npos) return {};
  return TrimText(line.substr(start, end - start));
}

namespace {

constexpr int kSaveIntervalMs = 1000;

}  // namespace

MessageHistory::MessageHistory(QObject* parent) : QAbstractListModel(parent) {
  save_timer_.setSingleShot(true);
  connect(&save_timer_, &QTimer::timeout, this, &MessageHistory::SaveInTime);
}

std::size_t MessageHistory::Add(const std::string& line) {
  std::vector<std::string> pieces = SplitLines(line);
  if (pieces.empty()) pieces.emplace_back();
  beginInsertRows(QModelIndex(), 0, static_cast<int>(pieces.size()) - 1);
  // The first piece ends up on top.
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) newest_last_.push_back(std::move(*it));
  endInsertRows();
  return pieces.size();
}

void MessageHistory::Load(const QString& path) {
  std::vector<std::string> file_lines = ReadLineFile(path);
  std::reverse(file_lines.begin(), file_lines.end());
  file_lines.insert(file_lines.end(), std::make_move_iterator(newest_last_.begin()),
                    std::make_move_iterator(newest_last_.end()));
  beginResetModel();
  newest_last_ = std::move(file_lines);
  endResetModel();
  loaded_ = true;
}

void MessageHistory::Save(const QString& path) const {
  if (!loaded_) return;
  WriteFileBytes(path, JoinLines(newest_last_.rbegin(), newest_last_.rend()));
}

void MessageHistory::Restore() {
  const std::size_t arrived_early = Count();
  if (QFileInfo::exists(file_)) {
    Load(file_);
  } else {
    MarkLoaded();
  }
  // Lines that arrived before the load are stored with it now.
  if (arrived_early > 0) SaveToFile();
}

void MessageHistory::AddAndSave(const std::string& line) {
  Add(line);
  unsaved_ = true;
  if (save_timer_.isActive()) return;  // this line goes with the coming save
  if (!since_save_.isValid() || since_save_.hasExpired(kSaveIntervalMs)) {
    SaveInTime();
  } else {
    save_timer_.start(static_cast<int>(kSaveIntervalMs - since_save_.elapsed()));
  }
}

void MessageHistory::SaveInTime() {
  try {
    SaveNow();
    failure_told_ = false;
  } catch (const Error& error) {
    unsaved_ = true;  // tried again with the next line, and at close
    if (!failure_told_ && OnSaveFailed) OnSaveFailed(error.Message());
    failure_told_ = true;
  }
}

void MessageHistory::Flush() {
  save_timer_.stop();
  if (unsaved_) SaveNow();
}

void MessageHistory::SaveNow() {
  unsaved_ = false;
  since_save_.start();
  SaveToFile();
}

void MessageHistory::SaveToFile() const {
  if (DriveWritable(file_)) Save(file_);
}

int MessageHistory::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Count());
}

QVariant MessageHistory::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return AnsiToQString(Line(static_cast<std::size_t>(index.row())));
}

}  // namespace kovra
