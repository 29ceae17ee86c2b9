// program_texts.h - the texts every file-pair dialog program names itself and its job with,
// and the frame settings and command-line facts made of them.
#pragma once

#include <QIcon>
#include <QString>

#include "file_pair_dialog.h"
#include "program_start.h"

/// A program's own text table adds the texts of its options to these.
struct ProgramTexts {
  QString programName;
  QString aboutAction;
  QString aboutTitle;
  QString aboutVersion;
  QString progressTitle;
  QString helpTitle;
  QString description;  ///< one line for --help

  QString processTip;

  QString aborted;
  QString writeFailed;
  QString readFailed;
  QString utf16Source;  ///< %1: the source name
};

/// The icon ":/icons/<program>-<size>.png" in every size a program ships ("lettrim").
QIcon ProgramIcon(const QString& program);

/// The frame's settings for a program whose icon and help pages are named program ("lettrim").
/// A Yes to the replace question asks again on every run.
FilePairSettings FilePairSettingsFor(const ProgramTexts& texts, const QString& program);

/// What the command line tells about a program of this version ("1.0").
ProgramInfo ProgramInfoFor(const ProgramTexts& texts, const QString& version);
