// main.cpp - Lettrim: the dialog is the whole program.
#include <QDialog>
#include <memory>  // std::make_unique

#include "case_converter_dialog.h"
#include "lettrim_texts.h"
#include "program_start.h"

int main(int argc, char* argv[]) {
  const LettrimTexts texts = LoadLettrimTexts();
  const ProgramInfo info{texts.programName, QStringLiteral("1.0"), texts.aboutVersion,
                         texts.description};
  return RunDialogProgram(argc, argv, info, [] { return std::make_unique<CCaseConverterDlg>(); });
}
