// five_field_setting.h - the "%d,%d,%d,%d,%d" strings in which the option dialogs keep their values.
#pragma once

#include <QString>
#include <QVariant>

#include <array>     // std::array
#include <cstddef>   // std::size_t
#include <optional>  // std::optional
#include <vector>    // std::vector

using FiveFields = std::array<int, 5>;

/// Reads five integers as sscanf("%d,%d,%d,%d,%d") would: blanks before each number and a
/// sign are accepted, the commas must follow the digits directly, anything after the fifth
/// number is ignored. Nothing when any of the five is missing.
std::optional<FiveFields> ParseFiveFields(const QString& text);

/// The same reading for any number of comma-separated integers.
std::optional<std::vector<int>> ParseIntFields(const QString& text, std::size_t count);

QString FormatFiveFields(const FiveFields& fields);

/// The text of a stored settings value. A hand-written INI line such as "Key=1,2,3" comes back
/// from QSettings as a list; it is joined again so that it reads like the text it was.
QString SettingText(const QVariant& value);
