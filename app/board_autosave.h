// The board written to its working file by itself a few seconds after it
// changed, in the background and atomically, so that a crash or a power cut
// loses at most those seconds; the status bar says when it was last written.
#pragma once

#include <QObject>
#include <QTimer>

class QLabel;

namespace kovra {

class BoardFiles;

class BoardAutosave : public QObject {
  Q_OBJECT

 public:
  // A change is on disk this long after it at most, the write aside.
  static constexpr int kDelayMs = 5000;

  // Both outlive the autosave.
  BoardAutosave(BoardFiles& files, QLabel& label, QObject* parent = nullptr);

  // Only once the working file was read: before, a write would replace it.
  void Enable() { enabled_ = true; }
  // The board changed.
  void Changed();
  // The working file was written, by this or any other way.
  void Saved();

 private:
  void Save();

  BoardFiles& files_;
  QLabel& label_;
  QTimer timer_;
  bool enabled_ = false;
};

}  // namespace kovra
