#include "app/chat_lines.h"

#include <QTime>
#include <algorithm>
#include <map>

#include "net/correspondents.h"
#include "net/message_history.h"
#include "support/ansi_codec.h"
#include "support/text.h"

namespace kovra {

ChatLines::ChatLines(const MessageHistory& history, const Correspondents& list, QObject* parent)
    : QObject(parent), history_(history), list_(list) {
  connect(&history_, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { HistoryInserted(first, last); });
  // The stored history is read under the lines that came before it.
  connect(&history_, &QAbstractItemModel::modelAboutToBeReset, this,
          [this] { count_before_reset_ = history_.Count(); });
  connect(&history_, &QAbstractItemModel::modelReset, this, [this] {
    const std::size_t older = history_.Count() - std::min(history_.Count(), count_before_reset_);
    for (Quiet& quiet : quiet_) quiet.after += older;
    emit Reset();
  });
  connect(&list_, &QAbstractItemModel::modelReset, this, &ChatLines::PresenceChanged);
  connect(&list_, &QAbstractItemModel::dataChanged, this, &ChatLines::PresenceChanged);
  connect(&list_, &QAbstractItemModel::rowsInserted, this, &ChatLines::PresenceChanged);
  connect(&list_, &QAbstractItemModel::rowsRemoved, this, &ChatLines::PresenceChanged);
  PresenceChanged();
}

std::size_t ChatLines::Count() const { return history_.Count() + quiet_.size(); }

std::size_t ChatLines::QuietAbove(std::size_t line, bool& is_quiet) const {
  // Quiet line i is shown at after + i, which grows with i.
  std::size_t low = 0;
  std::size_t high = quiet_.size();
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    if (quiet_[middle].after + middle < line) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  is_quiet = low < quiet_.size() && quiet_[low].after + low == line;
  return low;
}

QString ChatLines::Text(std::size_t line) const {
  bool quiet = false;
  const std::size_t above = QuietAbove(line, quiet);
  if (quiet) return quiet_[above].text;
  const std::size_t oldest_first = line - above;
  if (oldest_first >= history_.Count()) return {};
  return AnsiToQString(history_.Line(history_.Count() - 1 - oldest_first));
}

MessageHistory::Origin ChatLines::OriginOf(std::size_t line) const {
  bool quiet = false;
  const std::size_t oldest_first = line - QuietAbove(line, quiet);
  if (quiet || oldest_first >= history_.Count()) return MessageHistory::Origin::kStored;
  return history_.OriginOf(history_.Count() - 1 - oldest_first);
}

bool ChatLines::IsQuiet(std::size_t line) const {
  bool quiet = false;
  QuietAbove(line, quiet);
  return quiet;
}

void ChatLines::HistoryInserted(int first, int last) {
  // Row 0 of the history is its newest line: new ones come at the bottom.
  if (first == 0) {
    emit Appended();
    return;
  }
  // Older lines went under the newer ones: each quiet line has more above it.
  for (Quiet& quiet : quiet_) quiet.after += static_cast<std::size_t>(last - first + 1);
  emit Reset();
}

void ChatLines::AddQuiet(const QString& text) {
  ++quiet_added_;
  if (quiet_.size() >= kMaxQuiet) {
    quiet_.pop_front();
    quiet_.push_back(Quiet{history_.Count(), text});
    emit Reset();
    return;
  }
  quiet_.push_back(Quiet{history_.Count(), text});
  emit Appended();
}

void ChatLines::PresenceChanged() {
  // Until the list is read, what it shows is not yet news: a copy heard
  // before is told of once, when the list is whole.
  if (!list_.Loaded()) return;
  std::set<std::string> now;
  std::map<std::string, std::string> listed;  // upper-cased name to name, present or not
  for (const std::string& line : list_.Lines()) {
    const std::string name = TrimText(Correspondents::NameOf(line));
    if (!name.empty()) listed[UpperText(name)] = name;
  }
  for (const std::string& name : list_.PresentNames()) now.insert(UpperText(name));
  const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
  if (!list_read_.isValid()) list_read_.start();
  // Gathered into the last line while it is still the last and the start is recent.
  const bool gathering = !list_read_.hasExpired(kGatherMs) && !gathered_.isEmpty() &&
                         quiet_added_ == gathered_in_ && quiet_.back().after == history_.Count();
  if (!gathering) gathered_.clear();
  for (const std::string& name : now) {
    if (present_.count(name) > 0) continue;
    const QString shown = AnsiToQString(listed[name]);
    if (gathered_.isEmpty()) {
      AddQuiet(QStringLiteral("%1  — %2 на связи").arg(time, shown));
      gathered_in_ = quiet_added_;
      if (!list_read_.hasExpired(kGatherMs)) gathered_.append(shown);
      continue;
    }
    gathered_.append(shown);
    const QString began = quiet_.back().text.left(quiet_.back().text.indexOf(u' '));
    quiet_.back().text = QStringLiteral("%1  — на связи: %2").arg(began, gathered_.join(u", "));
    emit Reset();
  }
  for (const std::string& name : present_) {
    // A line the user deleted is not news.
    if (now.count(name) == 0 && listed.count(name) != 0) {
      AddQuiet(QStringLiteral("%1  — %2 вне связи").arg(time, AnsiToQString(listed[name])));
    }
  }
  present_ = std::move(now);
}

}  // namespace kovra
