// Keeps the boards of the copies that speak the delivery extension one
// board. The session's board is the board of the session's leader (the
// owner). When drawing goes quiet the owner sends each other copy a
// digest of its board; a copy whose board differs asks for the digests of
// the tiles, then for the tiles that differ, and the owner sends their
// pixels, compressed, through the ordered delivery, as fast as the receiver
// acknowledges. A joining copy is brought to the board the same way, and
// the whole board goes to a copy the same way when the user sends it. A
// board that held drawing the session never saw is kept in the picture
// folder before anything replaces it.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "net/command.h"

namespace kovra {

class BoardCanvas;
class BoardFiles;
class PeerLinks;

class BoardSync : public QObject {
  Q_OBJECT

 public:
  // Drawing is quiet after so long without a change; a copy that follows
  // asks the owner for its digest this often while nothing is drawn.
  static constexpr int kQuietMs = 250;
  static constexpr int kCheckMs = 2000;
  // Datagrams of tiles handed to the delivery ahead of its acknowledgements.
  static constexpr std::size_t kTilesAhead = 48;

  // A repair asked for is answered within so long, or asked for again.
  static constexpr int kRoundMs = 1500;

  struct Parts {
    PeerLinks& links;
    std::function<quint32()> owner;  // the session's leader; 0 is this copy
    BoardCanvas& canvas;
    BoardFiles& files;
    std::function<void(const QString& text)> tell;  // the notice line
    std::function<void()> resized;                  // the board changed size
    std::function<void(quint32 from)> replaced;     // a peer sent its whole board
    // This board was brought to the owner's, from, and what it held that the
    // session never saw is kept in the picture folder as file.
    std::function<void(quint32 from, const QString& file, const QImage& before)> aligned;
    // Why the board may not be kept in the picture folder as name (the
    // disk limits); nullopt when it may.
    std::function<std::optional<QString>(const QString& name)> refusal;
  };
  explicit BoardSync(Parts parts, QObject* parent = nullptr);

  // Whether an upper-cased command name is one of this part's; they are
  // taken only from the ordered delivery of a copy that speaks it.
  static bool IsSyncCommand(const std::string& upper_name);
  void Received(quint32 from, const ReceivedCommand& command);

  // The board changed in area, unless it is this part's own change: drawn
  // on, or made or loaded anew, by the user (from 0) or the copy at from.
  void Touched(bool drawn, const QRect& area, quint32 from);
  // The board holds drawing the session never saw (a board of an earlier run).
  void SetUnshared(bool unshared) { unshared_ = unshared; }

  // The session's news: this copy follows another owner now; a copy joined
  // the session this copy leads.
  void OwnerChanged();
  void MemberJoined(quint32 address);
  // This board is kept as it is, not brought to the owner's, until the
  // owner changes or the user sends it (held false).
  void Hold(bool held) { held_ = held; }
  // The delivery's news of a peer.
  void Skipped(quint32 address);
  void Room(quint32 address);
  void Forget(quint32 address) { tiles_out_.erase(address); }

  // The whole board to address, as fast as it takes it; false when address
  // does not speak the extension.
  bool SendBoard(quint32 address);

 private:
  struct TileOut {
    int index = 0;
    bool skip_white = false;  // the receiver's board is white there already
  };
  void Quiet();
  void Check();
  bool Send(quint32 address, std::string text);
  void AskOwner(const std::string& what);
  void SendSum(quint32 address);
  void SendDigests(quint32 address);
  void FeedTiles(quint32 address);
  void OnSum(quint32 from, std::string_view args);
  void OnWant(quint32 from, std::string_view args);
  void OnDigests(quint32 from, std::string_view args);
  void OnBoard(quint32 from, std::string_view args);
  void OnPixels(quint32 from, std::string_view args);
  // Keeps a board that held drawing the session never saw; false when it
  // could not be kept, and so must not be replaced.
  bool KeepBeforeReplacing(quint32 from);
  // Asks the owner for a part of the repair; one round at a time.
  void AskForRepair(quint32 owner, const std::string& what);
  bool InRound() const { return round_.isValid() && !round_.hasExpired(kRoundMs); }
  const std::vector<quint32>& Digests();

  Parts parts_;
  QTimer quiet_;
  QElapsedTimer last_change_;
  QTimer check_;
  bool dirty_ = false;     // changed by drawing since the last digest went out
  bool unshared_ = false;  // see SetUnshared
  bool applying_ = false;  // this part is changing the board
  bool feeding_ = false;   // tiles are being handed to the delivery
  std::vector<quint32> digests_;
  bool digests_valid_ = false;
  QElapsedTimer refused_told_;
  QElapsedTimer round_;  // since the repair last moved on
  bool asked_board_ = false;
  bool held_ = false;  // see Hold
  // Drawn by others than the owner since tiles were last asked for: the
  // owner's tiles may not hold it yet, and are not pasted over it.
  QRegion drawn_since_asked_;  // a "KvBoard" from the owner is the repair's, not a person's
  std::unordered_map<quint32, std::deque<TileOut>> tiles_out_;
};

}  // namespace kovra
