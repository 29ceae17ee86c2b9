// hushtree_texts.cpp - Hushtree's text table.
#include "hushtree_texts.h"

#include <QCoreApplication>

namespace {
QString Tr(const char* text) {
  return QCoreApplication::translate("Hushtree", text);
}
}  // namespace

HushtreeTexts LoadHushtreeTexts() {
  HushtreeTexts texts;
  texts.programName = Tr("Hushtree");
  texts.aboutAction = Tr("&About Hushtree...");
  texts.aboutTitle = Tr("About Hushtree");
  texts.aboutVersion = Tr("Hushtree Version 1.1");
  texts.progressTitle = Tr("Privatizing GEDCOM File");
  texts.helpTitle = Tr("Hushtree Help");
  texts.description =
      Tr("Makes a copy of a GEDCOM file with the details of living individuals withheld.");

  texts.processingGroup = Tr("Processing Options");
  texts.removeDetails = Tr("Remove Details");
  texts.yearOnly = Tr("Convert date to year");
  texts.deleteLiving = Tr("Delete individuals");
  texts.messageGroup = Tr("Message");
  texts.defaultMessage = Tr("Living Individual, details withheld");
  texts.asNote = Tr("As Note");
  texts.asBirthDate = Tr("As Birth Date");
  texts.noMessage = Tr("No message");
  texts.retainNotes = Tr("Retain Notes");
  texts.removeUnreferenced = Tr("Remove Unreferenced Data");
  texts.initialsOnly = Tr("Initials Only");
  texts.cutoffLabel = Tr("Cutoff");
  texts.forceCutoff = Tr("Force Cutoff");

  texts.cutoffTip = Tr("Individuals born before this year are not considered living");
  texts.messageTip = Tr("Message that identifies living individuals");
  texts.removeDetailsTip = Tr("Remove details from living individuals");
  texts.yearOnlyTip = Tr("Replaces birth date with year only");
  texts.deleteLivingTip = Tr("Removes living individuals");
  texts.asNoteTip = Tr("Message added as a NOTE");
  texts.asBirthDateTip = Tr("Message added as Birth Date");
  texts.noMessageTip = Tr("No message will be added");
  texts.retainNotesTip = Tr("Notes for living individuals will not be removed");
  texts.removeUnreferencedTip = Tr("Sections of unreferenced data will be removed");
  texts.forceCutoffTip = Tr("Anyone born after cutoff year will be handled as living");
  texts.initialsOnlyTip = Tr("Replaces living individuals given name with initials");
  texts.processTip = Tr("Privatize GEDCOM file");

  texts.notAnInteger = Tr("Please enter an integer.");
  texts.integerOutOfRange = Tr("Please enter an integer between %1 and %2.");
  texts.cleaningUp = Tr("Cleaning up");
  texts.written = Tr("Privatized GEDCOM written");
  texts.aborted = Tr("Privatization aborted.\nAn invalid file might exist.");
  texts.writeFailed = Tr("Error writing To file");
  texts.readFailed = Tr("Error reading From file");
  texts.utf16Source =
      Tr("%1\nThis file is in UTF-16, which cannot be privatized. Save it as UTF-8 first.");
  texts.outOfMemory = Tr("Out of memory");
  return texts;
}
