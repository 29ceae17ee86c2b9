// hushtree_texts.h - every fixed text of Hushtree's dialog: its program texts and its options'.
#pragma once

#include <QString>

#include "program_texts.h"

struct HushtreeTexts : ProgramTexts {
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

  QString notAnInteger;
  QString integerOutOfRange;  ///< %1 lowest, %2 highest
  QString cleaningUp;
  QString written;
  QString outOfMemory;
};

HushtreeTexts LoadHushtreeTexts();
