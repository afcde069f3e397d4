// The main window's side of the delivery extension: the links to the
// copies that speak it, and the repair of the board over them.
#include "app/main_window.h"
#include "app/notice_line.h"
#include "net/dotted_address.h"
#include "net/udp_endpoint.h"
#include "support/text.h"

namespace kovra {

void TForm1::CreateLinks() {
  PeerLinks::Hooks hooks;
  hooks.send = [this](quint32 address, const std::string& bytes) {
    try {
      return Udp1->SendToAddress(address, links_->NameOf(address), bytes);
    } catch (const Error&) {
      return false;  // lost, as on the wire; sent again later
    }
  };
  hooks.deliver = [this](quint32 address, quint16 port, std::string_view text) {
    ReceivedInOrder(address, port, text);
  };
  hooks.joined = [this](quint32 address) { Guard([&] { sync_->Joined(address); }); };
  hooks.skipped = [this](quint32 address) { Guard([&] { sync_->Skipped(address); }); };
  hooks.room = [this](quint32 address) { Guard([&] { sync_->Room(address); }); };
  hooks.gone = [this](quint32 address, const std::string& name) {
    sync_->Forget(address);
    Guard([&] { presence_->Silent(name, address); });
  };
  hooks.back = [this](quint32 address, const std::string& name) {
    Guard([&] { presence_->Returned(name, address); });
  };
  hooks.undelivered = [this](quint32 address, const std::string& text) {
    const auto command = ParseUntaggedCommand(text);
    if (!command || command->name != UpperText(command::kMessage)) return;
    std::string name = links_->NameOf(address);
    if (name.empty()) name = DottedAddressText(address);
    chat_->Undelivered(name, command->args);
  };
  links_ = std::make_unique<PeerLinks>(env_.computer_name, std::move(hooks));
  sync_ = std::make_unique<BoardSync>(
      BoardSync::Parts{*links_, canvas_, board_files_,
                       [this](const QString& text) { ui_.Label_Notice->Tell(QString(), text); },
                       [this] { ui_.Image_KV->Show(&canvas_.Image()); }});
  fan_out_->SetLinks(links_.get());
  // The whole board goes to a copy that speaks the extension as tiles.
  board_sending_->TakeOver = [this](const std::string& name) {
    const std::optional<quint32> address = KnownAddressOf(name);
    return address && sync_->SendBoard(*address);
  };
}

std::optional<quint32> TForm1::KnownAddressOf(const std::string& name) const {
  if (const auto dotted = ParseDottedAddress(TrimText(name))) return dotted;
  const std::string upper = UpperText(TrimText(name));
  if (links_) {
    for (const quint32 address : links_->Present()) {
      if (UpperText(links_->NameOf(address)) == upper) return address;
    }
  }
  return presence_->Addresses().Find(name);
}

}  // namespace kovra
