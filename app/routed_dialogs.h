// The dialogs the window's parts are given. While a received datagram is
// handled, the boxes it would open (messages and error reports) go to the
// notice line instead, with the sender: a peer never interrupts the user.
// Everything else, and everything the user's own actions show, goes to the
// real dialogs. Once the window closes, no box opens at all: what would be
// shown goes to the standard error, and nothing is asked.
#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>
#include <utility>

#include "support/dialogs.h"

namespace kovra {

class RoutedDialogs : public Dialogs {
 public:
  using Notify = std::function<void(const QString& sender, const QString& text)>;
  RoutedDialogs(Dialogs& user, Notify notify) : user_(user), notify_(std::move(notify)) {}

  // For its lifetime, what goes wrong is the sender's: the IPv4 address
  // (host order) a datagram came from.
  class FromPeer {
   public:
    FromPeer(RoutedDialogs& dialogs, quint32 sender)
        : dialogs_(dialogs), previous_(std::exchange(dialogs.peer_, sender)) {}
    ~FromPeer() { dialogs_.peer_ = previous_; }
    FromPeer(const FromPeer&) = delete;
    FromPeer& operator=(const FromPeer&) = delete;

   private:
    RoutedDialogs& dialogs_;
    std::optional<quint32> previous_;
  };

  // From now on nothing opens a box.
  void Close() { closed_ = true; }

  void ShowMessage(const QString& text) override;
  void ShowError(const QString& text) override;
  std::function<void(const QString& text)> ErrorLater() override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                   const QString& value) override {
    if (closed_) return std::nullopt;
    return user_.InputText(caption, prompt, value);
  }
  std::optional<QString> InputSecret(const QString& caption, const QString& prompt) override {
    if (closed_) return std::nullopt;
    return user_.InputSecret(caption, prompt);
  }
  std::optional<QColor> ChooseColor(const QColor& initial) override {
    return user_.ChooseColor(initial);
  }
  std::optional<FontChoice> ChooseFont(const FontChoice& initial) override {
    return user_.ChooseFont(initial);
  }
  QString OpenPictureFile(const QString& folder) override { return user_.OpenPictureFile(folder); }
  QString SavePictureFile(const QString& folder) override { return user_.SavePictureFile(folder); }
  QString SavePngFile(const QString& suggested) override { return user_.SavePngFile(suggested); }
  bool Confirm(const QString& question) override { return !closed_ && user_.Confirm(question); }
  std::optional<QSize> AskSize(const QString& caption, const QString& question, QSize offered,
                               const SizeCheck& check) override {
    if (closed_) return std::nullopt;
    return user_.AskSize(caption, question, offered, check);
  }

 private:
  Dialogs& user_;
  Notify notify_;
  std::optional<quint32> peer_;  // none: the user's own action
  bool closed_ = false;
};

}  // namespace kovra
