// frame_texts.cpp - the frame's text table.
#include "frame_texts.h"

#include <QCoreApplication>

namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("FilePairFrame", text);
}

}  // namespace

FrameTexts LoadFrameTexts() {
  FrameTexts texts;
  texts.fromLabel = Tr("From");
  texts.toLabel = Tr("To");
  texts.browse = Tr("Browse");
  texts.process = Tr("Process");
  texts.exit = Tr("Exit");
  texts.cancel = Tr("Cancel");
  texts.help = Tr("&Help");

  texts.sourceTip = Tr("Source GEDCOM file name");
  texts.destinationTip = Tr("Destination GEDCOM file name");
  texts.sourceBrowseTip = Tr("Browse for source GEDCOM file");
  texts.destinationBrowseTip = Tr("Browse for destination GEDCOM file");
  texts.exitTip = Tr("Exit program");

  texts.sourceMissing = Tr("From file must be specified");
  texts.destinationMissing = Tr("To file must be specified");
  texts.sameFile = Tr("From file and To file cannot be the same file");
  texts.replaceQuestion = Tr("%1\nThis file already exists.\n\nReplace existing file ?");
  texts.openFailed = Tr("Error opening %1");
  texts.writeFailed = Tr("Error writing To file");
  texts.readFailed = Tr("Error reading From file");
  texts.cancelQuestion = Tr("Are you sure you want to Cancel?");

  texts.gedcomFilter = Tr("GEDCOM Files (*.ged)");
  texts.allFilesFilter = Tr("All Files (*)");
  texts.openTitle = Tr("Open");
  texts.saveTitle = Tr("Save As");
  return texts;
}
