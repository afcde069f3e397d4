#include "common/window_group.h"

#include <gtest/gtest.h>

#include <QTest>

#include "common/free_port.h"
#include "net/correspondents.h"

namespace kovra::test {

WindowGroup::WindowGroup(int count) : port_(FreeUdpPort()) {
  for (int i = 0; i < count; ++i) {
    const QString address = QStringLiteral("127.0.0.%1").arg(2 + i);
    windows_.push_back(std::make_unique<TestWindow>(address.toStdString(), address, port_));
  }
}

void WindowGroup::ListEachOther() {
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    QByteArray list;
    for (std::size_t j = 0; j < windows_.size(); ++j) {
      if (j != i) list += QByteArray::fromStdString(windows_[j]->Env().computer_name) + "=No\r\n";
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

}  // namespace kovra::test
