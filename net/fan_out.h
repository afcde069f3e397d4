// Sends a command to one computer, or to every line of the correspondent
// list in turn; the walk runs the event loop before each line, as the
// window's handlers expect, and reads the list again at every step.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "support/dialogs.h"

namespace kovra {

class Correspondents;
class PeerLinks;
class TUdpEndpoint;

class FanOut {
 public:
  FanOut(TUdpEndpoint& endpoint, Correspondents& list, Dialogs& dialogs)
      : endpoint_(endpoint), list_(list), dialogs_(dialogs) {}

  // Copies that speak the delivery extension get what it carries through
  // links, and every announcement goes with the extension's own; without
  // links every command goes out plain.
  void SetLinks(PeerLinks* links) { links_ = links; }

  // Told of each line before its step of the walk (the window highlights it).
  std::function<void(int row)> OnStep;
  // Told when the outermost send is over: what waited for it may go on.
  std::function<void()> OnIdle;
  // Whether a send is under way below the caller (its walk or a lookup may
  // be running the event loop).
  bool Sending() const { return depth_ > 0; }

  // One command to one computer; false when host is empty (after a message).
  // May run the event loop while a host name is looked up.
  bool SendCommand(const std::string& host, const std::string& command, const std::string& args);
  // One command to every named correspondent, or only to those present; the
  // number of datagrams sent. A line removed during the walk is never read.
  // A line whose name cannot be reached is passed over: one failing peer
  // never silences the others.
  // before_each, if given, is told each name just before its datagram goes.
  int SendToCorrespondents(const std::string& command, const std::string& args, bool to_all,
                           const std::function<void(const std::string& name)>& before_each = {});
  // One command to one named line, passed over as the walk passes over it
  // when the name cannot be reached; whether a datagram went out.
  bool SendToOne(const std::string& name, const std::string& command, const std::string& args);
  // One command to one named line, only in the ordered stream of a copy
  // that speaks the delivery extension; false for any other.
  bool SendInStream(const std::string& name, const std::string& command, const std::string& args);

  // Whether the last datagram found no room in the system's queues and did
  // not go out: whoever sends many should slow down and send it again.
  bool Busy() const;

  // A name whose last send failed; it is told of once, until a send to it
  // goes through again.
  bool Unreachable(const std::string& name) const { return unreachable_.count(name) > 0; }

 private:
  class SendingScope;
  // Sends to a name known not to be empty; false when the send gave up.
  bool Deliver(const std::string& name, const std::string& command, const std::string& args);

  TUdpEndpoint& endpoint_;
  Correspondents& list_;
  Dialogs& dialogs_;
  PeerLinks* links_ = nullptr;
  std::set<std::string> unreachable_;
  int depth_ = 0;              // sends under way, nested ones included
  bool walking_list_ = false;  // sending to the list's lines
};

}  // namespace kovra
