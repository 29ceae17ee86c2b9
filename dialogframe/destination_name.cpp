// destination_name.cpp - proposing a destination name.
#include "destination_name.h"

QString ProposeDestinationName(const QString& sourceName) {
  const QLatin1String kSuffix("New");
  const qsizetype fileNameStart = sourceName.lastIndexOf(QLatin1Char('/')) + 1;
  const qsizetype dot = sourceName.lastIndexOf(QLatin1Char('.'));
  if (dot > fileNameStart) return sourceName.left(dot) + kSuffix + sourceName.mid(dot);
  return sourceName + kSuffix;
}
