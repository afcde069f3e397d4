// The board as square tiles: a digest of each, to find where two boards
// differ, and the pixels of a part of one as compressed text that fits a
// datagram, to bring another board to the same.
#pragma once

#include <QImage>
#include <QRect>
#include <QtGlobal>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovra::tiles {

constexpr int kTileSize = 64;

int Count(int width, int height);
// The tile's area, clipped to the board; empty for an index out of range.
QRect Area(int index, int width, int height);

// The digest of each tile, and of the whole board (its size and tiles).
std::vector<quint32> Digests(const QImage& board);
quint64 BoardDigest(int width, int height, const std::vector<quint32>& digests);
// Whether every pixel of the tile is white.
bool IsWhite(const QImage& board, const QRect& area);

// How the compressed bytes are written: base64, or the bytes themselves
// with the three a command text cannot hold at its ends or at all (zero,
// blank, and the escape "=") written as "=" and the byte plus 64. The
// second costs about 1 % more than the bytes, base64 a third more.
enum class Alphabet { kBase64, kBytes };

// The pixels of area as "x y width height data": 24-bit rows, each byte
// less its left neighbour's, compressed. Split into bands of rows until
// each text is at most max_text long. The text gives area moved by offset.
std::vector<std::string> Encode(const QImage& board, const QRect& area, std::size_t max_text,
                                Alphabet alphabet = Alphabet::kBase64, QPoint offset = {});

struct Patch {
  QPoint at;
  QImage pixels;
};
// Reads what Encode wrote; nullopt unless it is whole, at most one tile
// and inside a board of size.
std::optional<Patch> Decode(std::string_view text, QSize size,
                            Alphabet alphabet = Alphabet::kBase64);

// The bytes a compressed block of Encode's takes in all its texts, before
// they are written in an alphabet: what a piece costs at the least.
std::size_t PackedSize(const std::vector<std::string>& texts, Alphabet alphabet);

}  // namespace kovra::tiles
