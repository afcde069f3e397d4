#include "app/notice_line.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTime>
#include <algorithm>

namespace kovra {
namespace {

const QString kClickAway = QStringLiteral("Щелчок убирает сообщение");

// How much of the start of rest fits width: up to a space when one is
// there, a word wider than the line cut where it must be.
qsizetype FittingCut(const QString& rest, const QFontMetrics& metrics, int width) {
  qsizetype low = 1;
  qsizetype high = rest.size();
  while (low < high) {
    const qsizetype middle = (low + high + 1) / 2;
    if (metrics.horizontalAdvance(rest.left(middle)) <= width) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  const qsizetype space = rest.lastIndexOf(u' ', low);
  return space > 0 ? space : low;
}

// Words into at most max_lines lines of width; what does not fit ends the
// last line with "…".
QStringList WrapLines(const QString& text, const QFontMetrics& metrics, int width, int max_lines) {
  QStringList lines;
  // No character is narrower than a pixel: the rest would not show anyway.
  QString rest = text.left(static_cast<qsizetype>(max_lines) * std::max(width, 1) + 1);
  while (!rest.isEmpty() && lines.size() < max_lines - 1 &&
         metrics.horizontalAdvance(rest) > width) {
    const qsizetype cut = FittingCut(rest, metrics, width);
    lines.append(rest.left(cut));
    rest = rest.mid(cut).trimmed();
  }
  if (!rest.isEmpty()) lines.append(metrics.elidedText(rest, Qt::ElideRight, width));
  return lines;
}

}  // namespace

NoticeLine::NoticeLine(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("Label_Notice"));
  setToolTip(kClickAway);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  fade_.setSingleShot(true);
  fade_.setInterval(kFadeMs);
  expire_.setSingleShot(true);
  expire_.setInterval(kHideMs);
  connect(&fade_, &QTimer::timeout, this, &NoticeLine::Fade);
  connect(&expire_, &QTimer::timeout, this, [this] {
    hide();
    AskForLines();
  });
  hide();
}

void NoticeLine::SetAges(int fade_ms, int hide_ms) {
  fade_.setInterval(fade_ms);
  expire_.setInterval(hide_ms);
}

void NoticeLine::Tell(const QString& sender, const QString& text) {
  if (!isHidden() && sender == sender_ && text == text_) {
    ++repeats_;
  } else {
    sender_ = sender;
    text_ = text;
    repeats_ = 1;
  }
  const QString count = repeats_ > 1 ? QStringLiteral(" (%1)").arg(repeats_) : QString();
  // Two lines at most however the text reads: a peer's text cannot stretch the window.
  const QString from = sender_.isEmpty() ? QString() : sender_ + QStringLiteral(": ");
  const QString shown = (from + text_).simplified();
  setText(shown + count);
  if (repeats_ == 1) {
    recent_.push_front(QTime::currentTime().toString(QStringLiteral("HH:mm  ")) + shown);
    if (recent_.size() > kRecentCount) recent_.pop_back();
  }
  setToolTip(Recent().join(u'\n') + QStringLiteral("\n\n") + kClickAway);
  faded_ = false;
  fade_.start();
  expire_.start();
  show();
  AskForLines();
  update();
  emit Told();
}

void NoticeLine::Withdraw(const QString& text) {
  if (!isHidden() && sender_.isEmpty() && text == text_) {
    hide();
    AskForLines();
  }
}

void NoticeLine::Fade() {
  faded_ = true;
  update();
}

QStringList NoticeLine::Lines() const {
  return WrapLines(text(), fontMetrics(), contentsRect().width(), 2);
}

void NoticeLine::AskForLines() {
  const int needed = isHidden() ? 1 : static_cast<int>(Lines().size());
  if (needed == lines_needed_) return;
  lines_needed_ = needed;
  emit LinesNeeded(needed);
}

QSize NoticeLine::minimumSizeHint() const { return QSize(0, QLabel::minimumSizeHint().height()); }

void NoticeLine::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  AskForLines();
}

void NoticeLine::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect room = contentsRect();
  painter.setPen(palette().color(faded_ ? QPalette::PlaceholderText : foregroundRole()));
  const QStringList lines = Lines();
  const int height = fontMetrics().lineSpacing();
  int top = room.top() + (room.height() - height * static_cast<int>(lines.size())) / 2;
  for (const QString& line : lines) {
    painter.drawText(QRect(room.left(), top, room.width(), height),
                     Qt::AlignLeft | Qt::AlignVCenter, line);
    top += height;
  }
}

void NoticeLine::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  hide();
  AskForLines();
  emit Dismissed();
}

}  // namespace kovra
