#include "net/message_history.h"

#include <QFileInfo>
#include <algorithm>

#include "support/ansi_codec.h"
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
