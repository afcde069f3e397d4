// The message pane as a messenger shows it: the history's lines oldest
// first, so the newest is at the bottom, with quiet lines of its own in
// between (who joined, who left) that are shown and never stored. The
// history and its file keep their order; only the pane turns it over.
#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <deque>
#include <set>
#include <string>

namespace kovra {

class Correspondents;
class MessageHistory;

class ChatLines : public QAbstractListModel {
  Q_OBJECT

 public:
  // Quiet lines kept at most; the oldest go first.
  static constexpr std::size_t kMaxQuiet = 500;
  // A quiet line has this role true.
  static constexpr int kQuietRole = Qt::UserRole + 1;

  // Both outlive the pane.
  ChatLines(const MessageHistory& history, const Correspondents& list, QObject* parent = nullptr);

  // A line below the newest, shown until the program ends.
  void AddQuiet(const QString& text);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  struct Quiet {
    std::size_t after = 0;  // history lines above it
    QString text;
  };
  // The history's line (oldest-first index) or quiet line a row shows.
  const Quiet* QuietAt(int row, std::size_t& history_line) const;
  void HistoryInserted(int first, int last);
  // Tells who came and who went since the list was last looked at.
  void PresenceChanged();

  const MessageHistory& history_;
  const Correspondents& list_;
  std::deque<Quiet> quiet_;
  std::set<std::string> present_;  // upper-cased names
};

// Paints a line of the pane: the time quiet, the name bold, the text
// wrapped to the pane's width; this computer's own lines on a tint.
class ChatLineDelegate : public QStyledItemDelegate {
 public:
  ChatLineDelegate(std::string own_name, QObject* parent = nullptr)
      : QStyledItemDelegate(parent), own_name_(std::move(own_name)) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  std::string own_name_;
};

}  // namespace kovra
