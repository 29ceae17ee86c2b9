// lettrim_texts.h - every fixed text of Lettrim's dialog: its program texts and its options'.
#pragma once

#include <QString>

#include "program_texts.h"

struct LettrimTexts : ProgramTexts {
  QString convertToGroup;
  QString lowercase;
  QString uppercase;
  QString surnameOnly;
  QString places;

  QString lowercaseTip;
  QString uppercaseTip;
  QString surnameOnlyTip;
  QString placesTip;

  QString completedUppercase;  ///< %1 names changed, %2 places changed
  QString completedLowercase;  ///< %1 names changed, %2 places changed
};

LettrimTexts LoadLettrimTexts();
