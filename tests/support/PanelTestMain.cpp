// main() of the tests that run the front panel's window: a Qt application in English whose
// event loop also serves the platform's main-thread queue, as in the program itself.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/PanelLanguage.h"
#include "app/QtHooks.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  UseLanguage(app, lnEnglish);
  InstallQtHooks();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
