// The correspondent list behind ListUser: lines "NAME=Yes" or "NAME=No",
// shown exactly as stored, each with a check box that nothing reads.
#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

namespace kovra {

// The values of a line: present, or absent.
inline const std::string kPresent = "Yes";
inline const std::string kAbsent = "No";

class Correspondents : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  // The name and the value of a line, as the fan-out and resets read them.
  static std::string NameOf(const std::string& line);
  static std::string ValueOf(const std::string& line);

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Line(int index) const { return lines_.at(static_cast<std::size_t>(index)); }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The names of the lines marked present, trimmed, in the list's order.
  std::vector<std::string> PresentNames() const;
  void SetLine(int index, std::string line);
  void Append(std::string line);
  void Remove(int index);
  void Clear();

  // Each named line becomes NAME=No; lines without a name stay.
  void MarkAllAbsent();

  // The first line whose name (as NameOf reads it) equals name, case
  // ignored; -1 when there is none.
  int Find(const std::string& name) const;

  // Makes the first line whose text before its first "=" equals name (case
  // ignored, nothing trimmed) read name=value, appending one if none does;
  // returns its index.
  int SetPresence(const std::string& name, const std::string& value);

  // Replace the lines by a file's, or write them; raise Error on failure.
  // Until a load (or MarkLoaded, when there is no file) nothing is saved,
  // so a close before the list was read cannot wipe the stored one.
  void Load(const QString& path);
  void MarkLoaded() { loaded_ = true; }
  bool Loaded() const { return loaded_; }
  void Save(const QString& path) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  std::vector<std::string> lines_;
  bool loaded_ = false;
};

}  // namespace kovra
