// main.cpp - Hushtree: the dialog is the whole program.
#include <QApplication>

#include "privatizer_dialog.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Hushtree");
  CPrivatizerDlg dialog;
  QApplication::setWindowIcon(dialog.windowIcon());
  dialog.exec();
  return 0;
}
