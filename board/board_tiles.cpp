#include "board/board_tiles.h"

#include <zlib.h>

#include <QByteArray>
#include <charconv>

#include "support/text.h"

namespace kovra::tiles {
namespace {

constexpr quint32 kWhite = 0xFFFFFF;

int Columns(int width) { return (width + kTileSize - 1) / kTileSize; }

quint32 TileDigest(const QImage& board, const QRect& area) {
  // FNV-1a over the pixels' colours; the same on every computer.
  quint64 hash = 14695981039346656037ull;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* row = reinterpret_cast<const quint32*>(board.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      hash = (hash ^ (row[x] & kWhite)) * 1099511628211ull;
    }
  }
  return static_cast<quint32>(hash ^ (hash >> 32));
}

QByteArray Rows(const QImage& board, const QRect& area) {
  QByteArray bytes(area.width() * area.height() * 3, Qt::Uninitialized);
  char* out = bytes.data();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* row = reinterpret_cast<const quint32*>(board.constScanLine(y));
    quint32 left = 0;
    for (int x = area.left(); x <= area.right(); ++x) {
      const quint32 pixel = row[x];
      *out++ = static_cast<char>(qRed(pixel) - qRed(left));
      *out++ = static_cast<char>(qGreen(pixel) - qGreen(left));
      *out++ = static_cast<char>(qBlue(pixel) - qBlue(left));
      left = pixel;
    }
  }
  return bytes;
}

bool ReadInt(std::string_view& text, int& value) {
  text = TrimView(text);
  const char* end = text.data() + text.size();
  const auto [after, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || after == end || *after != ' ') return false;
  text.remove_prefix(static_cast<std::size_t>(after - text.data()));
  return true;
}

constexpr char kEscape = '=';
constexpr int kEscapeShift = 64;

bool NeedsEscape(char byte) { return byte == '\0' || byte == ' ' || byte == kEscape; }

std::string Escaped(const QByteArray& bytes) {
  std::string text;
  text.reserve(static_cast<std::size_t>(bytes.size()) +
               static_cast<std::size_t>(bytes.size()) / 64);
  for (const char byte : bytes) {
    if (NeedsEscape(byte)) {
      text += kEscape;
      text += static_cast<char>(byte + kEscapeShift);
    } else {
      text += byte;
    }
  }
  return text;
}

std::optional<QByteArray> Unescaped(std::string_view text) {
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(text.size()));
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != kEscape) {
      bytes += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    const char byte = static_cast<char>(text[i] - kEscapeShift);
    if (!NeedsEscape(byte)) return std::nullopt;
    bytes += byte;
  }
  return bytes;
}

// The text after the four numbers.
std::string_view DataOf(std::string_view text) {
  for (int field = 0; field < 4; ++field) {
    text = TrimView(text);
    const auto blank = text.find(' ');
    if (blank == std::string_view::npos) return {};
    text.remove_prefix(blank);
  }
  return TrimView(text);
}

}  // namespace

int Count(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return Columns(width) * ((height + kTileSize - 1) / kTileSize);
}

QRect Area(int index, int width, int height) {
  if (index < 0 || index >= Count(width, height)) return {};
  const int columns = Columns(width);
  const QRect tile((index % columns) * kTileSize, (index / columns) * kTileSize, kTileSize,
                   kTileSize);
  return tile.intersected(QRect(0, 0, width, height));
}

std::vector<quint32> Digests(const QImage& board) {
  const int count = Count(board.width(), board.height());
  std::vector<quint32> digests(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    digests[static_cast<std::size_t>(i)] =
        TileDigest(board, Area(i, board.width(), board.height()));
  }
  return digests;
}

quint64 BoardDigest(int width, int height, const std::vector<quint32>& digests) {
  quint64 hash = 14695981039346656037ull;
  auto mix = [&](quint64 value) { hash = (hash ^ value) * 1099511628211ull; };
  mix(static_cast<quint64>(width));
  mix(static_cast<quint64>(height));
  for (const quint32 digest : digests) mix(digest);
  return hash;
}

bool IsWhite(const QImage& board, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* row = reinterpret_cast<const quint32*>(board.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      if ((row[x] & kWhite) != kWhite) return false;
    }
  }
  return true;
}

std::vector<std::string> Encode(const QImage& board, const QRect& area, std::size_t max_text,
                                Alphabet alphabet, QPoint offset) {
  const QByteArray packed = qCompress(Rows(board, area), 6);
  std::string text =
      std::to_string(area.x() + offset.x()) + ' ' + std::to_string(area.y() + offset.y()) + ' ' +
      std::to_string(area.width()) + ' ' + std::to_string(area.height()) + ' ' +
      (alphabet == Alphabet::kBase64 ? packed.toBase64().toStdString() : Escaped(packed));
  if (text.size() <= max_text || area.height() == 1) return {std::move(text)};
  const int half = area.height() / 2;
  std::vector<std::string> parts =
      Encode(board, area.adjusted(0, 0, 0, half - area.height()), max_text, alphabet, offset);
  std::vector<std::string> rest =
      Encode(board, area.adjusted(0, half, 0, 0), max_text, alphabet, offset);
  parts.insert(parts.end(), std::make_move_iterator(rest.begin()),
               std::make_move_iterator(rest.end()));
  return parts;
}

std::size_t PackedSize(const std::vector<std::string>& texts, Alphabet alphabet) {
  std::size_t size = 0;
  for (const std::string& text : texts) {
    const std::string_view data = DataOf(text);
    if (alphabet == Alphabet::kBase64) {
      size += data.size() / 4 * 3;
    } else if (const auto bytes = Unescaped(data)) {
      size += static_cast<std::size_t>(bytes->size());
    }
  }
  return size;
}

std::optional<Patch> Decode(std::string_view text, QSize size, Alphabet alphabet) {
  int x = 0, y = 0, width = 0, height = 0;
  if (!ReadInt(text, x) || !ReadInt(text, y) || !ReadInt(text, width) || !ReadInt(text, height)) {
    return std::nullopt;
  }
  if (width <= 0 || height <= 0 || width > kTileSize || height > kTileSize || x < 0 || y < 0 ||
      x > size.width() - width || y > size.height() - height) {
    return std::nullopt;
  }
  const std::string_view data = TrimView(text);
  QByteArray packed;
  if (alphabet == Alphabet::kBase64) {
    packed = QByteArray::fromBase64(
        QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size())),
        QByteArray::AbortOnBase64DecodingErrors);
  } else if (auto bytes = Unescaped(data)) {
    packed = std::move(*bytes);
  }
  // The length the compressed data claims is checked before anything is
  // unpacked: no datagram makes this copy allocate more than a tile.
  const qsizetype expected = static_cast<qsizetype>(width) * height * 3;
  if (packed.size() < 5) return std::nullopt;
  const auto* head = reinterpret_cast<const uchar*>(packed.constData());
  const qsizetype claimed = (qsizetype(head[0]) << 24) | (qsizetype(head[1]) << 16) |
                            (qsizetype(head[2]) << 8) | qsizetype(head[3]);
  if (claimed != expected) return std::nullopt;
  // Unpacked into a tile's room and no further: a stream that would
  // unpack to more is refused when it passes the tile's size.
  QByteArray rows(expected, Qt::Uninitialized);
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData() + 4));
  stream.avail_in = static_cast<uInt>(packed.size() - 4);
  stream.next_out = reinterpret_cast<Bytef*>(rows.data());
  stream.avail_out = static_cast<uInt>(expected);
  const int result = inflate(&stream, Z_FINISH);
  const bool whole = result == Z_STREAM_END && stream.total_out == static_cast<uLong>(expected);
  inflateEnd(&stream);
  if (!whole) return std::nullopt;
  QImage pixels(width, height, QImage::Format_RGB32);
  const auto* in = reinterpret_cast<const uchar*>(rows.constData());
  for (int row = 0; row < height; ++row) {
    auto* out = reinterpret_cast<quint32*>(pixels.scanLine(row));
    int red = 0, green = 0, blue = 0;
    for (int column = 0; column < width; ++column, in += 3) {
      red = (red + in[0]) & 0xFF;
      green = (green + in[1]) & 0xFF;
      blue = (blue + in[2]) & 0xFF;
      out[column] = qRgb(red, green, blue);
    }
  }
  return Patch{QPoint(x, y), std::move(pixels)};
}

}  // namespace kovra::tiles
