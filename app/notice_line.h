// The notice line beside the clock: what a peer's datagram caused to go
// wrong, with the sender and, when the same thing repeats, a count. No peer
// can open a box on the user's screen; the line stays until it is clicked
// away, a newer notice replaces it, or it grows old: it greys after a
// minute and goes after ten. It keeps to one line, so that nothing around
// it moves: a notice too long for it ends in "…" and reads whole in the
// line's tip, with the recent ones and their times (the clock's tip too).
#pragma once

#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <deque>

namespace kovra {

class NoticeLine : public QLabel {
  Q_OBJECT

 public:
  static constexpr int kFadeMs = 60 * 1000;
  static constexpr int kHideMs = 10 * 60 * 1000;
  static constexpr std::size_t kRecentCount = 6;

  explicit NoticeLine(QWidget* parent = nullptr);

  // sender is empty for what this computer itself could not do.
  void Tell(const QString& sender, const QString& text);
  // Hides the line if it still says text, which no longer holds.
  void Withdraw(const QString& text);
  // How long a notice stays plain, and shown at all.
  void SetAges(int fade_ms, int hide_ms);

  // The notice as the line shows it at its width: cut with "…" when it is too long.
  QString Shown() const;
  bool Faded() const { return faded_; }
  // The recent notices, newest first, each with the time it came.
  QStringList Recent() const { return {recent_.begin(), recent_.end()}; }

  // However long the text, the line never widens the window.
  QSize minimumSizeHint() const override;

 signals:
  // The user clicked the notice away.
  void Dismissed();
  // A notice came: Recent() changed.
  void Told();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Fade();

  QString sender_;
  QString text_;
  int repeats_ = 0;
  bool faded_ = false;
  std::deque<QString> recent_;
  QTimer fade_;
  QTimer expire_;
};

}  // namespace kovra
