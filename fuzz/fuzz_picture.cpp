// The picture loader on arbitrary files: a board within the size limit or
// the picture error, never a crash or a runaway allocation.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "board/board_files.h"
#include "board/canvas.h"
#include "support/error_guard.h"

using namespace kovra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static int argc = 1;
  static char name[] = "fuzz_picture";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("picture.bmp"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  try {
    const QImage image = ReadBoardPicture(path);
    if (image.isNull() || !BoardCanvas::SizeAllowed(image.width(), image.height())) std::abort();
  } catch (const Error&) {
  }
  return 0;
}
