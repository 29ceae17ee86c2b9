// hushtree_texts.h - every fixed text of Hushtree's dialog.
#pragma once

#include <QString>

struct HushtreeTexts {
  QString programName;
  QString aboutAction;
  QString aboutTitle;
  QString aboutVersion;
  QString progressTitle;
  QString helpTitle;
  QString description;  ///< one line for --help

  QString processingGroup;
  QString removeDetails;
  QString yearOnly;
  QString deleteLiving;
  QString messageGroup;
  QString defaultMessage;
  QString asNote;
  QString asBirthDate;
  QString noMessage;
  QString retainNotes;
  QString removeUnreferenced;
  QString initialsOnly;
  QString cutoffLabel;
  QString forceCutoff;

  QString cutoffTip;
  QString messageTip;
  QString removeDetailsTip;
  QString yearOnlyTip;
  QString deleteLivingTip;
  QString asNoteTip;
  QString asBirthDateTip;
  QString noMessageTip;
  QString retainNotesTip;
  QString removeUnreferencedTip;
  QString forceCutoffTip;
  QString initialsOnlyTip;
  QString processTip;

  QString notAnInteger;
  QString integerOutOfRange;  ///< %1 lowest, %2 highest
  QString cleaningUp;
  QString written;
  QString aborted;
  QString writeFailed;
  QString readFailed;
  QString utf16Source;  ///< %1: the source name
  QString outOfMemory;
};

HushtreeTexts LoadHushtreeTexts();
