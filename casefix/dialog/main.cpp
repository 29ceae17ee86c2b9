// main.cpp - Lettrim: the dialog is the whole program.
#include <QApplication>

#include "case_converter_dialog.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Lettrim");
  CCaseConverterDlg dialog;
  QApplication::setWindowIcon(dialog.windowIcon());
  dialog.exec();
  return 0;
}
