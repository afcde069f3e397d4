#include "app/notice_line.h"

#include <QMouseEvent>
#include <QPainter>

namespace kovra {
namespace {

const QString kClickAway = QStringLiteral("Щелчок убирает сообщение");

}  // namespace

NoticeLine::NoticeLine(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("Label_Notice"));
  setToolTip(kClickAway);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  hide();
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
  // One line however the text reads: a peer's text cannot stretch the window.
  const QString from = sender_.isEmpty() ? QString() : sender_ + QStringLiteral(": ");
  setText((from + text_).simplified() + count);
  setToolTip(QLabel::text() + u'\n' + kClickAway);
  show();
}

void NoticeLine::Withdraw(const QString& text) {
  if (!isHidden() && sender_.isEmpty() && text == text_) hide();
}

QSize NoticeLine::minimumSizeHint() const { return QSize(0, QLabel::minimumSizeHint().height()); }

void NoticeLine::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect room = contentsRect();
  painter.setPen(palette().color(foregroundRole()));
  painter.drawText(room, static_cast<int>(alignment()),
                   fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
}

void NoticeLine::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  hide();
  emit Dismissed();
}

}  // namespace kovra
