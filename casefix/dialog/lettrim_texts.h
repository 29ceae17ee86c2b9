// lettrim_texts.h - every fixed text of Lettrim's dialog.
#pragma once

#include <QString>

struct LettrimTexts {
  QString programName;
  QString aboutAction;
  QString aboutTitle;
  QString aboutVersion;
  QString progressTitle;
  QString helpTitle;
  QString description;  ///< one line for --help

  QString convertToGroup;
  QString lowercase;
  QString uppercase;
  QString surnameOnly;
  QString places;

  QString processTip;
  QString lowercaseTip;
  QString uppercaseTip;
  QString surnameOnlyTip;
  QString placesTip;

  QString completedUppercase;  ///< %1 names changed, %2 places changed
  QString completedLowercase;  ///< %1 names changed, %2 places changed
  QString aborted;
  QString writeFailed;
  QString readFailed;
  QString utf16Source;  ///< %1: the source name
};

LettrimTexts LoadLettrimTexts();
