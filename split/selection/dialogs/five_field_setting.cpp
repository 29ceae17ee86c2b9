// five_field_setting.cpp - the "%d,%d,%d,%d,%d" strings in which the option dialogs keep their values.
#include "five_field_setting.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>  // std::copy
#include <cerrno>    // errno, ERANGE
#include <climits>   // INT_MIN, INT_MAX
#include <cstdlib>   // std::strtol

std::optional<std::vector<int>> ParseIntFields(const QString& text, std::size_t count) {
  const QByteArray bytes = text.toLatin1();
  const char* cursor = bytes.constData();
  std::vector<int> fields(count, 0);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) {
      if (*cursor != ',') return std::nullopt;
      ++cursor;
    }
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(cursor, &end, 10);
    if (end == cursor) return std::nullopt;
    // An out-of-range number saturates rather than wrapping into a plausible-looking value.
    if (errno == ERANGE || number > INT_MAX) {
      fields[i] = number < 0 ? INT_MIN : INT_MAX;
    } else if (number < INT_MIN) {
      fields[i] = INT_MIN;
    } else {
      fields[i] = static_cast<int>(number);
    }
    cursor = end;
  }
  return fields;
}

std::optional<FiveFields> ParseFiveFields(const QString& text) {
  const std::optional<std::vector<int>> fields = ParseIntFields(text, FiveFields().size());
  if (!fields) return std::nullopt;
  FiveFields five{};
  std::copy(fields->begin(), fields->end(), five.begin());
  return five;
}

QString FormatFiveFields(const FiveFields& fields) {
  return QStringLiteral("%1,%2,%3,%4,%5")
      .arg(fields[0])
      .arg(fields[1])
      .arg(fields[2])
      .arg(fields[3])
      .arg(fields[4]);
}

QString SettingText(const QVariant& value) {
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u',');
  return value.toString();
}
