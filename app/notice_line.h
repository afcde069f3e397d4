// The notice line beside the clock: what a peer's datagram caused to go
// wrong, with the sender and, when the same thing repeats, a count. No peer
// can open a box on the user's screen; the line stays until it is clicked
// away or a newer notice replaces it.
#pragma once

#include <QLabel>

namespace kovra {

class NoticeLine : public QLabel {
  Q_OBJECT

 public:
  explicit NoticeLine(QWidget* parent = nullptr);

  // sender is empty for what this computer itself could not do.
  void Tell(const QString& sender, const QString& text);
  // Hides the line if it still says text, which no longer holds.
  void Withdraw(const QString& text);

  // However long the text, the line never widens the window: it is cut with
  // "…" where it ends, and its tip shows it whole.
  QSize minimumSizeHint() const override;

 signals:
  // The user clicked the notice away.
  void Dismissed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QString sender_;
  QString text_;
  int repeats_ = 0;
};

}  // namespace kovra
