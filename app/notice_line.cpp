#include "app/notice_line.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTime>
#include <algorithm>

namespace kovra {
namespace {

const QString kClickAway = QStringLiteral("Щелчок убирает сообщение");

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
  connect(&expire_, &QTimer::timeout, this, &QWidget::hide);
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
  // Whole in the tip, however much of it the line shows.
  setToolTip(shown + count + QStringLiteral("\n\nНедавние:\n") + Recent().join(u'\n') +
             QStringLiteral("\n\n") + kClickAway);
  faded_ = false;
  fade_.start();
  expire_.start();
  show();
  update();
  emit Told();
}

void NoticeLine::Withdraw(const QString& text) {
  if (!isHidden() && sender_.isEmpty() && text == text_) hide();
}

void NoticeLine::Fade() {
  faded_ = true;
  update();
}

QString NoticeLine::Shown() const {
  return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize NoticeLine::minimumSizeHint() const { return QSize(0, QLabel::minimumSizeHint().height()); }

void NoticeLine::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(faded_ ? QPalette::PlaceholderText : foregroundRole()));
  painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, Shown());
}

void NoticeLine::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  hide();
  emit Dismissed();
}

}  // namespace kovra
