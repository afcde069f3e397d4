// Runs every test inside one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/desktop.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  kovra::SpeakRussian();  // as the program does: the dialogs tests see are Russian
  kovra::UseCurrentLook();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
