#include "net/fan_out.h"

#include <QCoreApplication>

#include "net/command.h"
#include "net/correspondents.h"
#include "net/link_wire.h"
#include "net/local_networks.h"
#include "net/peer_links.h"
#include "net/udp_endpoint.h"
#include "support/text.h"

namespace kovra {

// Marks a send under way for its length; the last one to end says so.
class FanOut::SendingScope {
 public:
  explicit SendingScope(FanOut& fan_out) : fan_out_(fan_out) { ++fan_out_.depth_; }
  ~SendingScope() {
    if (--fan_out_.depth_ == 0 && fan_out_.OnIdle) fan_out_.OnIdle();
  }
  SendingScope(const SendingScope&) = delete;
  SendingScope& operator=(const SendingScope&) = delete;

 private:
  FanOut& fan_out_;
};

bool FanOut::SendCommand(const std::string& host, const std::string& command,
                         const std::string& args) {
  const std::string name = TrimText(host);
  if (name.empty()) {
    dialogs_.ShowMessage(QStringLiteral("Имя компьютера Вашего Корреспондента - не задано !!!"));
    return false;
  }
  const SendingScope sending(*this);
  Deliver(name, command, args);
  return true;
}

bool FanOut::Deliver(const std::string& name, const std::string& command, const std::string& args) {
  const std::string text = BuildCommandText(kProgramTag, command, args);
  // May run the event loop while the name is looked up.
  const std::optional<quint32> address = endpoint_.Resolve(name);
  if (!address) return false;
  // A line of the list names one computer: one whose name turns out to be
  // a broadcast or group address would reach everyone.
  if (walking_list_ && !IsOneComputer(*address, true)) return false;
  if (links_ == nullptr) return endpoint_.SendToAddress(*address, name, text);
  const std::string upper = UpperText(command);
  if (link::Carried(upper) && links_->Speaks(*address)) {
    static const std::string kMessage = UpperText(command::kMessage);
    return links_->Send(*address, text.substr(text.find(":>") + 2),
                        upper == kMessage ? PeerLinks::Carry::kMessage : PeerLinks::Carry::kLasting);
  }
  if (!endpoint_.SendToAddress(*address, name, text)) return false;
  static const std::string kEnter = UpperText(command::kEnter);
  static const std::string kIamToo = UpperText(command::kIamToo);
  if (upper == kEnter || upper == kIamToo) links_->Announce(*address);
  return true;
}

int FanOut::SendToCorrespondents(const std::string& command, const std::string& args, bool to_all,
                                 const std::function<void(const std::string& name)>& before_each) {
  const SendingScope sending(*this);
  const bool outer = !walking_list_;
  walking_list_ = true;
  struct Done {
    FanOut& fan_out;
    bool outer;
    ~Done() {
      if (outer) fan_out.walking_list_ = false;
    }
  } done{*this, outer};
  int count = 0;
  for (int i = 0; i < list_.Count(); ++i) {
    if (OnStep) OnStep(i);
    // Runs what is waiting: received commands may change the list. The
    // user's input waits for the walk's end, so that a stroke drawn on
    // meanwhile goes out after the command being sent, not inside it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (i >= list_.Count()) break;
    const std::string line = list_.Line(i);
    if (!to_all && UpperText(Correspondents::ValueOf(line)) != UpperText(kPresent)) continue;
    const std::string name = TrimText(Correspondents::NameOf(line));
    if (name.empty()) continue;
    if (before_each) before_each(name);
    if (SendToOne(name, command, args)) ++count;
  }
  return count;
}

bool FanOut::Busy() const { return endpoint_.LastSendBusy(); }

bool FanOut::SendInStream(const std::string& name, const std::string& command,
                          const std::string& args) {
  if (links_ == nullptr) return false;
  const SendingScope sending(*this);
  try {
    const std::optional<quint32> address = endpoint_.Resolve(name);
    return address && links_->Speaks(*address) && links_->Send(*address, command + ":>" + args);
  } catch (const UDPSockError&) {
    return false;  // as the walk passes over it
  }
}

bool FanOut::SendToOne(const std::string& name, const std::string& command,
                       const std::string& args) {
  const SendingScope sending(*this);
  try {
    if (!Deliver(name, command, args)) return false;
    unreachable_.erase(name);
    return true;
  } catch (const UDPSockError&) {
    unreachable_.insert(name);  // told of by the lookup's handler, once
    return false;
  }
}

}  // namespace kovra
