// Counts who answers when the user asks who is there ("Сообщить о себе
// всем", adding a correspondent, finding everyone): the notice line says at
// once how many computers were asked and, a moment later, how many answered.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <set>
#include <string>

namespace kovra {

class AnswerCount : public QObject {
 public:
  // How long answers are waited for before they are counted.
  static constexpr int kWaitMs = 2000;

  explicit AnswerCount(std::function<void(const QString&)> tell, QObject* parent = nullptr);

  // Starts counting before the asking, since answers may come while it goes
  // on. Only answers from names (or their dotted addresses) count; an empty
  // set counts every computer that answers. A new start ends the last count.
  void Begin(std::set<std::string> names);
  // The asking is done: what was asked is told now, the answers later.
  // subject names what was asked ("компьютеров", "сетей"). Without it
  // nothing is told.
  void Asked(int count, const QString& subject);
  // A computer said it is there: its announced name and dotted address.
  void Heard(const std::string& name, const std::string& dotted);
  bool Counting() const { return counting_; }

 private:
  void Tell();

  std::function<void(const QString&)> tell_;
  QTimer timer_;
  bool counting_ = false;
  std::set<std::string> asked_names_;  // upper case
  std::set<std::string> answered_;     // dotted addresses, or upper-case names
  int asked_ = 0;
  QString subject_;
};

}  // namespace kovra
