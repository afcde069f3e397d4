// Pictures on the board: pasted from the clipboard, dropped from a file,
// selected, moved, copied and cleared on one window while two others and a
// plain copy (a bare socket that replays what it gets, as a copy without
// the extension does) watch; every board ends with exactly the expected
// pixels, and one Ctrl+Z takes each put-down back everywhere.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QUrl>

#include "app/board_sending.h"
#include "app/main_window.h"
#include "app/notice_line.h"
#include "app/received_commands.h"
#include "board/board_tiles.h"
#include "board/board_view.h"
#include "board/canvas.h"
#include "board/replay.h"
#include "common/loopback.h"
#include "common/session_checks.h"
#include "common/window_group.h"
#include "net/command.h"
#include "net/command_table.h"
#include "net/peer_links.h"

namespace kovra {
namespace {

using test::WindowGroup;

const QHostAddress kPlain(QStringLiteral("127.0.0.9"));

// A photograph's worth of detail: a gradient under noise and a few shapes.
QImage Photo(int width, int height, quint32 seed) {
  QImage photo(width, height, QImage::Format_RGB32);
  QRandomGenerator random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int noise = int(random.bounded(24));
      photo.setPixel(x, y,
                     qRgb((x * 255 / width + noise) & 0xFF, (y * 255 / height) & 0xFF,
                          (128 + noise * 3) & 0xFF));
    }
  }
  QPainter painter(&photo);
  painter.fillRect(QRect(width / 4, height / 4, width / 3, height / 5), Qt::white);
  painter.setBrush(Qt::black);
  painter.drawEllipse(QRect(width / 2, height / 2, width / 4, height / 4));
  return photo;
}

// The copy without the extension: what it is sent, drawn on a board of its own.
class PlainCopy {
 public:
  explicit PlainCopy(WindowGroup& group) : raw_(kPlain, group.Port()), replay_(board_) {
    board_.Reset(Blank());
    raw_.SetReceiveBuffer(8 << 20);
    AddDrawingRows(table_, replay_);
  }
  static QImage Blank() {
    QImage blank(602, 385, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
  }
  test::Collector& Raw() { return raw_; }
  // Draws what arrived since the last look.
  const QImage& Board() {
    const auto& received = raw_.Received();
    for (; seen_ < received.size(); ++seen_) {
      const QByteArray& bytes = received[seen_];
      if (const auto command = ParseCommandText(bytes.constData(), int(bytes.size()))) {
        table_.Dispatch(*command);
      }
    }
    return board_.Image();
  }
  bool Shows(const QImage& expected, int timeout_ms = 20000) {
    return QTest::qWaitFor(
        [&] {
          raw_.WaitFor(0, 0);  // takes in what waits
          return Board() == expected;
        },
        timeout_ms);
  }

 private:
  test::Collector raw_;
  BoardCanvas board_;
  Replay replay_;
  CommandTable table_;
  std::size_t seen_ = 0;
};

class BoardPiecesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      QByteArray list = "127.0.0.9=No\r\n";
      for (int j = 0; j < 3; ++j) {
        if (j != i) list += QByteArray("127.0.0.") + QByteArray::number(2 + j) + "=No\r\n";
      }
      group_[i].WriteFile(QStringLiteral("~ListUser.txt"), list);
    }
    group_.StartAll();
    for (int i = 0; i < 3; ++i) {
      plain_.Raw().Send("Kovra:>Enter:>127.0.0.9",
                        QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i)), group_.Port());
    }
    ASSERT_TRUE(group_.AllPresent());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
              if (i != j && !A(i).Links()->Speaks(0x7F000002 + quint32(j))) return false;
            }
          }
          return true;
        },
        10000));
  }

  TForm1& A(int i) { return group_.Form(i); }
  BoardView* View(int i) { return A(i).Controls().Image_KV; }
  void Trigger(int i, const char* action) {
    A(i).findChild<QAction*>(QString::fromLatin1(action))->trigger();
  }
  void Drag(int i, QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mousePress(View(i), Qt::LeftButton, keys, from);
    for (int step = 1; step <= 4; ++step) {
      const QPoint p = from + (to - from) * step / 4;
      QMouseEvent move(QEvent::MouseMove, p, View(i)->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                       keys);
      QCoreApplication::sendEvent(View(i), &move);
    }
    QTest::mouseRelease(View(i), Qt::LeftButton, keys, to);
  }
  // Every window's board and the plain copy's are expected, pixel for pixel.
  void ExpectEverywhere(const QImage& expected, const char* what) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return A(i).Board().Image() == expected; }, 10000))
          << what << ": window " << i;
    }
    EXPECT_TRUE(plain_.Shows(expected))
        << what << ": the plain copy, " << plain_.Raw().Received().size() << " datagrams";
  }

  WindowGroup group_{3};
  PlainCopy plain_{group_};
};

TEST_F(BoardPiecesTest, APastedOrDroppedPictureGoesDownWhereItWasMovedAndGoesWithOneUndo) {
  test::DrawAcross(group_, 1, 200);
  ASSERT_TRUE(test::OneBoard(group_, {0, 1, 2}, 10000));
  const QImage drawn = A(0).Board().Image();
  ExpectEverywhere(drawn, "the stroke");

  // Pasted in the middle of the view, dragged by 40, 30, put down with Enter.
  const QImage photo = Photo(160, 120, 7);
  QGuiApplication::clipboard()->setImage(photo);
  Trigger(0, "Paste");
  ASSERT_TRUE(A(0).Pieces().Floating());
  const QRect shown = A(0).Pieces().Place();
  EXPECT_EQ(shown.size(), photo.size());
  EXPECT_EQ(A(0).Board().Image(), drawn) << "nothing is drawn while it floats";
  Drag(0, shown.center(), shown.center() + QPoint(40, 30));
  const QPoint at = shown.topLeft() + QPoint(40, 30);
  EXPECT_EQ(A(0).Pieces().Place().topLeft(), at);
  QTest::keyClick(&A(0), Qt::Key_Return);
  EXPECT_FALSE(A(0).Pieces().Floating());
  QImage pasted = drawn;
  QPainter(&pasted).drawImage(at, photo);
  ExpectEverywhere(pasted, "the pasted photo");
  // It covers window 1's stroke: window 1 is told who, once for the picture.
  const QStringList told = A(1).Controls().Label_Notice->Recent().filter(
      QStringLiteral("положил картинку или часть доски поверх нарисованного"));
  EXPECT_EQ(told.size(), 1) << A(1).Controls().Label_Notice->Recent().join(u'\n').toStdString();
  EXPECT_TRUE(told.value(0).contains(QString::fromStdString(group_.Name(0))));

  // One Ctrl+Z takes it back on every board, the plain copy's too.
  // A second photo over the first: taking it back brings thousands of
  // lines to the plain copy, and they go paced, a tick's worth at once,
  // not all while the key is handled.
  A(0).Pieces().PastePicture(Photo(160, 120, 8), QRect(at, photo.size()).center());
  ASSERT_EQ(A(0).Pieces().Place().topLeft(), at);
  QTest::keyClick(&A(0), Qt::Key_Return);
  ASSERT_FALSE(A(0).Pieces().Floating());
  ASSERT_TRUE(plain_.Shows(A(0).Board().Image()));
  const std::size_t before_undo = plain_.Raw().Received().size();
  Trigger(0, "Undo");
  plain_.Raw().BytesReceived();
  EXPECT_LE(plain_.Raw().Received().size() - before_undo, 2u * BoardSending::kLinesPerTick);
  ExpectEverywhere(pasted, "the second photo taken back");
  Trigger(0, "Undo");
  ExpectEverywhere(drawn, "the paste taken back");

  // A file dropped at a point floats centred there, is scaled by its
  // corner with Shift, and goes down with a click beside it.
  const QString file = group_[2].Path(QStringLiteral("plan.png"));
  const QImage plan = Photo(100, 50, 11);
  ASSERT_TRUE(plan.save(file));
  auto* data = new QMimeData;
  data->setUrls({QUrl::fromLocalFile(file)});
  // As a file manager's drag ends: it enters the board, and is let go there.
  QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(View(2), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(300, 200), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(View(2), &drop);
  ASSERT_TRUE(A(2).Pieces().Floating())
      << A(2).Controls().Label_Notice->Recent().join(u'\n').toStdString();
  QRect place(QPoint(), plan.size());
  place.moveCenter(QPoint(300, 200));
  EXPECT_EQ(A(2).Pieces().Place(), place);
  Drag(2, place.bottomRight(), place.topLeft() + QPoint(200, 80), Qt::ShiftModifier);
  place.setSize(QSize(200, 100));
  EXPECT_EQ(A(2).Pieces().Place(), place) << "twice as large, in proportion";
  QTest::mouseClick(View(2), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
  EXPECT_FALSE(A(2).Pieces().Floating());
  QImage dropped = drawn;
  QPainter(&dropped).drawImage(
      place.topLeft(), plan.scaled(200, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  ExpectEverywhere(dropped, "the dropped plan, scaled");
  EXPECT_EQ(A(2).Board().Image(), dropped);
  delete data;

  // Pixels come only in order from a copy that speaks the extension: a
  // plain datagram of the same command draws nothing.
  QImage red(8, 4, QImage::Format_RGB32);
  red.fill(Qt::red);
  const std::string part =
      tiles::Encode(red, red.rect(), 200, tiles::Alphabet::kBytes, QPoint(5, 5)).front();
  const QByteArray plain = QByteArray("Kovra:>KvPaste:>") + QByteArray::fromStdString(part);
  plain_.Raw().Send(plain, QHostAddress(QStringLiteral("127.0.0.2")), group_.Port());
  QTest::qWait(300);
  EXPECT_EQ(A(0).Board().Image(), dropped);
}

TEST_F(BoardPiecesTest, ASelectedPartMovesCopiesClearsAndReachesTheClipboardTheSameEverywhere) {
  test::DrawAcross(group_, 0, 100);
  test::DrawAcross(group_, 2, 120);
  ASSERT_TRUE(test::OneBoard(group_, {0, 1, 2}, 10000));
  QImage expected = A(1).Board().Image();
  ExpectEverywhere(expected, "the strokes");

  // Window 1 selects a part across both strokes and drags it down: what it
  // leaves takes the fill colour.
  test::Choose(A(1), ToolId::kSelect, Qt::black, QColor(255, 255, 0), 1);
  const QRect part(50, 90, 120, 40);
  Drag(1, part.topLeft(), part.bottomRight());
  EXPECT_EQ(A(1).Pieces().Selection(), part);
  Drag(1, QPoint(100, 110), QPoint(130, 310));
  const QImage moved = expected.copy(part);
  QPainter(&expected).fillRect(part, QColor(255, 255, 0));
  QPainter(&expected).drawImage(part.topLeft() + QPoint(30, 200), moved);
  ExpectEverywhere(expected, "the part moved");
  EXPECT_EQ(A(1).Pieces().Selection(), part.translated(30, 200));
  // It landed on white: nobody's drawing was covered, nobody is told.
  EXPECT_TRUE(A(0).Controls().Label_Notice->Recent().filter(QStringLiteral("положил")).isEmpty());

  // Ctrl+drag moves a copy; the part stays where it was.
  Drag(1, QPoint(100, 310), QPoint(400, 310), Qt::ControlModifier);
  QPainter(&expected).drawImage(part.topLeft() + QPoint(330, 200), moved);
  ExpectEverywhere(expected, "the copy");

  // Ctrl+C puts the selected part on the clipboard as it is.
  QTest::keyClick(&A(1), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
            expected.copy(part.translated(330, 200)));

  // Delete clears it to the fill colour; Ctrl+Z brings it back.
  const QImage before_delete = expected;
  QTest::keyClick(&A(1), Qt::Key_Delete);
  QPainter(&expected).fillRect(part.translated(330, 200), QColor(255, 255, 0));
  ExpectEverywhere(expected, "the part cleared");
  Trigger(1, "Undo");
  ExpectEverywhere(before_delete, "the clearing taken back");

  // With nothing selected, Ctrl+C copies the whole board.
  QTest::keyClick(&A(1), Qt::Key_Escape);
  EXPECT_TRUE(A(1).Pieces().Selection().isEmpty());
  QTest::keyClick(&A(1), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
            before_delete);
}

// A PNG of the given size whose pixels are a few bytes of nothing: its
// header alone says how large it would be.
QByteArray PngHeaderOnly(quint32 width, quint32 height) {
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  auto chunk = [&png](const char* type, const QByteArray& body) {
    QByteArray typed = QByteArray(type) + body;
    const quint32 length = quint32(body.size());
    const quint32 crc =
        quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size())));
    for (int shift = 24; shift >= 0; shift -= 8) png += char((length >> shift) & 0xFF);
    png += typed;
    for (int shift = 24; shift >= 0; shift -= 8) png += char((crc >> shift) & 0xFF);
  };
  QByteArray header;
  for (const quint32 side : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) header += char((side >> shift) & 0xFF);
  }
  header += QByteArray("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  chunk("IHDR", header);
  chunk("IDAT", QByteArray(2048, '\0'));
  chunk("IEND", {});
  return png;
}

TEST(BoardPieceFiles, WhatIsNoPictureOrTooLargeIsToldInOneLineAndNothingIsDrawn) {
  test::TestWindow window;
  window.Start();
  TForm1& form = window.Window();
  const QImage board = form.Board().Image();
  QByteArray png;
  {
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    Photo(80, 60, 3).save(&buffer, "PNG");
  }
  window.WriteFile(QStringLiteral("cut.png"), png.left(png.size() / 2));
  window.WriteFile(QStringLiteral("notes.png"), "Не картинка, а заметки к плану\n");
  window.WriteFile(QStringLiteral("huge.png"), PngHeaderOnly(30000, 30000));
  const struct {
    const char* file;
    const char* told;
  } cases[] = {
      {"cut.png", "не прочитана"}, {"notes.png", "не картинка"}, {"huge.png", "слишком велика"}};
  for (const auto& bad : cases) {
    form.Pieces().PasteFile(window.Path(QString::fromLatin1(bad.file)), QPoint(100, 100));
    const QString notice = form.Controls().Label_Notice->Recent().value(0);
    EXPECT_TRUE(notice.contains(QString::fromUtf8(bad.told)))
        << bad.file << ": " << notice.toStdString();
    EXPECT_FALSE(notice.contains(u'\n')) << bad.file;
    EXPECT_FALSE(form.Pieces().Floating()) << bad.file;
  }
  // Grouped as the locale groups digits, whichever blank it groups them with.
  QString told = form.Controls().Label_Notice->Recent().value(0);
  told.replace(QChar(0x00A0), u' ').replace(QChar(0x202F), u' ');
  EXPECT_TRUE(told.contains(QStringLiteral("30 000 × 30 000 точек"))) << told.toStdString();
  // A clipboard without a picture says so, and Ctrl+V in the message field
  // is the field's own then.
  QGuiApplication::clipboard()->setText(QStringLiteral("просто текст"));
  form.Controls().Edit_Mess->setFocus();
  QTest::keyClick(form.Controls().Edit_Mess, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(form.Controls().Edit_Mess->text(), QStringLiteral("просто текст"));
  EXPECT_FALSE(form.Pieces().Floating());
  form.findChild<QAction*>(QStringLiteral("Paste"))->trigger();
  EXPECT_TRUE(form.Controls().Label_Notice->Recent().value(0).contains(
      QStringLiteral("В буфере обмена нет картинки")));
  EXPECT_EQ(form.Board().Image(), board);

  // A corner dragged far past the board scales the picture to twice the
  // board at most: that is the size it is drawn at when it goes down.
  form.Pieces().PastePicture(Photo(40, 30, 5), QPoint(100, 100));
  ASSERT_TRUE(form.Pieces().Floating());
  BoardView* view = form.Controls().Image_KV;
  const QPoint corner = form.Pieces().Place().bottomRight();
  QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, corner);
  QMouseEvent far(QEvent::MouseMove, QPointF(90000, 90000),
                  view->mapToGlobal(QPointF(90000, 90000)), Qt::NoButton, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(view, &far);
  const QSize scaled = form.Pieces().Place().size();
  EXPECT_LE(scaled.width(), 2 * board.width());
  EXPECT_LE(scaled.height(), 2 * board.height());
  EXPECT_GT(scaled.width(), board.width()) << "scaled past the board, as far as it may";
  QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(500, 300));
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.Pieces().Floating());
  EXPECT_EQ(form.Board().Image(), board);
}

}  // namespace
}  // namespace kovra
