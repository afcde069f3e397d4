#include "app/notice_line.h"

#include <QMouseEvent>

namespace kovra {

NoticeLine::NoticeLine(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("Label_Notice"));
  setToolTip(QStringLiteral("Щелчок убирает сообщение"));
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
  show();
}

void NoticeLine::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  hide();
}

}  // namespace kovra
