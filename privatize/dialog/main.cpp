// main.cpp - Hushtree: the dialog is the whole program.
#include <QDialog>
#include <memory>  // std::make_unique

#include "hushtree_texts.h"
#include "privatizer_dialog.h"
#include "program_start.h"

int main(int argc, char* argv[]) {
  const ProgramInfo info = ProgramInfoFor(LoadHushtreeTexts(), QStringLiteral("1.1"));
  return RunDialogProgram(argc, argv, info, [] { return std::make_unique<CPrivatizerDlg>(); });
}
