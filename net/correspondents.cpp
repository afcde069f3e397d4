#include "net/correspondents.h"

#include <algorithm>

#include "support/ansi_codec.h"
#include "support/line_file.h"
#include "support/text.h"

namespace kovra {

std::string Correspondents::NameOf(const std::string& line) {
  return TrimText(WordAt(CharSet('='), line, 1));
}

std::string Correspondents::ValueOf(const std::string& line) {
  return TrimText(WordAt(CharSet('='), line, 2));
}

void Correspondents::SetLine(int index, std::string line) {
  lines_.at(static_cast<std::size_t>(index)) = std::move(line);
  const QModelIndex changed = createIndex(index, 0);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void Correspondents::Append(std::string line) {
  beginInsertRows(QModelIndex(), Count(), Count());
  lines_.push_back(std::move(line));
  endInsertRows();
}

void Correspondents::Remove(int index) {
  if (index < 0 || index >= Count()) return;
  beginRemoveRows(QModelIndex(), index, index);
  lines_.erase(lines_.begin() + index);
  endRemoveRows();
}

void Correspondents::Clear() {
  beginResetModel();
  lines_.clear();
  endResetModel();
}

void Correspondents::MarkAllAbsent() {
  for (int i = 0; i < Count(); ++i) {
    const std::string name = NameOf(Line(i));
    if (!name.empty()) SetLine(i, name + "=" + kAbsent);
  }
}

int Correspondents::Find(const std::string& name) const {
  const QString wanted = AnsiToQString(TrimText(name));
  for (int i = 0; i < Count(); ++i) {
    if (AnsiToQString(NameOf(Line(i))).compare(wanted, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

int Correspondents::SetPresence(const std::string& name, const std::string& value) {
  const QString wanted = AnsiToQString(name);
  auto matches = [&](const std::string& line) {
    const auto mark = line.find('=');
    return mark != std::string::npos &&
           AnsiToQString(line.substr(0, mark)).compare(wanted, Qt::CaseInsensitive) == 0;
  };
  const auto found = std::find_if(lines_.begin(), lines_.end(), matches);
  int index = static_cast<int>(found - lines_.begin());
  if (found == lines_.end()) Append(std::string());
  SetLine(index, name + "=" + value);
  return index;
}

void Correspondents::Load(const QString& path) {
  auto lines = ReadLineFile(path);
  beginResetModel();
  lines_ = std::move(lines);
  endResetModel();
  loaded_ = true;
}

void Correspondents::Save(const QString& path) const {
  if (loaded_) WriteLineFile(path, lines_);
}

int Correspondents::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

QVariant Correspondents::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  if (role == Qt::DisplayRole) return AnsiToQString(Line(index.row()));
  return {};
}

Qt::ItemFlags Correspondents::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

std::vector<std::string> Correspondents::PresentNames() const {
  std::vector<std::string> names;
  for (const std::string& line : lines_) {
    const std::string name = TrimText(NameOf(line));
    if (!name.empty() && UpperText(ValueOf(line)) == UpperText(kPresent)) names.push_back(name);
  }
  return names;
}

}  // namespace kovra
