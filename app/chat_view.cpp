#include "app/chat_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "app/chat_lines.h"
#include "net/message_history.h"
#include "support/ansi_codec.h"
#include "support/text.h"
#include "support/waits.h"

namespace kovra {
namespace {

constexpr int kMargin = 4;  // left and right of the text
constexpr int kGap = 2;     // below each line
constexpr std::size_t kKeptHeights = 4096;
constexpr std::size_t kKeptLayouts = 256;  // more than a tall pane shows
constexpr int kFrameMs = 16;               // new lines show within a frame, and once in it
const QColor kQuiet(120, 120, 120);
const QColor kOwnTint(226, 238, 252);
const QColor kOwnName(20, 80, 170);
const QColor kName(120, 40, 20);

}  // namespace

ChatView::ChatView(QWidget* parent) : QAbstractScrollArea(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::ClickFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
}

void ChatView::SetLines(const ChatLines* lines, std::string own_name) {
  lines_ = lines;
  own_name_ = UpperText(std::move(own_name));
  // Lines that come together, as a flood's do, are laid out for the range
  // and painted once a frame: only the newest that fit are laid out.
  connect(lines_, &ChatLines::Appended, this, [this] {
    if (range_due_.isActive()) return;
    // The first line after a quiet while shows at once, the rest a frame on.
    if (!range_shown_.isValid() || range_shown_.hasExpired(kFrameMs)) return ShowNewLines();
    range_due_.start(RemainingMs(range_shown_, kFrameMs));
  });
  range_due_.setSingleShot(true);
  connect(&range_due_, &QTimer::timeout, this, &ChatView::ShowNewLines);
  connect(lines_, &ChatLines::Reset, this, [this] {
    range_due_.stop();
    Forget();
    anchor_ = current_ = -1;
    UpdateRange(false);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
  });
  UpdateRange(true);
}

void ChatView::ShowNewLines() {
  range_shown_.start();
  UpdateRange(true);
  viewport()->update();
}

int ChatView::Count() const { return lines_ != nullptr ? static_cast<int>(lines_->Count()) : 0; }

void ChatView::LayOut(QTextLayout& layout, int line, bool& own) const {
  const auto index = static_cast<std::size_t>(line);
  const QString text = lines_->Text(index);
  own = false;
  layout.setText(text);
  layout.setFont(font());
  QTextOption wrap;
  wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(wrap);
  QList<QTextLayout::FormatRange> formats;
  QTextCharFormat quiet;
  quiet.setForeground(kQuiet);
  using Origin = MessageHistory::Origin;
  const Origin origin = lines_->OriginOf(index);
  if (lines_->IsQuiet(index) || origin == Origin::kStatus) {
    // The pane's own words, and the program's status lines of this run.
    quiet.setFontItalic(true);
    formats.append({0, static_cast<int>(text.size()), quiet});
  } else {
    // "time  NAME> text", as every copy builds it; anything else stays plain.
    const qsizetype time_end = text.indexOf(QStringLiteral("  "));
    const qsizetype name_end = time_end < 0 ? -1 : text.indexOf(QStringLiteral("> "), time_end);
    if (name_end > 0) {
      const auto name_start = static_cast<int>(time_end + 2);
      // A line received is never the user's, whatever name it carries;
      // one read from the file is known only by its name.
      own = origin == Origin::kOwn ||
            (origin == Origin::kStored &&
             UpperText(TrimText(QStringToAnsi(text.mid(name_start, name_end - name_start)))) ==
                 own_name_);
      QTextCharFormat name;
      name.setFontWeight(QFont::Bold);
      name.setForeground(own ? kOwnName : kName);
      formats.append({0, static_cast<int>(time_end), quiet});
      formats.append({name_start, static_cast<int>(name_end + 1) - name_start, name});
    }
  }
  layout.setFormats(formats);
  layout.beginLayout();
  qreal y = 0;
  const int width = std::max(20, viewport()->width() - 2 * kMargin);
  for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
    row.setLineWidth(width);
    row.setPosition(QPointF(0, y));
    y += row.height();
  }
  layout.endLayout();
}

const ChatView::Laid& ChatView::LaidOut(int line) const {
  if (const auto known = laid_.find(line); known != laid_.end()) return *known->second;
  if (laid_.size() >= kKeptLayouts) laid_.clear();
  auto laid = std::make_unique<Laid>();
  LayOut(laid->layout, line, laid->own);
  return *laid_.emplace(line, std::move(laid)).first->second;
}

int ChatView::Height(int line) const {
  if (const auto known = heights_.find(line); known != heights_.end()) return known->second;
  const int height =
      static_cast<int>(std::ceil(LaidOut(line).layout.boundingRect().height())) + kGap;
  if (heights_.size() >= kKeptHeights) heights_.clear();
  heights_.emplace(line, height);
  return height;
}

void ChatView::Forget() {
  heights_.clear();
  laid_.clear();
}

int ChatView::RowsOf(int line) const {
  QTextLayout layout;
  bool own = false;
  LayOut(layout, line, own);
  return layout.lineCount();
}

void ChatView::UpdateRange(bool follow) {
  QScrollBar* bar = verticalScrollBar();
  const bool at_bottom = bar->value() >= bar->maximum();
  // As many of the newest lines as fit whole: the last top line shows them.
  const int count = Count();
  int fit = 0;
  for (int y = 0, line = count - 1; line >= 0; --line, ++fit) {
    y += Height(line);
    if (y > viewport()->height()) break;
  }
  bar->setRange(0, std::max(0, count - std::max(fit, 1)));
  bar->setPageStep(std::max(1, fit));
  bar->setSingleStep(1);
  if (follow && at_bottom) bar->setValue(bar->maximum());
}

int ChatView::TopLine() const { return verticalScrollBar()->value(); }

bool ChatView::ShowsNewest() const {
  int y = 0;
  for (int line = TopLine(); line < Count() && y <= viewport()->height(); ++line) {
    y += Height(line);
  }
  return y <= viewport()->height();
}

void ChatView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const int low = std::min(anchor_, current_);
  const int high = std::max(anchor_, current_);
  int y = 0;
  for (int line = TopLine(); line < Count() && y < viewport()->height(); ++line) {
    const int height = Height(line);
    const QRect band(0, y, viewport()->width(), height);
    const QPointF at(kMargin, y + kGap / 2);
    if (low >= 0 && line >= low && line <= high) {
      painter.fillRect(band, palette().highlight());
      painter.setPen(palette().highlightedText().color());
      // The formats' colours give way to the selection's, on a layout of its own.
      QTextLayout plain;
      bool own = false;
      LayOut(plain, line, own);
      plain.clearFormats();
      plain.draw(&painter, at);
    } else {
      const Laid& laid = LaidOut(line);
      if (laid.own) painter.fillRect(band, kOwnTint);
      painter.setPen(palette().text().color());
      laid.layout.draw(&painter, at);
    }
    y += height;
  }
}

void ChatView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (event->size().width() != event->oldSize().width()) Forget();
  UpdateRange(true);
}

void ChatView::scrollContentsBy(int, int) { viewport()->update(); }

int ChatView::LineAt(int y) const {
  int top = 0;
  for (int line = TopLine(); line < Count(); ++line) {
    top += Height(line);
    if (y < top) return line;
  }
  return Count() - 1;
}

void ChatView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || Count() == 0) return;
  current_ = LineAt(event->position().toPoint().y());
  if (!(event->modifiers() & Qt::ShiftModifier) || anchor_ < 0) anchor_ = current_;
  viewport()->update();
}

void ChatView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0) return;
  current_ = LineAt(event->position().toPoint().y());
  viewport()->update();
}

void ChatView::SelectLines(int first, int last) {
  anchor_ = std::clamp(first, 0, Count() - 1);
  current_ = std::clamp(last, 0, Count() - 1);
  viewport()->update();
}

QString ChatView::SelectedText() const {
  if (anchor_ < 0 || lines_ == nullptr) return {};
  QStringList text;
  for (int line = std::min(anchor_, current_); line <= std::max(anchor_, current_); ++line) {
    text.append(lines_->Text(static_cast<std::size_t>(line)));
  }
  return text.join(u'\n');
}

void ChatView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    if (anchor_ >= 0) QApplication::clipboard()->setText(SelectedText());
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) return SelectLines(0, Count() - 1);
  QScrollBar* bar = verticalScrollBar();
  switch (event->key()) {
    case Qt::Key_Home:
      return bar->setValue(0);
    case Qt::Key_End:
      return bar->setValue(bar->maximum());
    case Qt::Key_PageUp:
      return bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    case Qt::Key_PageDown:
      return bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    case Qt::Key_Up:
      return bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    case Qt::Key_Down:
      return bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

}  // namespace kovra
