#include "board/board_tiles.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace kovra {
namespace {

QImage Noisy(int width, int height, quint32 seed) {
  QImage image(width, height, QImage::Format_RGB32);
  QRandomGenerator random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, random.generate() | 0xFF000000u);
  }
  return image;
}

TEST(BoardTiles, EncodedTilesRebuildTheBoardAndFitTheirDatagrams) {
  // Noise compresses worst: every tile must still be split to fit.
  const QImage board = Noisy(200, 150, 5);
  QImage copy(200, 150, QImage::Format_RGB32);
  copy.fill(Qt::white);
  constexpr std::size_t kMax = 1300;
  const int count = tiles::Count(200, 150);
  EXPECT_EQ(count, 4 * 3);
  EXPECT_EQ(tiles::Area(count - 1, 200, 150), QRect(192, 128, 8, 22));
  EXPECT_TRUE(tiles::Area(count, 200, 150).isEmpty());
  for (int i = 0; i < count; ++i) {
    for (const std::string& text : tiles::Encode(board, tiles::Area(i, 200, 150), kMax)) {
      EXPECT_LE(text.size(), kMax);
      const auto patch = tiles::Decode(text, copy.size());
      ASSERT_TRUE(patch) << text.substr(0, 40);
      for (int y = 0; y < patch->pixels.height(); ++y) {
        for (int x = 0; x < patch->pixels.width(); ++x) {
          copy.setPixel(patch->at + QPoint(x, y), patch->pixels.pixel(x, y));
        }
      }
    }
  }
  EXPECT_EQ(copy, board);
  EXPECT_EQ(tiles::Digests(copy), tiles::Digests(board));

  // One pixel changes one tile's digest and the board's.
  copy.setPixel(130, 70, qRgb(1, 2, 3));
  const auto before = tiles::Digests(board);
  const auto after = tiles::Digests(copy);
  int differing = 0;
  for (std::size_t i = 0; i < before.size(); ++i) differing += before[i] != after[i];
  EXPECT_EQ(differing, 1);
  EXPECT_NE(before[6], after[6]);
  EXPECT_NE(tiles::BoardDigest(200, 150, before), tiles::BoardDigest(200, 150, after));
  EXPECT_NE(tiles::BoardDigest(200, 150, before), tiles::BoardDigest(150, 200, before));

  // A plain tile is one short datagram.
  QImage white(64, 64, QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_TRUE(tiles::IsWhite(white, white.rect()));
  const auto plain = tiles::Encode(white, white.rect(), kMax);
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_LT(plain[0].size(), 200u);
}

TEST(BoardTiles, DecodeRefusesWhatIsNotAWholeTileInsideTheBoard) {
  const QImage board = Noisy(64, 64, 9);
  const std::string good = tiles::Encode(board, QRect(0, 0, 8, 4), 100000).front();
  EXPECT_TRUE(tiles::Decode(good, QSize(64, 64)));
  const std::string data =
      good.substr(good.find(' ', good.find(' ', good.find(' ', good.find(' ') + 1) + 1) + 1) + 1);
  // A claimed length of 2 GiB in the compressed data's header unpacks nothing.
  QByteArray bomb = QByteArray::fromBase64(QByteArray::fromStdString(data));
  bomb[0] = char(0x7F);
  // A stream that unpacks far past the tile it claims to be is refused there.
  QByteArray flood = qCompress(QByteArray(1500000, '\0'));
  flood[0] = flood[1] = flood[2] = 0;
  flood[3] = char(8 * 4 * 3);
  for (const std::string& bad :
       {std::string("0 0 8 4"), "60 0 8 4 " + data, "0 62 8 4 " + data, "-1 0 8 4 " + data,
        "0 0 8 5 " + data, "0 0 65 1 " + data, "0 0 0 4 " + data, "0 0 8 4 !!" + data,
        "0 0 8 4 " + bomb.toBase64().toStdString(), "0 0 8 4 " + flood.toBase64().toStdString(),
        "0 0 8 4 " + data.substr(0, data.size() / 2), "x 0 8 4 " + data}) {
    EXPECT_FALSE(tiles::Decode(bad, QSize(64, 64))) << bad.substr(0, 30);
  }
  EXPECT_FALSE(tiles::Decode(good, QSize(7, 64))) << "outside a smaller board";
}

TEST(BoardTiles, BytesWrittenAsTheyAreRebuildTheTileAndCostAboutTheirPackedSize) {
  // Noise packs to bytes of every value: zeros, blanks and escapes included,
  // at either end of a text too.
  const QImage board = Noisy(130, 70, 9);
  std::vector<std::string> texts;
  for (const QRect area : {QRect(0, 0, 64, 64), QRect(64, 0, 64, 64), QRect(128, 64, 2, 6)}) {
    const auto parts =
        tiles::Encode(board, area, 1300, tiles::Alphabet::kBytes, QPoint(1000, 2000));
    texts.insert(texts.end(), parts.begin(), parts.end());
  }
  std::size_t written = 0;
  for (const std::string& text : texts) {
    EXPECT_LE(text.size(), 1300u);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_NE(text.back(), ' ');
    written += text.size();
    // Moved by the offset: read back on a board large enough, and nowhere else.
    EXPECT_FALSE(tiles::Decode(text, QSize(200, 200), tiles::Alphabet::kBytes));
    EXPECT_FALSE(tiles::Decode(text, QSize(1200, 2100))) << "bytes are no base64";
    const auto patch = tiles::Decode(text, QSize(1200, 2100), tiles::Alphabet::kBytes);
    ASSERT_TRUE(patch);
    EXPECT_EQ(patch->pixels,
              board.copy(QRect(patch->at - QPoint(1000, 2000), patch->pixels.size())));
  }
  const std::size_t packed = tiles::PackedSize(texts, tiles::Alphabet::kBytes);
  EXPECT_GT(packed, 0u);
  EXPECT_LT(written, packed * 105 / 100) << "escapes and numbers cost a few per cent at most";
  // A text cut in its escape is refused.
  std::string cut = texts.front();
  const auto escape = cut.rfind('=');
  ASSERT_NE(escape, std::string::npos);
  cut.resize(escape + 1);
  EXPECT_FALSE(tiles::Decode(cut, QSize(1200, 2100), tiles::Alphabet::kBytes));
}

}  // namespace
}  // namespace kovra
