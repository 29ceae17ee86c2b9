// privacy_property_test.cpp - the privatizer over hundreds of random family files with random
// modes and options: whoever is presumed living keeps nothing the chosen mode does not allow.
// Who is living is decided here from how each file was built, not by the engine's own scan.
#include <gtest/gtest.h>

#include <cstdint>      // std::uint64_t
#include <map>          // std::map
#include <set>          // std::set
#include <sstream>      // std::istringstream, std::ostringstream
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

#include "privacy_families.h"
#include "privatizer.h"
#include "random.h"
#include "robustness_support.h"

namespace {

using privatize::MessagePlacement;
using privatize::PrivatizerVariant;
using privatize::PrivatizeOptions;
using privatize::ProcessingMode;

constexpr int kRuns = 600;

class QuietHooks : public privatize::PrivatizerHooks {
 public:
  void PassStarted(privatize::PrivatizerPass) override {}
};

/// The options as the rules say a run applies them, worked out here independently.
struct Effective {
  PrivatizerVariant variant;
  ProcessingMode mode;
  MessagePlacement placement;
  std::string message;  // empty: no message anywhere
  bool removeUnreferenced;
  bool retainNotes;
  bool initialsOnly;
  bool forceCutoff;
};

Effective MakeEffective(const PrivatizeOptions& options, PrivatizerVariant variant) {
  const bool console = variant == PrivatizerVariant::Console;
  Effective effective{variant, options.mode, options.placement, options.message,
                      options.removeUnreferenced, options.retainNotes,
                      !console && options.initialsOnly, !console && options.forceCutoff};
  if (options.placement == MessagePlacement::NoMessage) effective.message.clear();
  if (options.mode == ProcessingMode::YearOnly) {
    effective.message.clear();
    if (console) effective.removeUnreferenced = false;
  }
  if (options.mode == ProcessingMode::DeleteLiving) {
    effective.message.clear();
    effective.removeUnreferenced = true;
  }
  if (console && options.xrefMessage && !effective.message.empty()) effective.message = "@HUSHTREE@";
  return effective;
}

struct OutputLine {
  bool hasLevel = false;
  int level = 0;
  std::string tag;
  std::string value;
  std::string text;
};

OutputLine Split(const std::string& text) {
  OutputLine line;
  line.text = text;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  line.hasLevel = i < text.size() && text[i] >= '0' && text[i] <= '9';
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') line.level = line.level * 10 + (text[i++] - '0');
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t tagStart = i;
  while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
  line.tag = text.substr(tagStart, i - tagStart);
  if (i < text.size()) line.value = text.substr(i + 1);
  return line;
}

struct OutputRecord {
  std::string id;  // without @, empty for HEAD and TRLR
  std::string kind;
  std::vector<OutputLine> lines;
  std::string Text() const {
    std::string text;
    for (const OutputLine& line : lines) text += (text.empty() ? "" : "\n") + line.text;
    return text;
  }
};

std::vector<OutputRecord> SplitRecords(const std::string& output) {
  std::vector<OutputRecord> records;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find("\r\n", start);
    if (end == std::string::npos) end = output.size();
    OutputLine line = Split(output.substr(start, end - start));
    start = end + 2;
    if ((line.hasLevel && line.level == 0) || records.empty()) {
      OutputRecord record;
      if (line.tag.size() >= 2 && line.tag.front() == '@' && line.tag.back() == '@') {
        for (char c : line.tag) {
          if (c != '@') record.id += c;
        }
      }
      record.kind = line.value;
      records.push_back(std::move(record));
    }
    records.back().lines.push_back(std::move(line));
  }
  return records;
}

/// Given names cut to initials: outside the slashes, no word longer than one character, a
/// UTF-8 sequence counting as one character.
bool OnlyInitials(std::string_view value) {
  if (value.size() >= 2 && value.front() == '@' && value.back() == '@') return true;
  bool inSurname = false;
  int wordLength = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    if (c == '/') {
      inSurname = !inSurname;
      wordLength = 0;
      continue;
    }
    const bool wordCharacter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '\'' || c >= 0x80;
    if (!wordCharacter) {
      wordLength = 0;
      continue;
    }
    if ((c & 0xC0) == 0x80) continue;  // continuation byte of the same character
    if (!inSurname && ++wordLength > 1) return false;
  }
  return true;
}

std::string Describe(const Effective& effective, const PrivatizeOptions& options, std::uint64_t seed) {
  std::ostringstream text;
  text << "seed " << seed << ", variant " << (effective.variant == PrivatizerVariant::Console ? "Console" : "Dialog")
       << ", mode " << static_cast<int>(options.mode) << ", placement " << static_cast<int>(options.placement)
       << ", cutoff " << options.cutoffYear << ", message \"" << options.message << "\""
       << ", retainNotes " << options.retainNotes << ", removeUnreferenced " << options.removeUnreferenced
       << ", initialsOnly " << options.initialsOnly << ", forceCutoff " << options.forceCutoff
       << ", xrefMessage " << options.xrefMessage;
  return text.str();
}

/// What one line of a living individual's or family's record may be under RemoveDetails and
/// DeleteLiving.
bool AllowedInLivingRecord(const OutputLine& line, const std::string& parentTag, bool individual,
                           const Effective& effective) {
  static const std::set<std::string> kKeep = {"SEX", "NAME", "FAMS", "FAMC", "CHIL", "HUSB", "WIFE"};
  if (!line.hasLevel) return false;  // lines without a level are dropped from living records
  if (kKeep.count(line.tag)) return true;
  if (effective.retainNotes && line.tag == "NOTE") return true;
  const bool dialog = effective.variant == PrivatizerVariant::Dialog;
  if (dialog && effective.retainNotes && parentTag == "NOTE") return true;
  if (dialog && effective.initialsOnly && individual && (line.tag == "GIVN" || line.tag == "ALIA")) return true;
  if (individual && !effective.message.empty()) {
    if (effective.placement == MessagePlacement::AsNote && line.text == "1 NOTE " + effective.message) return true;
    if (effective.placement == MessagePlacement::AsBirthDate &&
        (line.text == "1 BIRT" || line.text == "2 DATE " + effective.message)) {
      return true;
    }
  }
  return false;
}

void CheckLivingRecord(const OutputRecord& record, bool individual, const Effective& effective,
                       const std::string& context) {
  std::map<int, std::string> tags;  // the output's own tag stack
  for (std::size_t i = 1; i < record.lines.size(); ++i) {
    const OutputLine& line = record.lines[i];
    const std::string parentTag = line.hasLevel && line.level > 0 && tags.count(line.level - 1) ? tags[line.level - 1] : "";
    if (line.hasLevel) {
      tags.erase(tags.lower_bound(line.level), tags.end());
      tags[line.level] = line.tag;
    }
    if (effective.mode == ProcessingMode::YearOnly) {
      if (line.tag == "DATE") {
        EXPECT_TRUE(!line.value.empty() && line.value.find_first_not_of("0123456789") == std::string::npos)
            << "a full date survives YearOnly in living record @" << record.id << "@: " << line.text << "\n" << context;
      }
    } else {
      EXPECT_TRUE(AllowedInLivingRecord(line, parentTag, individual, effective))
          << "living record @" << record.id << "@ keeps \"" << line.text << "\"\n" << context;
    }
    if (individual && effective.initialsOnly && (line.tag == "NAME" || line.tag == "GIVN" || line.tag == "ALIA")) {
      EXPECT_TRUE(OnlyInitials(line.value))
          << "a given name survives Initials Only in @" << record.id << "@: " << line.text << "\n" << context;
    }
  }
  if (individual && effective.mode == ProcessingMode::RemoveDetails && !effective.message.empty() &&
      effective.placement == MessagePlacement::AsNote) {
    EXPECT_EQ(record.lines.back().text, "1 NOTE " + effective.message)
        << "living individual @" << record.id << "@ is not marked\n" << context;
  }
}

PrivatizeOptions RandomOptions(gedgen::Random& random) {
  PrivatizeOptions options;
  options.cutoffYear = random.Percent(50) ? 1946 : random.Between(1900, 2015);
  options.mode = static_cast<ProcessingMode>(random.Below(3));
  options.placement = static_cast<MessagePlacement>(random.Below(3));
  const char* messages[] = {"Living individual, details withheld", "", "Privé – détails retirés"};
  options.message = messages[random.Below(3)];
  options.retainNotes = random.Percent(40);
  options.removeUnreferenced = random.Percent(40);
  options.initialsOnly = random.Percent(40);
  options.forceCutoff = random.Percent(30);
  options.xrefMessage = random.Percent(30);
  return options;
}

TEST(PrivacyPropertyTest, LivingIndividualsKeepOnlyWhatTheirModeAllows) {
  for (std::uint64_t seed = 1; seed <= kRuns; ++seed) {
    gedgen::Random random(seed * 7919);
    const PrivatizeOptions options = RandomOptions(random);
    const auto variant = random.Percent(50) ? PrivatizerVariant::Console : PrivatizerVariant::Dialog;
    const Effective effective = MakeEffective(options, variant);
    gedrobust::FixtureRules rules;
    rules.cutoffYear = options.cutoffYear;
    rules.deathExempts = !effective.forceCutoff;
    const gedrobust::PrivacyFixture fixture = gedrobust::MakePrivacyFixture(seed, rules);

    std::istringstream source(fixture.text, std::ios::in | std::ios::binary);
    std::ostringstream destination(std::ios::out | std::ios::binary);
    QuietHooks hooks;
    const privatize::PrivatizeResult result = privatize::RunPrivatizer(source, destination, options, variant, hooks);
    const std::string output = destination.str();
    const std::string context = Describe(effective, options, seed) + "\n--- input:\n" + fixture.text +
                                "\n--- output:\n" + output;
    ASSERT_EQ(result.outcome, privatize::PrivatizeOutcome::Completed) << context;
    ASSERT_TRUE(gedrobust::EveryLineEndsInCrLf(output)) << context;

    const std::vector<OutputRecord> records = SplitRecords(output);
    std::set<std::string> present;
    for (const OutputRecord& record : records) {
      present.insert(record.id);
      const bool livingIndividual = fixture.livingIndividuals.count(record.id) > 0;
      const bool livingFamily = fixture.livingFamilies.count(record.id) > 0;
      if (livingIndividual && effective.mode == ProcessingMode::DeleteLiving) {
        // The one exception: the dialog variant counts the ALIA and ASSO pointers of
        // individuals who are not living, so such a living individual may stay (privatized).
        const bool dialogException = variant == PrivatizerVariant::Dialog && fixture.livingPointedToByOthers.count(record.id);
        EXPECT_TRUE(dialogException) << "DeleteLiving left living individual @" << record.id << "@\n" << context;
      }
      if (livingIndividual || livingFamily) CheckLivingRecord(record, livingIndividual, effective, context);
    }

    // Nothing is lost on the way: without removal, every record of someone not living is copied
    // exactly (blank lines are no GEDCOM lines and go).
    if (!effective.removeUnreferenced) {
      std::map<std::string, std::string> written;
      for (const OutputRecord& record : records) written[record.id] = record.Text();
      for (const auto& [id, text] : fixture.records) {
        if (id.empty() || fixture.livingIndividuals.count(id) || fixture.livingFamilies.count(id)) continue;
        EXPECT_EQ(written[id], text) << "record @" << id << "@ was changed\n" << context;
      }
      for (const std::string& id : fixture.livingIndividuals) {
        EXPECT_TRUE(present.count(id)) << "living individual @" << id << "@ vanished\n" << context;
      }
    }
    if (::testing::Test::HasFailure()) break;  // one reproducible seed is enough
  }
}

// The engine's own decision and the independent one agree on who is living.
TEST(PrivacyPropertyTest, LivingCountMatchesAnIndependentReading) {
  for (std::uint64_t seed = 1; seed <= kRuns; ++seed) {
    PrivatizeOptions options;
    options.cutoffYear = 1946 + static_cast<int>(seed % 7) - 3;
    options.forceCutoff = seed % 2 == 0;
    const auto variant = seed % 3 == 0 ? PrivatizerVariant::Console : PrivatizerVariant::Dialog;
    gedrobust::FixtureRules rules;
    rules.cutoffYear = options.cutoffYear;
    rules.deathExempts = !(options.forceCutoff && variant == PrivatizerVariant::Dialog);
    const gedrobust::PrivacyFixture fixture = gedrobust::MakePrivacyFixture(seed, rules);
    std::istringstream source(fixture.text, std::ios::in | std::ios::binary);
    std::ostringstream destination(std::ios::out | std::ios::binary);
    QuietHooks hooks;
    const privatize::PrivatizeResult result = privatize::RunPrivatizer(source, destination, options, variant, hooks);
    ASSERT_EQ(result.livingCount, fixture.livingIndividuals.size())
        << "seed " << seed << ", cutoff " << options.cutoffYear << ", forceCutoff " << options.forceCutoff
        << "\n--- input:\n" << fixture.text;
  }
}

}  // namespace
