// One copy of Kovra in a network namespace of its own, for the test that
// puts a lossy veth between two of them: it lists the other copy, and
// either draws and writes messages ("draw"), then lets SETTLE seconds pass
// once everything it sent is acknowledged, or only takes part ("watch")
// until the file SETTLE exists. Then it closes as a user would, which writes
// the board and the messages to its folder.
//   kovra_netns_peer FOLDER OWN_ADDRESS PEER_ADDRESS draw|watch SETTLE
// With KOVRA_PLAIN set, the copy speaks no extension.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolButton>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "board/board_view.h"
#include "board/tools/tool_table.h"
#include "common/scripted_dialogs.h"
#include "net/correspondents.h"
#include "net/dotted_address.h"
#include "support/environment.h"

using namespace kovra;

namespace {

bool RunUntil(const std::function<bool()>& done, qint64 ms) {
  QElapsedTimer spent;
  spent.start();
  while (!done() && !spent.hasExpired(ms)) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

void DrawAndTalk(TForm1& form) {
  form.Controls().ListTools->setCurrentRow(ToolRow(ToolId::kFreehand));
  QWidget* board = form.Controls().Image_KV;
  auto mouse = [&](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent event(type, p, board->mapToGlobal(p), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(board, &event);
  };
  for (int stroke = 0; stroke < 40; ++stroke) {
    const int top = 15 + stroke * 8;
    mouse(QEvent::MouseButtonPress, {10, top}, Qt::LeftButton);
    for (int step = 1; step < 30; ++step) {
      mouse(QEvent::MouseMove, {10 + 19 * step, top + (step % 2) * (10 + stroke % 7)},
            Qt::LeftButton);
      QCoreApplication::processEvents();
    }
    mouse(QEvent::MouseButtonRelease, {580, top}, Qt::NoButton);
    if (stroke % 2 == 0) {
      form.Controls().Edit_Mess->setText(QStringLiteral("note %1").arg(stroke / 2));
      form.Controls().SpeedButton1->click();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s FOLDER OWN_ADDRESS PEER_ADDRESS draw|watch SETTLE\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string role = argv[4];
  test::ScriptedDialogs dialogs;
  Environment env;
  env.program_dir = QString::fromLocal8Bit(argv[1]) + u'/';
  env.computer_name = role == "draw" ? "NSA" : "NSB";
  env.bind_address = QHostAddress(QString::fromLatin1(argv[2]));
  env.dialogs = &dialogs;
  env.resolve_host = [](const QString&) -> std::optional<quint32> { return std::nullopt; };
  env.broadcast_addresses = [] { return std::vector<std::string>(); };
  // To see what the same network does to copies without the extension.
  env.delivery_extension = qEnvironmentVariableIsEmpty("KOVRA_PLAIN");
  const std::string peer = argv[3];
  QFile list(env.program_dir + QStringLiteral("~ListUser.txt"));
  if (!list.open(QIODevice::WriteOnly) || list.write((peer + "=No\r\n").c_str()) < 0) return 2;
  list.close();

  TForm1 form(env);
  // However slow the build (a sanitizer's), the copies wait for each other.
  constexpr qint64 kPatienceMs = 100'000;
  const quint32 peer_address = *ParseDottedAddress(peer);
  if (role == "watch") {
    const QString done = QString::fromLocal8Bit(argv[5]);
    RunUntil([&] { return QFile::exists(done); }, kPatienceMs);
  } else {
    const auto ready = [&] {
      if (form.Links()) return form.Links()->Speaks(peer_address);
      const auto lines = form.UserList().Lines();
      return lines.size() == 1 && Correspondents::ValueOf(lines[0]) == kPresent;
    };
    if (!RunUntil(ready, kPatienceMs)) {
      std::fprintf(stderr, "the other copy never answered\n");
      return 1;
    }
    DrawAndTalk(form);
    if (form.Links())
      RunUntil([&] { return form.Links()->Waiting(peer_address) == 0; }, kPatienceMs);
    RunUntil([] { return false; }, std::stoll(argv[5]) * 1000);
  }
  form.close();
  // Nobody answers a box here: what one would have said goes to the log.
  for (const QString& said : dialogs.errors + dialogs.messages) {
    std::fprintf(stderr, "%s\n", said.toLocal8Bit().constData());
  }
  return 0;
}
