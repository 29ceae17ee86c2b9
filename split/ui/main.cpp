// main.cpp - Kinprune, the desktop tool that saves a selected part of a GEDCOM file.
#include <QApplication>

#include "kinprune_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  CKinpruneApp::SetApplicationNames();
  CKinpruneApp kinprune;
  if (!kinprune.Start(QApplication::arguments())) return 1;
  return QApplication::exec();
}
