// main.cpp - Lettrim: the dialog is the whole program.
#include <QDialog>
#include <memory>  // std::make_unique

#include "case_converter_dialog.h"
#include "lettrim_texts.h"
#include "program_start.h"

int main(int argc, char* argv[]) {
  const ProgramInfo info = ProgramInfoFor(LoadLettrimTexts(), QStringLiteral("1.0"));
  return RunDialogProgram(argc, argv, info, [] { return std::make_unique<CCaseConverterDlg>(); });
}
