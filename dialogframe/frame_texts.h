// frame_texts.h - every fixed text of the file-pair frame and its progress dialog.
#pragma once

#include <QString>

/// The frame's texts, translated when they are loaded.
struct FrameTexts {
  QString fromLabel;
  QString toLabel;
  QString browse;
  QString process;
  QString exit;
  QString cancel;
  QString help;

  QString sourceTip;
  QString destinationTip;
  QString sourceBrowseTip;
  QString destinationBrowseTip;
  QString exitTip;

  QString sourceMissing;
  QString destinationMissing;
  QString sameFile;
  QString replaceQuestion;  ///< %1: the destination name
  QString openFailed;       ///< %1: the file name
  QString writeFailed;
  QString readFailed;
  QString cancelQuestion;

  QString gedcomFilter;
  QString allFilesFilter;
  QString openTitle;
  QString saveTitle;
};

FrameTexts LoadFrameTexts();
