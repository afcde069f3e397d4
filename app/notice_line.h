// The notice line beside the clock: what a peer's datagram caused to go
// wrong, with the sender and, when the same thing repeats, a count. No peer
// can open a box on the user's screen; the line stays until it is clicked
// away, a newer notice replaces it, or it grows old: it greys after a
// minute and goes after ten. A notice too long for one line takes two; the
// recent ones are kept, with their times, for the line's and the clock's tips.
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

  // The lines the notice is drawn in at the line's width: one, or two when
  // one is too short, the second cut with "…" only if two are too.
  QStringList Lines() const;
  bool Faded() const { return faded_; }
  // The recent notices, newest first, each with the time it came.
  QStringList Recent() const { return {recent_.begin(), recent_.end()}; }

  // However long the text, the line never widens the window.
  QSize minimumSizeHint() const override;

 signals:
  // The user clicked the notice away.
  void Dismissed();
  // The notice needs this many lines now: the status bar makes room.
  void LinesNeeded(int lines);
  // A notice came: Recent() changed.
  void Told();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Fade();
  void AskForLines();

  QString sender_;
  QString text_;
  int repeats_ = 0;
  bool faded_ = false;
  int lines_needed_ = 1;
  std::deque<QString> recent_;
  QTimer fade_;
  QTimer expire_;
};

}  // namespace kovra
