// gedcom_writer.cpp - turns the generated population into GEDCOM records.
#include "gedcom_writer.h"

#include <algorithm>    // std::min, std::max
#include <cstddef>      // std::size_t
#include <cstdio>       // std::snprintf
#include <string>       // std::string, std::to_string
#include <string_view>  // std::string_view

#include "name_tables.h"
#include "random.h"

namespace gedgen {
namespace {

constexpr std::size_t kFlushSize = std::size_t{1} << 20;
constexpr int kLongestPieceOfNote = 120;  // where note text is cut into CONC pieces

/// Buffers output lines and writes them in blocks of about one MiB.
class LineSink {
 public:
  explicit LineSink(std::FILE* out) : out(out) { buffer.reserve(kFlushSize + 4096); }

  void Line(int level, std::string_view tag, std::string_view value = {}) {
    buffer += static_cast<char>('0' + level);
    buffer += ' ';
    buffer += tag;
    if (!value.empty()) {
      buffer += ' ';
      buffer += value;
    }
    End();
  }

  /// Added to every identifier's number from now on (each copy of the records has its own).
  void SetNumberOffset(std::int64_t offset) { numberOffset = offset; }

  /// A record's level-0 line: 0 @<prefix><number>@ <kind> [value].
  void Record(char prefix, std::int64_t number, std::string_view kind, std::string_view value = {}) {
    buffer += "0 @";
    buffer += prefix;
    buffer += std::to_string(number + numberOffset);
    buffer += "@ ";
    buffer += kind;
    if (!value.empty()) {
      buffer += ' ';
      buffer += value;
    }
    End();
  }

  /// level tag @<prefix><number>@
  void Pointer(int level, std::string_view tag, char prefix, std::int64_t number) {
    buffer += static_cast<char>('0' + level);
    buffer += ' ';
    buffer += tag;
    buffer += " @";
    buffer += prefix;
    buffer += std::to_string(number + numberOffset);
    buffer += '@';
    End();
  }

  bool Finish() {
    Flush();
    return ok && std::fflush(out) == 0;
  }
  std::uint64_t Bytes() const { return written + buffer.size(); }

 private:
  void End() {
    buffer += "\r\n";
    if (buffer.size() >= kFlushSize) Flush();
  }
  void Flush() {
    if (!buffer.empty() && std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size()) ok = false;
    written += buffer.size();
    buffer.clear();
  }

  std::FILE* out;
  std::string buffer;
  std::uint64_t written = 0;
  std::int64_t numberOffset = 0;
  bool ok = true;
};

enum class CaseStyle { AsIs, Upper, Lower, Odd };

// Upper or lower case for ASCII and the Latin-1 letters (UTF-8 lead byte C3); other bytes stay.
std::string ChangeCase(std::string_view text, CaseStyle style) {
  std::string result(text);
  bool wordStart = true;
  for (std::size_t i = 0; i < result.size(); ++i) {
    const auto c = static_cast<unsigned char>(result[i]);
    const bool upper = style == CaseStyle::Upper || (style == CaseStyle::Odd && wordStart);
    if (style == CaseStyle::AsIs) break;
    if (c >= 'a' && c <= 'z' && upper) result[i] = static_cast<char>(c - 32);
    if (c >= 'A' && c <= 'Z' && !upper) result[i] = static_cast<char>(c + 32);
    if (c == 0xC3 && i + 1 < result.size()) {
      const auto next = static_cast<unsigned char>(result[i + 1]);
      if (upper && next >= 0xA0 && next <= 0xBE && next != 0xB7) result[i + 1] = static_cast<char>(next - 0x20);
      if (!upper && next >= 0x80 && next <= 0x9E && next != 0x97) result[i + 1] = static_cast<char>(next + 0x20);
      ++i;
    }
    wordStart = c == ' ' || c == '-';
  }
  return result;
}

class GedcomComposer {
 public:
  GedcomComposer(const Population& population, std::uint64_t seed, std::FILE* out)
      : population(population), random(seed ^ 0x5EEDF00DULL), sink(out) {
    const auto people = static_cast<std::int64_t>(population.people.size());
    repositoryCount = 2 + people / 25000;
    sourceCount = 5 + people / 400;
    mediaCount = 1 + people / 60;
    noteCount = 1 + people / 30;
  }

  WriteSummary Write(std::uint64_t copies) {
    Header();
    // Identifiers of copy c start after every identifier of the copies before it.
    const auto stride = static_cast<std::int64_t>(population.people.size() + population.families.size()) +
                        noteCount + sourceCount + repositoryCount + mediaCount;
    for (std::uint64_t copy = 0; copy < copies; ++copy) {
      sink.SetNumberOffset(static_cast<std::int64_t>(copy) * stride);
      for (std::size_t i = 0; i < population.people.size(); ++i) Individual(i);
      for (std::size_t i = 0; i < population.families.size(); ++i) FamilyRecord(i);
      for (std::int64_t i = 1; i <= noteCount; ++i) NoteRecord(i);
      for (std::int64_t i = 1; i <= sourceCount; ++i) SourceRecord(i);
      for (std::int64_t i = 1; i <= repositoryCount; ++i) RepositoryRecord(i);
      for (std::int64_t i = 1; i <= mediaCount; ++i) MediaRecord(i);
    }
    sink.SetNumberOffset(0);
    sink.Line(0, "TRLR");
    WriteSummary summary;
    summary.ok = sink.Finish();
    summary.bytes = sink.Bytes();
    return summary;
  }

 private:
  void Header();
  void Individual(std::size_t index);
  void NameLines(const Person& person);
  void Event(std::string_view tag, int year, bool withPlace, bool withCitation);
  void FamilyRecord(std::size_t index);
  void NoteRecord(std::int64_t number);
  void SourceRecord(std::int64_t number);
  void RepositoryRecord(std::int64_t number);
  void MediaRecord(std::int64_t number);
  void InlineNote(int level);
  void NoteText(int level, std::string_view tag, int sentences);
  void Citation(int level);
  const std::string& Date(int year);
  std::int64_t SameComponentPerson(const Person& person);

  const Population& population;
  Random random;
  LineSink sink;
  std::string text;  // reused for composed values
  std::int64_t repositoryCount, sourceCount, mediaCount, noteCount;
};

void GedcomComposer::Header() {
  sink.Line(0, "HEAD");
  sink.Line(1, "SOUR", "GEDCOM-GEN");
  sink.Line(2, "VERS", "1.0");
  sink.Line(2, "NAME", "Benchmark file generator of the GEDCOM tools");
  sink.Line(1, "DEST", "ANY");
  sink.Line(1, "DATE", "7 DEC 2026");
  sink.Line(2, "TIME", "12:00:00");
  sink.Pointer(1, "SUBM", 'U', 1);
  sink.Line(1, "FILE", "generated.ged");
  sink.Line(1, "GEDC");
  sink.Line(2, "VERS", "5.5.1");
  sink.Line(2, "FORM", "LINEAGE-LINKED");
  sink.Line(1, "CHAR", "UTF-8");
  sink.Line(1, "LANG", "English");
  sink.Record('U', 1, "SUBM");
  sink.Line(1, "NAME", "Generated Submitter");
  sink.Line(1, "ADDR", "1 Archive Road");
  sink.Line(2, "CONT", "Leeds, England");
}

// Every date form a real file holds: exact, partial, approximate, ranges, periods, dual years,
// calendar escapes and interpreted dates, now and then in lower case.
const std::string& GedcomComposer::Date(int year) {
  text.clear();
  const std::string yearText = std::to_string(year);
  const auto day = [&] { return std::to_string(random.Between(1, 28)); };
  const auto month = [&] { return std::string(random.Pick(kMonths)); };
  const int form = random.Between(0, 99);
  if (form < 38) {
    text = day() + " " + month() + " " + yearText;
  } else if (form < 50) {
    text = month() + " " + yearText;
  } else if (form < 64) {
    text = yearText;
  } else if (form < 72) {
    text = "ABT " + yearText;
  } else if (form < 76) {
    text = "BEF " + yearText;
  } else if (form < 80) {
    text = "AFT " + yearText;
  } else if (form < 84) {
    text = "BET " + yearText + " AND " + std::to_string(year + random.Between(1, 5));
  } else if (form < 86) {
    text = "FROM " + yearText + " TO " + std::to_string(year + random.Between(1, 9));
  } else if (form < 89) {
    text = "CAL " + yearText;
  } else if (form < 91) {
    text = "EST " + yearText;
  } else if (form < 95) {
    if (year < 1752) {
      // Old style: the year began in March, so early months carry both years.
      const int next = (year + 1) % 100;
      text = day() + " " + std::string(kMonths[random.Below(3)]) + " " + yearText + "/" +
             (next < 10 ? "0" : "") + std::to_string(next);
    } else {
      text = day() + " " + month() + " " + yearText;
    }
  } else if (form < 96) {
    text = (year < 1752 ? "@#DJULIAN@ " : "@#DGREGORIAN@ ") + day() + " " + month() + " " + yearText;
  } else if (form < 97) {
    text = "INT " + yearText + " (about the time of the census)";
  } else if (form < 98) {
    text = day() + " " + month() + " " + yearText;
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  } else {
    text = day() + " " + month() + " " + yearText;
  }
  return text;
}

void GedcomComposer::Citation(int level) {
  sink.Pointer(level, "SOUR", 'S', 1 + static_cast<std::int64_t>(random.Below(sourceCount)));
  if (random.Percent(80)) sink.Line(level + 1, "PAGE", "Folio " + std::to_string(random.Between(1, 400)) + ", entry " + std::to_string(random.Between(1, 60)));
  if (random.Percent(20)) sink.Line(level + 1, "QUAY", std::to_string(random.Between(0, 3)));
}

void GedcomComposer::Event(std::string_view tag, int year, bool withPlace, bool withCitation) {
  sink.Line(1, tag);
  sink.Line(2, "DATE", Date(year));
  if (withPlace) sink.Line(2, "PLAC", random.Pick(kPlaces));
  if (withCitation) Citation(2);
}

void GedcomComposer::NameLines(const Person& person) {
  const bool female = person.sex == Sex::Female;
  const std::string_view given = female ? kFemaleGivenNames[person.givenName % kFemaleGivenNames.size()]
                                        : kMaleGivenNames[person.givenName % kMaleGivenNames.size()];
  const std::string_view surname = kSurnames[person.surname];
  const int style = random.Between(0, 99);
  std::string givenText(given), surnameText(surname);
  if (style < 15) {
    surnameText = ChangeCase(surname, CaseStyle::Upper);
  } else if (style < 20) {
    givenText = ChangeCase(given, CaseStyle::Lower);
    surnameText = ChangeCase(surname, CaseStyle::Lower);
  } else if (style < 25) {
    givenText = ChangeCase(given, CaseStyle::Upper);
    surnameText = ChangeCase(surname, CaseStyle::Upper);
  } else if (style < 28) {
    surnameText = ChangeCase(surname, CaseStyle::Odd);
  }
  std::string name = givenText + " /" + surnameText + "/";
  if (random.Percent(2)) name += random.Percent(50) ? " Jr." : " III";
  if (random.PerMille(8)) name = givenText + " " + surnameText;  // no slashes at all
  sink.Line(1, "NAME", name);
  sink.Line(2, "GIVN", givenText);
  sink.Line(2, "SURN", surnameText);
  if (random.Percent(3)) sink.Line(2, "NICK", female ? "Nan" : "Jack");
  if (female && person.spouseFamilyCount > 0 && random.Percent(10)) {
    sink.Line(1, "NAME", givenText + " /" + std::string(kSurnames[(person.surname + 7) % kSurnames.size()]) + "/");
    sink.Line(2, "TYPE", "married");
  }
}

std::int64_t GedcomComposer::SameComponentPerson(const Person& person) {
  const Component& component = population.components[static_cast<std::size_t>(person.component)];
  return component.first + 1 + static_cast<std::int64_t>(random.Below(static_cast<std::uint64_t>(component.size)));
}

void GedcomComposer::NoteText(int level, std::string_view tag, int sentences) {
  std::string note;
  for (int i = 0; i < sentences; ++i) {
    if (!note.empty()) note += ' ';
    note += random.Pick(kNoteSentences);
  }
  // First piece on the tag's line, the rest as CONC pieces cut mid-word (as programs do),
  // and now and then a new paragraph as CONT.
  std::size_t pos = std::min<std::size_t>(note.size(), kLongestPieceOfNote);
  while (pos < note.size() && (static_cast<unsigned char>(note[pos]) & 0xC0) == 0x80) ++pos;
  sink.Line(level, tag, std::string_view(note).substr(0, pos));
  while (pos < note.size()) {
    std::size_t end = std::min<std::size_t>(note.size(), pos + kLongestPieceOfNote);
    while (end < note.size() && (static_cast<unsigned char>(note[end]) & 0xC0) == 0x80) ++end;
    sink.Line(level + 1, "CONC", std::string_view(note).substr(pos, end - pos));
    pos = end;
    if (random.Percent(25)) sink.Line(level + 1, "CONT", random.Pick(kNoteSentences));
  }
  if (random.Percent(30)) sink.Line(level + 1, "CONT");  // an empty paragraph line
}

void GedcomComposer::InlineNote(int level) { NoteText(level, "NOTE", random.Between(1, 3)); }

void GedcomComposer::Individual(std::size_t index) {
  const Person& person = population.people[index];
  sink.Record('I', static_cast<std::int64_t>(index) + 1, "INDI");
  NameLines(person);
  sink.Line(1, "SEX", person.sex == Sex::Male ? "M" : person.sex == Sex::Female ? "F" : "U");
  const bool living = person.deathYear == 0 && person.birthYear > 1946;
  if (random.Percent(94)) Event("BIRT", person.birthYear, random.Percent(85), random.Percent(25));
  if (random.Percent(12)) Event("CHR", person.birthYear, true, false);
  if (person.deathYear != 0) {
    if (random.Percent(5)) {
      sink.Line(1, "DEAT", "Y");
    } else {
      Event("DEAT", person.deathYear, random.Percent(70), random.Percent(15));
      if (random.Percent(25)) Event("BURI", person.deathYear, true, false);
    }
  }
  if (random.Percent(30)) sink.Line(1, "OCCU", random.Pick(kOccupations));
  if (random.Percent(living ? 40 : 12)) {
    sink.Line(1, "RESI");
    sink.Line(2, "ADDR", random.Pick(kStreets));
    sink.Line(3, "CONT", random.Pick(kPlaces));
    sink.Line(2, "DATE", "FROM " + std::to_string(person.birthYear + 20) + " TO " + std::to_string(person.birthYear + random.Between(25, 60)));
    if (living && random.Percent(30)) sink.Line(2, "PHON", "+44 113 496 " + std::to_string(random.Between(1000, 9999)));
  }
  if (living && random.Percent(10)) sink.Line(1, "EMAIL", "someone" + std::to_string(index) + "@example.org");
  if (random.PerMille(10)) sink.Pointer(1, "ALIA", 'I', SameComponentPerson(person));
  if (random.PerMille(20)) {
    sink.Pointer(1, "ASSO", 'I', SameComponentPerson(person));
    sink.Line(2, "RELA", random.Pick(kRelations));
  }
  if (person.familyAsChild != kNobody) {
    sink.Pointer(1, "FAMC", 'F', person.familyAsChild + 1);
    if (random.PerMille(15)) sink.Line(2, "PEDI", "adopted");
  }
  for (int i = 0; i < person.spouseFamilyCount; ++i) sink.Pointer(1, "FAMS", 'F', person.spouseFamilies[static_cast<std::size_t>(i)] + 1);
  if (random.Percent(45)) Citation(1);
  if (random.Percent(3)) sink.Pointer(1, "OBJE", 'M', 1 + static_cast<std::int64_t>(random.Below(mediaCount)));
  if (random.Percent(4)) sink.Pointer(1, "NOTE", 'N', 1 + static_cast<std::int64_t>(random.Below(noteCount)));
  if (random.Percent(8)) InlineNote(1);
  if (random.Percent(60)) {
    sink.Line(1, "CHAN");
    sink.Line(2, "DATE", std::to_string(random.Between(1, 28)) + " " + std::string(random.Pick(kMonths)) + " " + std::to_string(random.Between(1998, 2026)));
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", random.Between(7, 22), random.Between(0, 59), random.Between(0, 59));
    sink.Line(3, "TIME", time);
  }
}

void GedcomComposer::FamilyRecord(std::size_t index) {
  const Family& family = population.families[index];
  sink.Record('F', static_cast<std::int64_t>(index) + 1, "FAM");
  if (family.husband != kNobody) sink.Pointer(1, "HUSB", 'I', family.husband + 1);
  if (family.wife != kNobody) sink.Pointer(1, "WIFE", 'I', family.wife + 1);
  for (std::int32_t child : family.children) sink.Pointer(1, "CHIL", 'I', child + 1);
  if (random.Percent(70)) Event("MARR", family.marriageYear, random.Percent(80), random.Percent(20));
  if (family.divorced) {
    sink.Line(1, "DIV");
    if (random.Percent(60)) sink.Line(2, "DATE", Date(family.marriageYear + random.Between(2, 20)));
  }
  if (random.Percent(5)) sink.Pointer(1, "NOTE", 'N', 1 + static_cast<std::int64_t>(random.Below(noteCount)));
  if (random.Percent(40)) {
    sink.Line(1, "CHAN");
    sink.Line(2, "DATE", std::to_string(random.Between(1, 28)) + " " + std::string(random.Pick(kMonths)) + " " + std::to_string(random.Between(1998, 2026)));
  }
}

void GedcomComposer::NoteRecord(std::int64_t number) {
  text.clear();
  // A shared note: the text starts on the level-0 line, like "0 @N1@ NOTE text".
  std::string note;
  for (int i = 0, n = random.Between(2, 6); i < n; ++i) {
    if (!note.empty()) note += ' ';
    note += random.Pick(kNoteSentences);
  }
  const std::size_t cut = std::min<std::size_t>(note.size(), 60);
  std::size_t pos = cut;
  while (pos < note.size() && (static_cast<unsigned char>(note[pos]) & 0xC0) == 0x80) ++pos;
  sink.Record('N', number, "NOTE", std::string_view(note).substr(0, pos));
  while (pos < note.size()) {
    std::size_t end = std::min<std::size_t>(note.size(), pos + kLongestPieceOfNote);
    while (end < note.size() && (static_cast<unsigned char>(note[end]) & 0xC0) == 0x80) ++end;
    sink.Line(1, random.Percent(80) ? "CONC" : "CONT", std::string_view(note).substr(pos, end - pos));
    pos = end;
  }
}

void GedcomComposer::SourceRecord(std::int64_t number) {
  sink.Record('S', number, "SOUR");
  sink.Line(1, "TITL", std::string(random.Pick(kSourceTitles)) + ", " + std::string(random.Pick(kPlaces)));
  if (random.Percent(60)) sink.Line(1, "AUTH", random.Pick(kArchives));
  if (random.Percent(40)) sink.Line(1, "PUBL", "Microfilm " + std::to_string(random.Between(100000, 999999)));
  sink.Pointer(1, "REPO", 'R', 1 + static_cast<std::int64_t>(random.Below(repositoryCount)));
  sink.Line(2, "CALN", "Ref. " + std::to_string(random.Between(1, 9999)) + "/" + std::to_string(random.Between(1, 99)));
  if (random.Percent(30)) InlineNote(1);
}

void GedcomComposer::RepositoryRecord(std::int64_t number) {
  sink.Record('R', number, "REPO");
  sink.Line(1, "NAME", random.Pick(kArchives));
  sink.Line(1, "ADDR", random.Pick(kStreets));
  sink.Line(2, "CONT", random.Pick(kPlaces));
  if (random.Percent(50)) sink.Line(1, "WWW", "https://archive.example.org/" + std::to_string(number));
}

void GedcomComposer::MediaRecord(std::int64_t number) {
  sink.Record('M', number, "OBJE");
  sink.Line(1, "FILE", "photos/scan_" + std::to_string(number) + (random.Percent(70) ? ".jpg" : ".tif"));
  sink.Line(2, "FORM", random.Percent(70) ? "jpg" : "tif");
  sink.Line(3, "TYPE", random.Percent(50) ? "photo" : "document");
  sink.Line(2, "TITL", "Scan " + std::to_string(number) + " – " + std::string(random.Pick(kSourceTitles)));
}

}  // namespace

WriteSummary WriteGedcom(const Population& population, std::uint64_t seed, std::FILE* out,
                         std::uint64_t copies) {
  GedcomComposer composer(population, seed, out);
  return composer.Write(copies == 0 ? 1 : copies);
}

}  // namespace gedgen
