#include "app/chat_lines.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QTextLayout>
#include <QTime>
#include <map>

#include "net/correspondents.h"
#include "net/message_history.h"
#include "support/ansi_codec.h"
#include "support/text.h"

namespace kovra {

ChatLines::ChatLines(const MessageHistory& history, const Correspondents& list, QObject* parent)
    : QAbstractListModel(parent), history_(history), list_(list) {
  connect(&history_, &QAbstractItemModel::rowsAboutToBeInserted, this,
          [this](const QModelIndex&, int first, int last) {
            if (first == 0) {
              const int end = rowCount();
              beginInsertRows(QModelIndex(), end, end + last - first);
            } else {
              beginResetModel();
            }
          });
  connect(&history_, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { HistoryInserted(first, last); });
  connect(&list_, &QAbstractItemModel::modelReset, this, &ChatLines::PresenceChanged);
  connect(&list_, &QAbstractItemModel::dataChanged, this, &ChatLines::PresenceChanged);
  connect(&list_, &QAbstractItemModel::rowsInserted, this, &ChatLines::PresenceChanged);
  connect(&list_, &QAbstractItemModel::rowsRemoved, this, &ChatLines::PresenceChanged);
  PresenceChanged();
}

void ChatLines::HistoryInserted(int first, int last) {
  if (first == 0) {
    endInsertRows();
    return;
  }
  // Older lines went under the newer ones: each quiet line has that many more above it.
  for (Quiet& quiet : quiet_) quiet.after += static_cast<std::size_t>(last - first + 1);
  endResetModel();
}

void ChatLines::AddQuiet(const QString& text) {
  if (quiet_.size() >= kMaxQuiet) {
    std::size_t history_line = 0;
    int row = 0;
    while (QuietAt(row, history_line) != &quiet_.front()) ++row;
    beginRemoveRows(QModelIndex(), row, row);
    quiet_.pop_front();
    endRemoveRows();
  }
  const int row = rowCount();
  beginInsertRows(QModelIndex(), row, row);
  quiet_.push_back(Quiet{history_.Count(), text});
  endInsertRows();
}

void ChatLines::PresenceChanged() {
  std::set<std::string> now;
  std::map<std::string, std::string> listed;  // upper-cased name to name, present or not
  for (const std::string& line : list_.Lines()) {
    const std::string name = TrimText(Correspondents::NameOf(line));
    if (!name.empty()) listed[UpperText(name)] = name;
  }
  for (const std::string& name : list_.PresentNames()) now.insert(UpperText(name));
  const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
  for (const std::string& name : now) {
    if (present_.count(name) == 0) {
      AddQuiet(QStringLiteral("%1  — %2 на связи").arg(time, AnsiToQString(listed[name])));
    }
  }
  for (const std::string& name : present_) {
    // A line the user deleted is not news.
    if (now.count(name) == 0 && listed.count(name) != 0) {
      AddQuiet(QStringLiteral("%1  — %2 вне связи").arg(time, AnsiToQString(listed[name])));
    }
  }
  present_ = std::move(now);
}

const ChatLines::Quiet* ChatLines::QuietAt(int row, std::size_t& history_line) const {
  const auto wanted = static_cast<std::size_t>(row);
  std::size_t passed = 0;
  for (const Quiet& quiet : quiet_) {
    const std::size_t at = quiet.after + passed;
    if (at == wanted) return &quiet;
    if (at > wanted) break;
    ++passed;
  }
  history_line = wanted - passed;
  return nullptr;
}

int ChatLines::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(history_.Count() + quiet_.size());
}

QVariant ChatLines::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  std::size_t history_line = 0;
  const Quiet* quiet = QuietAt(index.row(), history_line);
  if (role == kQuietRole) return quiet != nullptr;
  if (role != Qt::DisplayRole) return {};
  if (quiet != nullptr) return quiet->text;
  return AnsiToQString(history_.Line(history_.Count() - 1 - history_line));
}

namespace {

constexpr int kMargin = 4;

// The line laid out to width, the time quiet and the name bold.
struct LaidOut {
  QTextLayout layout;
  qreal height = 0;
};

void LayOut(LaidOut& out, const QString& line, const QFont& font, int width, bool quiet,
            const QColor& name_color, const QColor& time_color) {
  out.layout.setText(line);
  out.layout.setFont(font);
  QTextOption wrap(Qt::AlignLeft);
  wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  out.layout.setTextOption(wrap);
  QList<QTextLayout::FormatRange> formats;
  QTextCharFormat grey;
  grey.setForeground(time_color);
  if (quiet) {
    grey.setFontItalic(true);
    formats.append({0, static_cast<int>(line.size()), grey});
  } else {
    const qsizetype time_end = line.indexOf(QStringLiteral("  "));
    const qsizetype name_end = time_end < 0 ? -1 : line.indexOf(QStringLiteral("> "), time_end);
    if (name_end > 0) {
      formats.append({0, static_cast<int>(time_end), grey});
      QTextCharFormat name;
      name.setFontWeight(QFont::Bold);
      name.setForeground(name_color);
      formats.append({static_cast<int>(time_end + 2), static_cast<int>(name_end - time_end - 1), name});
    }
  }
  out.layout.setFormats(formats);
  out.layout.beginLayout();
  qreal y = 0;
  for (QTextLine text = out.layout.createLine(); text.isValid(); text = out.layout.createLine()) {
    text.setLineWidth(std::max(20, width - 2 * kMargin));
    text.setPosition(QPointF(0, y));
    y += text.height();
  }
  out.layout.endLayout();
  out.height = y;
}

}  // namespace

void ChatLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const QString line = index.data().toString();
  const bool quiet = index.data(ChatLines::kQuietRole).toBool();
  const std::string sender = quiet ? std::string() : MessageSenderName(QStringToAnsi(line));
  const bool own = !sender.empty() && UpperText(sender) == UpperText(own_name_);
  const bool selected = option.state & QStyle::State_Selected;
  painter->save();
  if (selected) {
    painter->fillRect(option.rect, option.palette.highlight());
  } else if (own) {
    painter->fillRect(option.rect, QColor(226, 238, 252));
  }
  const QColor text = selected ? option.palette.highlightedText().color()
                               : option.palette.text().color();
  painter->setPen(text);
  LaidOut out;
  LayOut(out, line, option.font, option.rect.width(), quiet,
         selected ? text : own ? QColor(20, 80, 170) : QColor(120, 40, 20),
         selected ? text : QColor(120, 120, 120));
  out.layout.draw(painter, option.rect.topLeft() + QPointF(kMargin, 1));
  painter->restore();
}

QSize ChatLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
  const int width = view != nullptr ? view->viewport()->width() : option.rect.width();
  LaidOut out;
  LayOut(out, index.data().toString(), option.font, width,
         index.data(ChatLines::kQuietRole).toBool(), Qt::black, Qt::black);
  return QSize(width, static_cast<int>(std::ceil(out.height)) + 2);
}

}  // namespace kovra
