// Writes board pictures on a thread of its own, one after another in the
// order asked, so that saving a large board never holds up the window. What
// became of each save is told on the GUI thread.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kovra {

class PictureSaver : public QObject {
  Q_OBJECT

 public:
  // Told with the error's text, or an empty text when the picture is saved.
  using Done = std::function<void(const QString& error)>;

  explicit PictureSaver(QObject* parent = nullptr);
  ~PictureSaver() override;

  // Queues image (a shallow copy: the board may change meanwhile) for path.
  void Save(const QImage& image, const QString& path, Done done);
  int Pending() const { return pending_; }
  // The bytes the pictures still queued will take on disk.
  qint64 PendingBytes() const { return pending_bytes_; }
  // Returns when every queued picture is on disk (or has failed), its Done
  // told: a save made at once afterwards is never overtaken by an older one.
  void WaitForAll();

 private:
  struct Job {
    QImage image;
    QString path;
    Done done;
    qint64 bytes;
  };
  void Run();
  void Finished(const Job& job, const QString& error);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Job> queue_;
  bool busy_ = false;  // the worker holds a job
  bool stopping_ = false;
  int pending_ = 0;  // queued or being written; GUI thread only
  qint64 pending_bytes_ = 0;
  std::thread worker_;
};

}  // namespace kovra
