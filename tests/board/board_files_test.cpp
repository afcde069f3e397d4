#include "board/board_files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>  // mkfifo
#endif

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "board/canvas.h"
#include "common/bmp_builder.h"
#include "support/error_guard.h"

namespace kovra {
namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QString ErrorOf(const QString& path) {
  try {
    ReadBoardPicture(path);
  } catch (const Error& error) {
    return error.Message();
  }
  return {};
}

TEST(PictureNames, OnlyTheFileNamePartAndNothingOutside) {
  const std::pair<const char*, const char*> cases[] = {
      {"pic.bmp", "pic.bmp"},
      {"..\\pic.bmp", "pic.bmp"},
      {"../x.bmp", "x.bmp"},
      {"C:\\Users\\me\\BMP\\a b.bmp", "a b.bmp"},
      {"c:pic", "pic"},
      {"/etc/passwd", "passwd"},
      {"picture.txt", "picture.txt"},
      {"..", nullptr},
      {".", nullptr},
      {"dir/", nullptr},
      {"a\\..", nullptr},
      {"", nullptr},
      {"bad\tname", nullptr},
      {"bad\x7f", nullptr},
  };
  for (const auto& [path, expected] : cases) {
    const auto name = PictureFileName(QString::fromUtf8(path));
    if (expected == nullptr) {
      EXPECT_FALSE(name.has_value()) << path;
    } else {
      EXPECT_EQ(name.value_or(QStringLiteral("<refused>")), QString::fromUtf8(expected)) << path;
    }
  }
}

TEST(PictureFiles, ReadsEveryCommonBitmapVariant) {
  QTemporaryDir dir;
  for (int bits : {1, 8, 24}) {
    for (bool top_down : {false, true}) {
      const QString path = dir.path() + QStringLiteral("/p%1%2.bmp").arg(bits).arg(top_down);
      WriteBytes(path, test::MakeBmp(13, 7, bits, top_down));
      const QImage image = ReadBoardPicture(path);
      ASSERT_EQ(image.size(), QSize(13, 7)) << bits << top_down;
      for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
          ASSERT_EQ(image.pixel(x, y), test::ExpectedPixel(bits, x, y))
              << bits << " bits, top-down " << top_down << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(PictureFiles, SavedBoardsComeBackPixelForPixel) {
  QTemporaryDir dir;
  QImage board(211, 97, QImage::Format_RGB32);
  for (int y = 0; y < board.height(); ++y) {
    for (int x = 0; x < board.width(); ++x) board.setPixel(x, y, qRgb(x, y * 2, (x * y) % 256));
  }
  const QString path = dir.path() + QStringLiteral("/picture.txt");
  WriteBoardPicture(board, path);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray header = file.read(30);
  EXPECT_TRUE(header.startsWith("BM")) << "a bitmap whatever the name";
  EXPECT_EQ(quint8(header[28]), 24) << "24 bits a pixel";
  EXPECT_EQ(ReadBoardPicture(path).convertToFormat(QImage::Format_RGB32), board);
}

TEST(PictureFiles, RefusesWhatIsNoBoardAndKeepsOldFilesWhole) {
  QTemporaryDir dir;
  const QString png = dir.path() + QStringLiteral("/fake.bmp");
  QImage(5, 5, QImage::Format_RGB32).save(png, "png");
  EXPECT_EQ(ErrorOf(png), QStringLiteral("«fake.bmp» — не картинка BMP, или она повреждена"));

  const QByteArray whole = test::MakeBmp(40, 40, 24, false);
  const QString truncated = dir.path() + QStringLiteral("/cut.bmp");
  WriteBytes(truncated, whole.left(200));
  EXPECT_FALSE(ErrorOf(truncated).isEmpty());
  const QString garbage = dir.path() + QStringLiteral("/junk.bmp");
  WriteBytes(garbage, QByteArray("BM") + QByteArray(500, '\xA5'));
  EXPECT_FALSE(ErrorOf(garbage).isEmpty());

  // A header that asks for 40000 by 40000 pixels is refused before any allocation.
  QByteArray huge = test::MakeBmp(2, 2, 24, false);
  const qint32 side = 40000;
  huge.replace(18, 4, QByteArray(reinterpret_cast<const char*>(&side), 4));
  huge.replace(22, 4, QByteArray(reinterpret_cast<const char*>(&side), 4));
  const QString big = dir.path() + QStringLiteral("/big.bmp");
  WriteBytes(big, huge);
  EXPECT_EQ(ErrorOf(big), BoardTooLargeMessage(40000, 40000));
  // A 37-byte header of the largest width and height and 65535 bits a pixel
  // is refused before its row size is worked out.
  QByteArray extreme = huge.left(37);
  const qint32 widest = 0x7FFFFFFF;
  const quint16 bits = 0xFFFF;
  extreme.replace(18, 4, QByteArray(reinterpret_cast<const char*>(&widest), 4));
  extreme.replace(22, 4, QByteArray(reinterpret_cast<const char*>(&widest), 4));
  extreme.replace(28, 2, QByteArray(reinterpret_cast<const char*>(&bits), 2));
  const QString extreme_path = dir.path() + QStringLiteral("/extreme.bmp");
  WriteBytes(extreme_path, extreme);
  EXPECT_EQ(ErrorOf(extreme_path), BoardTooLargeMessage(widest, widest));

  const QString kept = dir.path() + QStringLiteral("/kept.bmp");
  WriteBytes(kept, whole);
  QFile::setPermissions(kept, QFileDevice::ReadOwner);
  EXPECT_THROW(WriteBoardPicture(QImage(3, 3, QImage::Format_RGB32), kept), Error);
  EXPECT_EQ(ReadBoardPicture(kept).size(), QSize(40, 40));
}

#ifndef _WIN32  // symbolic links and a named pipe in the folder
TEST(PictureFolder, NoLinkLeadsOutOfItAndNoPipeHoldsALoad) {
  QTemporaryDir dir;
  const QString program = dir.path() + u'/';
  ASSERT_TRUE(QDir(program).mkpath(QStringLiteral("BMP")));
  const QString outside = program + QStringLiteral("outside.bmp");
  WriteBytes(outside, test::MakeBmp(4, 4, 24, false));
  const QString folder = program + QStringLiteral("BMP/");
  ASSERT_TRUE(QFile::link(outside, folder + QStringLiteral("link.bmp")));
  ASSERT_TRUE(
      QFile::link(program + QStringLiteral("made.bmp"), folder + QStringLiteral("nowhere.bmp")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("pipe.bmp")).constData(), 0600), 0);

  BoardCanvas canvas;
  canvas.Reset(QImage(10, 10, QImage::Format_RGB32));
  BoardFiles files(canvas, program);
  for (const char* name : {"link.bmp", "nowhere.bmp", "pipe.bmp"}) {
    EXPECT_FALSE(files.SaveToBmpFolder(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(files.LoadFromBmpFolder(QString::fromLatin1(name))) << name;
  }
  EXPECT_EQ(ReadBoardPicture(outside).size(), QSize(4, 4)) << "the link's target is untouched";
  EXPECT_FALSE(QFileInfo::exists(program + QStringLiteral("made.bmp")));
  EXPECT_EQ(canvas.Image().size(), QSize(10, 10));
  EXPECT_TRUE(files.SaveToBmpFolder(QStringLiteral("plain.bmp")));
  EXPECT_TRUE(files.LoadFromBmpFolder(QStringLiteral("plain.bmp")));
}
#endif

TEST(PictureFiles, WideOrTallPicturesWithinThePixelCapAreBoards) {
  QTemporaryDir dir;
  QImage strip(40000, 20, QImage::Format_RGB32);
  strip.fill(Qt::white);
  strip.setPixel(39999, 19, qRgb(255, 0, 0));
  const QString path = dir.path() + QStringLiteral("/strip.bmp");
  WriteBoardPicture(strip, path);
  const QImage read = ReadBoardPicture(path);
  ASSERT_EQ(read.size(), QSize(40000, 20));
  EXPECT_EQ(read.pixel(39999, 19), qRgb(255, 0, 0));
  EXPECT_TRUE(BoardCanvas::SizeAllowed(20, 5'000'000));
  EXPECT_FALSE(BoardCanvas::SizeAllowed(10'001, 10'000)) << "the pixel cap stays";
}

}  // namespace
}  // namespace kovra
