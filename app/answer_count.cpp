#include "app/answer_count.h"

#include <utility>

#include "support/text.h"

namespace kovra {

AnswerCount::AnswerCount(std::function<void(const QString&)> tell, QObject* parent)
    : QObject(parent), tell_(std::move(tell)) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { Tell(); });
}

void AnswerCount::Begin(std::set<std::string> names) {
  timer_.stop();
  asked_names_.clear();
  for (const std::string& name : names) asked_names_.insert(UpperText(name));
  answered_.clear();
  counting_ = true;
}

void AnswerCount::Asked(int count, const QString& subject) {
  asked_ = count;
  subject_ = subject;
  if (count == 0) {
    counting_ = false;
    tell_(QStringLiteral("Спрошено %1: 0, спрашивать некого").arg(subject));
    return;
  }
  tell_(QStringLiteral("Спрошено %1: %2, ждём ответов…").arg(subject).arg(count));
  timer_.start(kWaitMs);
}

void AnswerCount::Heard(const std::string& name, const std::string& dotted) {
  if (!counting_) return;
  const std::string upper = UpperText(name);
  if (!asked_names_.empty() && asked_names_.count(upper) == 0 && asked_names_.count(dotted) == 0) {
    return;
  }
  // One computer, however many ways it answers: by its address where known.
  answered_.insert(dotted.empty() || dotted == "0.0.0.0" ? upper : dotted);
}

void AnswerCount::Tell() {
  counting_ = false;
  tell_(QStringLiteral("Спрошено %1: %2, ответили: %3")
            .arg(subject_)
            .arg(asked_)
            .arg(answered_.size()));
}

}  // namespace kovra
