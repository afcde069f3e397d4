#include "session/board_sync.h"

#include <QDateTime>
#include <QPainter>
#include <algorithm>
#include <charconv>

#include "board/board_files.h"
#include "board/board_tiles.h"
#include "board/canvas.h"
#include "net/link_wire.h"
#include "net/peer_links.h"
#include "support/error_guard.h"
#include "support/waits.h"

namespace kovra {
namespace {

const std::string kSum = "KvSum";
const std::string kWant = "KvWant";
const std::string kDigests = "KvDigest";
const std::string kBoard = "KvBoard";
const std::string kPixels = "KvPixels";

// Tile digests in one "KvDigest", and tiles asked for in one "KvWant".
constexpr std::size_t kDigestsPerCommand = 120;
constexpr std::size_t kTilesPerWant = 150;
// What a "KvPixels" may hold, the delivery's and the command's words aside.
constexpr std::size_t kMaxPixelsText = link::kMaxDatagram - 96;

std::string Command(const std::string& name, const std::string& args) { return name + ":>" + args; }

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (!(text = TrimView(text)).empty()) {
    const std::size_t end = std::min(text.find(' '), text.size());
    words.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return words;
}

template <typename Number>
bool Read(std::string_view word, Number& value, int base = 10) {
  const char* end = word.data() + word.size();
  const auto [after, error] = std::from_chars(word.data(), end, value, base);
  return error == std::errc() && after == end;
}

std::string Hex(quint64 value) {
  char text[17];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, 16);
  return std::string(text, end);
}

}  // namespace

BoardSync::BoardSync(Parts parts, QObject* parent) : QObject(parent), parts_(std::move(parts)) {
  quiet_.setSingleShot(true);
  connect(&quiet_, &QTimer::timeout, this, &BoardSync::Quiet);
  check_.setInterval(kCheckMs);
  connect(&check_, &QTimer::timeout, this, &BoardSync::Check);
  check_.start();
}

bool BoardSync::IsSyncCommand(const std::string& upper_name) {
  return upper_name == "KVSUM" || upper_name == "KVWANT" || upper_name == "KVDIGEST" ||
         upper_name == "KVBOARD" || upper_name == "KVPIXELS";
}

void BoardSync::Received(quint32 from, const ReceivedCommand& command) {
  const std::string& name = command.name;
  if (name == "KVSUM") OnSum(from, command.args);
  if (name == "KVWANT") OnWant(from, command.args);
  if (name == "KVDIGEST") OnDigests(from, command.args);
  if (name == "KVBOARD") OnBoard(from, command.args);
  if (name == "KVPIXELS") OnPixels(from, command.args);
}

void BoardSync::Touched(bool drawn, const QRect& area, quint32 from) {
  digests_valid_ = false;
  if (applying_) return;
  if (InRound() && from != parts_.owner()) {
    drawn_since_asked_ += area;
    // Bounded: many small areas become the box around them.
    if (drawn_since_asked_.rectCount() > 64) drawn_since_asked_ = drawn_since_asked_.boundingRect();
  }
  dirty_ = true;
  if (drawn) parts_.links.BoardChanged();
  // Changed with nobody of the session there to see it, other than by the
  // user's own steps, which are drawn again when the session is met; a
  // board made anew and blank holds nothing anybody lacks.
  if (parts_.links.Alone() && (from != 0 || !drawn)) {
    const QImage& board = parts_.canvas.Image();
    unshared_ = unshared_ || drawn || (!board.isNull() && !tiles::IsWhite(board, board.rect()));
  }
  // Every command of a stroke passes here: the timer is started once, and
  // waits on when it finds the board changed meanwhile.
  last_change_.start();
  if (!quiet_.isActive()) quiet_.start(kQuietMs);
}

const std::vector<quint32>& BoardSync::Digests() {
  if (!digests_valid_) {
    digests_ = tiles::Digests(parts_.canvas.Image());
    digests_valid_ = true;
  }
  return digests_;
}

void BoardSync::Quiet() {
  if (last_change_.isValid() && !last_change_.hasExpired(kQuietMs)) {
    quiet_.start(RemainingMs(last_change_, kQuietMs));
    return;
  }
  if (!dirty_ || parts_.owner() != 0) return;
  dirty_ = false;
  for (const quint32 address : parts_.links.Present()) SendSum(address);
}

void BoardSync::Check() {
  // A copy that follows asks, so that a board left different is found
  // within a few seconds even when the owner thinks nothing changed.
  if (quiet_.isActive() || InRound()) return;
  AskOwner("sum");
}

bool BoardSync::Send(quint32 address, std::string text) {
  // Worth nothing to a copy once it fell silent: it is asked for anew.
  return parts_.links.Send(address, std::move(text), PeerLinks::Carry::kPassing);
}

void BoardSync::AskOwner(const std::string& what) {
  const quint32 owner = parts_.owner();
  if (owner != 0 && !held_) Send(owner, Command(kWant, what));
}

void BoardSync::AskForRepair(quint32 owner, const std::string& what) {
  // What the owner sends from now on holds all this copy sent before.
  drawn_since_asked_ = QRegion();
  round_.start();
  asked_board_ = what == "board";
  Send(owner, Command(kWant, what));
}

void BoardSync::OwnerChanged() {
  round_.invalidate();  // a round with another owner is over
  asked_board_ = false;
  held_ = false;
  if (parts_.owner() == 0) {
    unshared_ = false;  // this board is the session's from now on
  } else {
    AskOwner("sum");
  }
}

void BoardSync::MemberJoined(quint32 address) {
  // The owner greets a joining copy with its digest; the copy asks for what differs.
  if (parts_.owner() != 0) return;
  // Whatever it held alone is the session's board now, which the copy takes.
  unshared_ = false;
  SendSum(address);
}

void BoardSync::Skipped(quint32 address) {
  (void)address;
  AskOwner("sum");
}

void BoardSync::SendSum(quint32 address) {
  const BoardCanvas& canvas = parts_.canvas;
  Send(
      address,
      Command(kSum, std::to_string(canvas.Width()) + ' ' + std::to_string(canvas.Height()) + ' ' +
                        Hex(tiles::BoardDigest(canvas.Width(), canvas.Height(), Digests()))));
}

void BoardSync::OnSum(quint32 from, std::string_view args) {
  if (from != parts_.owner() || held_) return;  // only the session's board counts
  const auto words = Words(args);
  int width = 0, height = 0;
  quint64 digest = 0;
  if (words.size() != 3 || !Read(words[0], width) || !Read(words[1], height) ||
      !Read(words[2], digest, 16)) {
    return;
  }
  const BoardCanvas& canvas = parts_.canvas;
  const bool same_size = width == canvas.Width() && height == canvas.Height();
  if (same_size && tiles::BoardDigest(width, height, Digests()) == digest) {
    unshared_ = false;  // the same board as the session's
    round_.invalidate();
    drawn_since_asked_ = QRegion();
    return;
  }
  // A second digest while the first round runs would fetch every tile twice.
  if (InRound()) return;
  AskForRepair(from, same_size ? "digest" : "board");
}

void BoardSync::OnWant(quint32 from, std::string_view args) {
  const auto words = Words(args);
  if (words.empty()) return;
  if (words[0] == "sum") SendSum(from);
  if (words[0] == "digest") SendDigests(from);
  if (words[0] == "board") SendBoard(from);
  int width = 0, height = 0;
  const BoardCanvas& canvas = parts_.canvas;
  if (words[0] != "tiles" || words.size() < 3 || !Read(words[1], width) ||
      !Read(words[2], height) || width != canvas.Width() || height != canvas.Height()) {
    return;
  }
  auto& out = tiles_out_[from];
  const auto count = static_cast<std::size_t>(tiles::Count(width, height));
  for (std::size_t i = 3; i < words.size() && out.size() < count; ++i) {
    int index = 0;
    if (!Read(words[i], index) || index < 0 || static_cast<std::size_t>(index) >= count) continue;
    // A tile asked for twice before it went out goes once.
    const bool queued = std::any_of(out.begin(), out.end(),
                                    [&](const TileOut& tile) { return tile.index == index; });
    if (!queued) out.push_back({index, false});
  }
  FeedTiles(from);
}

void BoardSync::SendDigests(quint32 address) {
  const BoardCanvas& canvas = parts_.canvas;
  const std::vector<quint32>& digests = Digests();
  const std::string size = std::to_string(canvas.Width()) + ' ' + std::to_string(canvas.Height());
  for (std::size_t first = 0; first < digests.size(); first += kDigestsPerCommand) {
    std::string args = size + ' ' + std::to_string(first);
    const std::size_t end = std::min(digests.size(), first + kDigestsPerCommand);
    for (std::size_t i = first; i < end; ++i) args += ' ' + Hex(digests[i]);
    Send(address, Command(kDigests, args));
  }
}

void BoardSync::OnDigests(quint32 from, std::string_view args) {
  if (from != parts_.owner()) return;
  const auto words = Words(args);
  int width = 0, height = 0;
  std::size_t first = 0;
  if (words.size() < 3 || !Read(words[0], width) || !Read(words[1], height) ||
      !Read(words[2], first)) {
    return;
  }
  const BoardCanvas& canvas = parts_.canvas;
  if (width != canvas.Width() || height != canvas.Height()) {
    AskForRepair(from, "board");
    return;
  }
  round_.start();
  const std::vector<quint32>& mine = Digests();
  std::vector<std::size_t> differing;
  for (std::size_t i = 3; i < words.size() && first + i - 3 < mine.size(); ++i) {
    quint32 digest = 0;
    if (Read(words[i], digest, 16) && digest != mine[first + i - 3])
      differing.push_back(first + i - 3);
  }
  const std::string size = std::to_string(width) + ' ' + std::to_string(height);
  for (std::size_t start = 0; start < differing.size(); start += kTilesPerWant) {
    std::string want = "tiles " + size;
    const std::size_t end = std::min(differing.size(), start + kTilesPerWant);
    for (std::size_t i = start; i < end; ++i) want += ' ' + std::to_string(differing[i]);
    AskForRepair(from, want);
  }
}

bool BoardSync::SendBoard(quint32 address) {
  const BoardCanvas& canvas = parts_.canvas;
  if (!parts_.links.Speaks(address)) return false;
  Send(address, Command(kBoard, std::to_string(canvas.Width()) + ' ' +
                                                 std::to_string(canvas.Height())));
  auto& out = tiles_out_[address];
  out.clear();
  const int count = tiles::Count(canvas.Width(), canvas.Height());
  for (int i = 0; i < count; ++i) out.push_back({i, true});
  FeedTiles(address);
  return true;
}

void BoardSync::Room(quint32 address) { FeedTiles(address); }

void BoardSync::FeedTiles(quint32 address) {
  // Each send may ask for more: that asking is this loop.
  if (feeding_) return;
  feeding_ = true;
  const QImage& board = parts_.canvas.Image();
  // Taken from the board as it is when the delivery has room: what was
  // drawn meanwhile goes with it.
  for (;;) {
    const auto found = tiles_out_.find(address);
    if (found == tiles_out_.end()) break;
    if (found->second.empty()) {
      tiles_out_.erase(found);
      break;
    }
    if (parts_.links.Waiting(address) >= kTilesAhead) break;
    const TileOut tile = found->second.front();
    found->second.pop_front();
    const QRect area = tiles::Area(tile.index, board.width(), board.height());
    if (area.isEmpty() || (tile.skip_white && tiles::IsWhite(board, area))) continue;
    bool sent = true;
    for (const std::string& part : tiles::Encode(board, area, kMaxPixelsText)) {
      sent = sent && Send(address, Command(kPixels, part));
    }
    if (!sent) tiles_out_.erase(address);  // the copy no longer speaks the extension
  }
  feeding_ = false;
}

void BoardSync::OnBoard(quint32 from, std::string_view args) {
  const auto words = Words(args);
  int width = 0, height = 0;
  // The size rules of "NewKV": a board counts as at least 100 by 100.
  if (words.size() != 2 || !Read(words[0], width) || !Read(words[1], height) || width <= 0 ||
      height <= 0 || !BoardCanvas::SizeAllowed(std::max(width, 100), std::max(height, 100))) {
    return;
  }
  // The board the repair asked for, or one a person sent.
  const bool repair = std::exchange(asked_board_, false) && from == parts_.owner();
  if (!KeepBeforeReplacing(from)) return;
  if (repair) round_.start();
  applying_ = true;
  BoardCanvas& canvas = parts_.canvas;
  const bool resized = width != canvas.Width() || height != canvas.Height();
  // Resized even to its own size: the board is replaced, not drawn on.
  canvas.Resize(width, height);
  QImage white(width, height, QImage::Format_RGB32);
  white.fill(Qt::white);
  canvas.Paste(white, QPoint(0, 0));
  applying_ = false;
  if (resized && parts_.resized) parts_.resized();
  if (!repair && parts_.replaced) parts_.replaced(from);
}

void BoardSync::OnPixels(quint32 from, std::string_view args) {
  BoardCanvas& canvas = parts_.canvas;
  auto patch = tiles::Decode(args, QSize(canvas.Width(), canvas.Height()));
  if (!patch || !KeepBeforeReplacing(from)) return;
  if (from == parts_.owner()) round_.start();
  // What was drawn here since the tiles were asked for stays: the next
  // round brings whatever of it the owner's board shows otherwise.
  const QRegion drawn = drawn_since_asked_.intersected(QRect(patch->at, patch->pixels.size()));
  if (!drawn.isEmpty()) {
    QPainter painter(&patch->pixels);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& area : drawn) {
      painter.drawImage(area.topLeft() - patch->at, canvas.Image(), area);
    }
  }
  applying_ = true;
  canvas.Paste(patch->pixels, patch->at);
  applying_ = false;
}

bool BoardSync::KeepBeforeReplacing(quint32 from) {
  if (!unshared_) return true;
  const QImage& board = parts_.canvas.Image();
  if (board.isNull() || tiles::IsWhite(board, board.rect())) {
    unshared_ = false;
    return true;
  }
  const QString name = QStringLiteral("kovra-before-sync-%1.bmp")
                           .arg(QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"));
  // Written within the disk limits, as every picture a peer's doing writes.
  const std::optional<QString> refusal =
      parts_.refusal ? parts_.refusal(name) : std::optional<QString>();
  bool kept = false;
  try {
    kept = !refusal && parts_.files.SaveToBmpFolderLater(name, {});
  } catch (const Error&) {
    kept = false;
  }
  if (kept) {
    unshared_ = false;
    if (parts_.aligned) parts_.aligned(from, name, board);
    return true;
  }
  // Nothing is lost: the board stays as it is until it can be kept.
  if (!refused_told_.isValid() || refused_told_.hasExpired(10000)) {
    refused_told_.start();
    QString text =
        QStringLiteral("Доска сеанса не принята: прежнюю доску не удалось сохранить в BMP/");
    if (refusal) text += QStringLiteral(" (") + *refusal + u')';
    parts_.tell(text);
  }
  return false;
}

}  // namespace kovra
