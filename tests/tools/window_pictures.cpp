// Pictures of the window for the documentation: two copies on loopback,
// something drawn and said on both, each window shown at the sizes a user
// meets, saved as PNG files into the folder given.
//   kovra_window_pictures <folder> [prefix]
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QToolButton>
#include <cstdio>

#include "app/desktop.h"
#include "common/window_group.h"

using namespace kovra;
using namespace kovra::test;

namespace {

void Say(TForm1& form, const QString& text) {
  form.Controls().Edit_Mess->setText(text);
  form.Controls().SpeedButton1->click();
  QTest::qWait(50);
}

void Save(TForm1& form, QSize size, const QString& path) {
  form.setWindowState(Qt::WindowNoState);
  form.resize(size);
  form.show();
  QTest::qWait(300);
  if (!form.grab().save(path)) std::fprintf(stderr, "not saved: %s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SpeakRussian();
  UseCurrentLook();
  if (argc < 2) {
    std::fprintf(stderr, "usage: kovra_window_pictures <folder> [prefix]\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString prefix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("window");
  QDir().mkpath(folder);
  WindowGroup group(2);
  if (!group.StartListingEachOther()) return 1;
  std::vector<QPoint> wave, saw;
  for (int x = 40; x <= 520; x += 8) wave.emplace_back(x, 150 + ((x / 8) % 12 - 6) * 6);
  for (int t = 0; t <= 40; ++t) saw.emplace_back(120 + t * 8, 300 - (t % 10) * 8);
  DrawInterleaved(group, {{0, wave}});
  DrawInterleaved(group, {{1, saw}});
  Say(group.Form(0), QStringLiteral("Привет! Рисую волну слева."));
  Say(group.Form(1), QStringLiteral("Вижу. Добавил пилу ниже — посмотри, пожалуйста, "
                                    "не закрывает ли она твою подпись на доске?"));
  Say(group.Form(0), QStringLiteral("Нет, всё видно."));
  QTest::qWait(300);
  Save(group.Form(1), QSize(790, 590), folder + u'/' + prefix + QStringLiteral("-790x590.png"));
  Save(group.Form(1), QSize(1366, 768), folder + u'/' + prefix + QStringLiteral("-1366x768.png"));

  // A plan pasted from the clipboard, floating in its frame before it is put down.
  QImage plan(220, 140, QImage::Format_RGB32);
  plan.fill(QColor(250, 248, 240));
  {
    QPainter painter(&plan);
    painter.setPen(QPen(QColor(40, 60, 120), 3));
    painter.drawRect(QRect(8, 8, 204, 124));
    painter.drawLine(110, 8, 110, 90);
    painter.drawLine(8, 90, 160, 90);
    painter.setPen(QColor(40, 60, 120));
    painter.drawText(QRect(8, 20, 100, 30), Qt::AlignCenter, QStringLiteral("Кухня"));
    painter.drawText(QRect(110, 20, 100, 30), Qt::AlignCenter, QStringLiteral("Комната"));
  }
  QGuiApplication::clipboard()->setImage(plan);
  group.Form(1).resize(790, 590);
  group.Form(1).Pieces().PasteFromClipboard();
  Save(group.Form(1), QSize(790, 590), folder + u'/' + prefix + QStringLiteral("-picture.png"));
  return 0;
}
