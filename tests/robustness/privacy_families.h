// privacy_families.h - random small family files for the privacy property tests, with an
// independent record of who is presumed living.
#pragma once

#include <cstdint>  // std::int32_t, std::uint64_t
#include <set>      // std::set
#include <string>   // std::string
#include <vector>   // std::vector

namespace gedrobust {

/// One generated file and what a reader of the rules concludes from it.
struct PrivacyFixture {
  std::string text;  ///< the GEDCOM file
  /// Identifiers without @ of the individuals presumed living under the cutoff and the death
  /// rule the fixture was built for, and of the families they name in FAMS lines.
  std::set<std::string> livingIndividuals;
  std::set<std::string> livingFamilies;
  /// Living individuals that a record of a non-living individual points to with a pointer line
  /// other than FAMS (ALIA, ASSO): the dialog variant counts such references when it deletes
  /// living individuals, so their (privatized) records may remain.
  std::set<std::string> livingPointedToByOthers;
  /// Every record's text, by identifier without @, lines joined with "\n", blank lines left out.
  std::vector<std::pair<std::string, std::string>> records;
};

struct FixtureRules {
  std::int32_t cutoffYear = 1946;
  bool deathExempts = true;  ///< false when forceCutoff applies (dialog variant)
};

/// A random file of a few dozen individuals and their families: birth dates of every form
/// around the cutoff, deaths with and without details, decoy dates (christening, a source's
/// date under a birth), notes with continuations and lines without a level, blank lines, LF or
/// CR LF line ends, names with non-ASCII letters, ALIA and ASSO pointers, and sometimes no
/// trailer.
PrivacyFixture MakePrivacyFixture(std::uint64_t seed, const FixtureRules& rules);

/// The number at the end of a date value, trailing white space ignored; 0 without digits.
std::int32_t YearAtEnd(const std::string& value);

}  // namespace gedrobust
