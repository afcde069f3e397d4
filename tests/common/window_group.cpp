#include "common/window_group.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>

#include "board/board_view.h"
#include "board/canvas.h"
#include "board/tools/tool_table.h"
#include "common/free_port.h"
#include "net/correspondents.h"

namespace kovra::test {

WindowGroup::WindowGroup(int count, Names names) : port_(FreeUdpPort()) {
  for (int i = 0; i < count; ++i) {
    const QString address = QStringLiteral("127.0.0.%1").arg(2 + i);
    const std::string name =
        names == Names::kAddresses ? address.toStdString() : "UX" + std::to_string(2 + i);
    windows_.push_back(std::make_unique<TestWindow>(name, address, port_));
    if (names == Names::kUnresolvable) {
      windows_.back()->Env().resolve_host = [](const QString&) -> std::optional<quint32> {
        return std::nullopt;
      };
    }
  }
}

void WindowGroup::ListEachOther() {
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    QByteArray list;
    for (std::size_t j = 0; j < windows_.size(); ++j) {
      if (j != i) list += windows_[j]->Env().bind_address.toString().toLatin1() + "=No\r\n";
    }
    windows_[i]->WriteFile(QStringLiteral("~ListUser.txt"), list);
  }
}

void WindowGroup::StartAll() {
  for (auto& window : windows_) window->Start(false);
  for (auto& window : windows_) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Window().FirstTick(); }, 5000));
  }
}

bool WindowGroup::StartListingEachOther() {
  ListEachOther();
  StartAll();
  return AllPresent();
}

bool WindowGroup::AllPresent() {
  return QTest::qWaitFor(
      [&] {
        for (auto& window : windows_) {
          for (const std::string& line : window->Window().UserList().Lines()) {
            if (Correspondents::ValueOf(line) != kPresent) return false;
          }
        }
        return true;
      },
      5000);
}

bool WaitForLines(TForm1& form, const std::vector<std::string>& lines) {
  return QTest::qWaitFor([&] { return form.UserList().Lines() == lines; }, 3000);
}

void DrawInterleaved(WindowGroup& group, const std::vector<Stroke>& strokes) {
  for (const Stroke& stroke : strokes) {
    TForm1& form = group.Form(stroke.window);
    // On the board the window starts with: its first tick makes that one,
    // and a window just made under load may not have ticked yet.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.FirstTick(); }, 5000));
    form.Controls().ListTools->setCurrentRow(ToolRow(ToolId::kFreehand));
    if (!form.Controls().CB_YesPaint->isChecked()) form.Controls().CB_YesPaint->click();
    QTest::mousePress(form.Controls().Image_KV, Qt::LeftButton, Qt::NoModifier,
                      stroke.points.front());
  }
  for (std::size_t step = 1; step < strokes.front().points.size(); ++step) {
    for (const Stroke& stroke : strokes) {
      TForm1& form = group.Form(stroke.window);
      const QPoint p = stroke.points[step];
      QMouseEvent move(QEvent::MouseMove, p, form.Controls().Image_KV->mapToGlobal(p), Qt::NoButton,
                       Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(form.Controls().Image_KV, &move);
      QCoreApplication::processEvents();
    }
  }
  for (const Stroke& stroke : strokes) {
    QTest::mouseRelease(group.Form(stroke.window).Controls().Image_KV, Qt::LeftButton,
                        Qt::NoModifier, stroke.points.back());
  }
}

QImage UnionOfStrokes(const std::vector<Stroke>& strokes) {
  BoardCanvas expected;
  expected.Reset(WhiteImage(602, 385));
  expected.SetPenColor(kClWindowText);
  for (const Stroke& stroke : strokes) {
    expected.MoveTo(stroke.points.front().x(), stroke.points.front().y());
    for (QPoint p : stroke.points) expected.LineTo(p.x(), p.y());
  }
  return expected.Image();
}

}  // namespace kovra::test
