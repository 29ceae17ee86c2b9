// lettrim_texts.cpp - Lettrim's text table.
#include "lettrim_texts.h"

#include <QCoreApplication>

namespace {
QString Tr(const char* text) {
  return QCoreApplication::translate("Lettrim", text);
}
}  // namespace

LettrimTexts LoadLettrimTexts() {
  LettrimTexts texts;
  texts.programName = Tr("Lettrim");
  texts.aboutAction = Tr("&About Lettrim...");
  texts.aboutTitle = Tr("About Lettrim");
  texts.aboutVersion = Tr("Lettrim Version 1.0");
  texts.progressTitle = Tr("Building New GEDCOM");
  texts.helpTitle = Tr("Lettrim Help");
  texts.description =
      Tr("Writes a copy of a GEDCOM file with names and places in upper or capitalised case.");

  texts.convertToGroup = Tr("Convert To");
  texts.lowercase = Tr("Lowercase");
  texts.uppercase = Tr("Uppercase");
  texts.surnameOnly = Tr("Surname only");
  texts.places = Tr("Places");

  texts.processTip = Tr("Start conversion");
  texts.lowercaseTip = Tr("Change case to lowercase");
  texts.uppercaseTip = Tr("Change case to upper");
  texts.surnameOnlyTip = Tr("Change case of surname only");
  texts.placesTip = Tr("Change case of places");

  texts.completedUppercase =
      Tr("Conversion to uppercase completed\n%1 names changed, %2 places changed");
  texts.completedLowercase =
      Tr("Conversion to lowercase completed\n%1 names changed, %2 places changed");
  texts.aborted = Tr("Conversion aborted.\nAn invalid file might exist.");
  texts.writeFailed = Tr("Error writing To file");
  texts.readFailed = Tr("Error reading From file");
  texts.utf16Source =
      Tr("%1\nThis file is in UTF-16, which cannot be converted. Save it as UTF-8 first.");
  return texts;
}
