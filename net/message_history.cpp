#include "net/message_history.h"

#include <QFileInfo>
#include <algorithm>

#include "support/ansi_codec.h"
#include "support/atomic_file.h"
#include "support/error_guard.h"
#include "support/line_file.h"
#include "support/system.h"
#include "support/text.h"
#include "support/waits.h"

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

std::size_t MessageHistory::Add(const std::string& line, Origin origin) {
  std::vector<std::string> pieces = SplitLines(line);
  if (pieces.empty()) pieces.emplace_back();
  beginInsertRows(QModelIndex(), 0, static_cast<int>(pieces.size()) - 1);
  // The first piece ends up on top.
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
    added_.push_back(std::move(*it));
    added_origins_.push_back(origin);
  }
  endInsertRows();
  return pieces.size();
}

MessageHistory::Origin MessageHistory::OriginOf(std::size_t index) const {
  return index < added_.size() ? added_origins_[added_.size() - 1 - index] : Origin::kStored;
}

std::string MessageHistory::Line(std::size_t index) const {
  if (index < added_.size()) return added_[added_.size() - 1 - index];
  const Span line = stored_lines_.at(index - added_.size());
  return std::string(stored_.constData() + line.start,
                     static_cast<std::size_t>(line.end - line.start));
}

void MessageHistory::Load(const QString& path) {
  // Read once and kept as read: the lines are found in place, never copied.
  QByteArray bytes = ReadFileBytes(path);
  std::vector<Span> lines;
  bool as_saved = true;
  const std::size_t end =
      ForEachLine(bytes.constData(), static_cast<std::size_t>(bytes.size()),
                  [&](std::size_t start, std::size_t line_end, std::size_t mark) {
                    lines.push_back({qsizetype(start), qsizetype(line_end)});
                    as_saved = as_saved && mark == 2;
                  });
  beginResetModel();
  stored_end_ = qsizetype(end);
  stored_as_saved_ = as_saved && stored_end_ == bytes.size();
  stored_ = std::move(bytes);
  stored_lines_ = std::move(lines);
  endResetModel();
  loaded_ = true;
}

bool MessageHistory::WriteLines(QIODevice& file) const {
  std::string lines;
  for (auto it = added_.rbegin(); it != added_.rend(); ++it) {
    lines += *it;
    lines += "\r\n";
  }
  auto write = [&file](const char* data, qsizetype size) { return file.write(data, size) == size; };
  if (!write(lines.data(), static_cast<qsizetype>(lines.size()))) return false;
  if (stored_as_saved_) return write(stored_.constData(), stored_end_);
  // Other end marks, or a last line without one: each line as it is saved.
  for (std::size_t k = 0; k < StoredCount(); ++k) {
    const std::string line = Line(added_.size() + k) + "\r\n";
    if (!write(line.data(), static_cast<qsizetype>(line.size()))) return false;
  }
  return true;
}

void MessageHistory::Save(const QString& path) const {
  if (!loaded_) return;
  ReplaceFileAtomically(path, [this](QIODevice& file) { return WriteLines(file); });
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

void MessageHistory::AddAndSave(const std::string& line, Origin origin) {
  Add(line, origin);
  unsaved_ = true;
  if (save_timer_.isActive()) return;  // this line goes with the coming save
  if (!since_save_.isValid() || since_save_.hasExpired(kSaveIntervalMs)) {
    SaveInTime();
  } else {
    save_timer_.start(RemainingMs(since_save_, kSaveIntervalMs));
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
