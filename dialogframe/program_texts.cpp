// program_texts.cpp - the frame settings and command-line facts made of a program's texts.
#include "program_texts.h"

#include <QSize>

QIcon ProgramIcon(const QString& program) {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QString(":/icons/%1-%2.png").arg(program).arg(size), QSize(size, size));
  }
  return icon;
}

FilePairSettings FilePairSettingsFor(const ProgramTexts& texts, const QString& program) {
  FilePairSettings settings;
  settings.identity = {texts.programName, texts.aboutTitle, texts.aboutVersion,
                       ProgramIcon(program)};
  settings.progressTitle = texts.progressTitle;
  settings.aboutActionText = texts.aboutAction;
  settings.processTip = texts.processTip;
  settings.helpProgram = program;
  settings.helpTitle = texts.helpTitle;
  settings.replaceAnswerConfirmsDestination = false;
  return settings;
}

ProgramInfo ProgramInfoFor(const ProgramTexts& texts, const QString& version) {
  return {texts.programName, version, texts.aboutVersion, texts.description};
}
