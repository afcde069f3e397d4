#include "board/picture_saver.h"

#include <QCoreApplication>

#include "board/board_files.h"
#include "support/error_guard.h"

namespace kovra {

PictureSaver::PictureSaver(QObject* parent) : QObject(parent), worker_([this] { Run(); }) {}

PictureSaver::~PictureSaver() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();  // what was queued is written first
}

void PictureSaver::Save(const QImage& image, const QString& path, Done done) {
  const qint64 bytes = BitmapFileBytes(image.width(), image.height());
  ++pending_;
  pending_bytes_ += bytes;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({image, path, std::move(done), bytes});
  }
  wake_.notify_one();
}

void PictureSaver::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and nothing left to write
    auto job = std::make_shared<Job>(std::move(queue_.front()));
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    QString error;
    try {
      WriteBoardPicture(job->image, job->path);
    } catch (const Error& failure) {
      error = failure.Message();
    }
    job->image = QImage();  // the board's memory is not held a moment longer
    // Told on the GUI thread; dropped if the saver is gone by then.
    QMetaObject::invokeMethod(
        this, [this, job, error] { Finished(*job, error); }, Qt::QueuedConnection);
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }
}

void PictureSaver::Finished(const Job& job, const QString& error) {
  --pending_;
  pending_bytes_ -= job.bytes;
  if (job.done) job.done(error);
}

void PictureSaver::WaitForAll() {
  while (pending_ > 0) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
    }
    // The outcomes posted meanwhile are told now, before anything else is saved.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  }
}

}  // namespace kovra
