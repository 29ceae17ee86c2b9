// initials.h - cutting given names to their initials.
#pragma once

#include <string>       // std::string
#include <string_view>  // std::string_view

namespace privatize {

/// Keeps the first character of each given-name word and the surname between slashes whole;
/// blanks, punctuation and slashes stay. Letters, digits, apostrophes and every non-ASCII
/// character (a UTF-8 lead byte with its continuation bytes, or any other byte above 127) are
/// word characters. "John Paul /Smith/" gives "J P /Smith/", "Mary-Ann" gives "M-A".
/// The result overwrites out, whose capacity is reused.
void ReduceToInitials(std::string_view value, std::string& out);
std::string ReduceToInitials(std::string_view value);

}  // namespace privatize
