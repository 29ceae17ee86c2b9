// privacy_families.cpp - random small family files for the privacy property tests.
#include "privacy_families.h"

#include <array>        // std::array
#include <cstddef>      // std::size_t
#include <cstdint>      // INT32_MAX
#include <utility>      // std::move
#include <string_view>  // std::string_view

#include "random.h"

namespace gedrobust {
namespace {

using namespace std::string_view_literals;

constexpr std::array kGivenNames = {"John"sv,  "Mary-Ann"sv, "Jürgen"sv, "Åsa Maria"sv, "O'Neil"sv,
                                    "Zoë"sv,   "Peter Paul"sv, "Łucja"sv, "J. R."sv,    "Anne-Marie Louise"sv};
constexpr std::array kSurnames = {"Smith"sv, "van der Berg"sv, "Müller"sv, "O'Brien"sv, "Ñúñez"sv, "Ng"sv};
constexpr std::array kPlaces = {"Leeds, England"sv, "Zürich"sv, "Kraków, Polska"sv, "Oslo"sv};
constexpr std::array kMonths = {"JAN"sv, "MAR"sv, "JUN"sv, "SEP"sv, "DEC"sv};

struct Person {
  std::string id;  // without @
  int familyAsChild = -1;
  std::vector<int> spouseFamilies;
  std::vector<int> pointsTo;  // individuals named by ALIA or ASSO lines
  bool bornAfterCutoff = false;
  bool hasDeath = false;
};

struct Family {
  int husband = -1;
  int wife = -1;
  std::vector<int> children;
};

class FixtureBuilder {
 public:
  FixtureBuilder(std::uint64_t seed, const FixtureRules& rules) : random(seed), rules(rules) {}
  PrivacyFixture Build();

 private:
  void PlanFamilies();
  void Individual(Person& person);
  void Births(Person& person);
  void Death(Person& person);
  void FamilyRecord(std::size_t index);
  void Note(int level);
  std::string DateValue(int year);
  int BirthYear() {
    // Half near the cutoff, where an off-by-one leaks; the rest anywhere.
    return random.Percent(50) ? rules.cutoffYear + random.Between(-2, 2) : random.Between(1850, 2020);
  }
  void Line(std::string line) { lines.push_back(std::move(line)); }
  std::string Pointer(char prefix, std::size_t index) const { return "@" + std::string(1, prefix) + std::to_string(index + 1) + "@"; }

  gedgen::Random random;
  FixtureRules rules;
  std::vector<Person> people;
  std::vector<Family> families;
  std::vector<std::string> lines;
};

std::string FixtureBuilder::DateValue(int year) {
  const std::string y = std::to_string(year);
  const std::string month(random.Pick(kMonths));
  switch (random.Between(0, 13)) {
    case 0: return y;
    case 1: return std::to_string(random.Between(1, 28)) + " " + month + " " + y;
    case 2: return "ABT " + y;
    case 3: return "BEF " + y;
    case 4: return "AFT " + y;
    case 5: return "BET " + std::to_string(year - 5) + " AND " + y;
    case 6: return "FROM " + std::to_string(year - 3) + " TO " + y;
    case 7: return "1 " + month + " " + y + "/" + std::to_string((year + 1) % 100);  // dual year
    case 8: return "5 " + month + " " + y + " ";                                     // trailing blank
    case 9: return y + "\t";
    case 10: return "12 mar " + y;
    case 11: return "INT " + y + " (from the census)";  // ends in no digit: no year
    case 12: return "@#DJULIAN@ " + y;
    default: return month + " " + y;
  }
}

void FixtureBuilder::PlanFamilies() {
  const int count = random.Between(6, 36);
  for (int i = 0; i < count; ++i) {
    Person person;
    person.id = "I" + std::to_string(i + 1);
    people.push_back(std::move(person));
  }
  const int familyCount = count / 3 + random.Between(0, 2);
  for (int f = 0; f < familyCount; ++f) {
    Family family;
    family.husband = random.Percent(90) ? static_cast<int>(random.Below(people.size())) : -1;
    family.wife = random.Percent(90) ? static_cast<int>(random.Below(people.size())) : -1;
    if (family.wife == family.husband) family.wife = -1;
    for (int c = random.Between(0, 3); c > 0; --c) {
      const int child = static_cast<int>(random.Below(people.size()));
      if (child == family.husband || child == family.wife || people[static_cast<std::size_t>(child)].familyAsChild >= 0) continue;
      people[static_cast<std::size_t>(child)].familyAsChild = f;
      family.children.push_back(child);
    }
    for (int spouse : {family.husband, family.wife}) {
      if (spouse >= 0) people[static_cast<std::size_t>(spouse)].spouseFamilies.push_back(f);
    }
    families.push_back(family);
  }
}

void FixtureBuilder::Note(int level) {
  Line(std::to_string(level) + " NOTE Lives at 12 Church Lane; phone 0113 496 0000");
  if (random.Percent(60)) Line(std::to_string(level + 1) + " CONT born in the old farmhouse");
  // A bare line feed inside a note leaves a line without a level (mended rule: it belongs to
  // the record and is dropped from a living one).
  if (random.Percent(30)) Line("where the family lived until 1990");
  if (random.Percent(40)) Line(std::to_string(level + 1) + " CONC , near the mill.");
}

void FixtureBuilder::Births(Person& person) {
  for (int births = random.Percent(85) ? (random.Percent(10) ? 2 : 1) : 0; births > 0; --births) {
    Line("1 BIRT");
    if (random.Percent(90)) {
      const std::string date = DateValue(BirthYear());
      Line("2 DATE " + date);
      if (YearAtEnd(date) > rules.cutoffYear) person.bornAfterCutoff = true;
    }
    if (random.Percent(60)) Line("2 PLAC " + std::string(random.Pick(kPlaces)));
    if (random.Percent(25)) {
      // A source's date under the birth is no birth date.
      Line("2 SOUR @S1@");
      Line("3 DATE " + std::to_string(random.Between(1990, 2020)));
      Line("3 PAGE Entry " + std::to_string(random.Between(1, 300)));
    }
    if (random.Percent(15)) Note(2);
  }
  if (random.Percent(20)) {
    Line("1 CHR");  // a christening after the cutoff makes nobody living
    Line("2 DATE " + DateValue(random.Between(1940, 2020)));
    Line("2 PLAC " + std::string(random.Pick(kPlaces)));
  }
}

void FixtureBuilder::Death(Person& person) {
  switch (random.Between(0, 6)) {
    case 1:
      Line("1 DEAT Y");  // nothing under it: no death
      break;
    case 2:
      Line("1 DEAT");
      Line("2 DATE " + DateValue(random.Between(1950, 2024)));
      person.hasDeath = true;
      break;
    case 3:
      Line("1 DEAT");
      Line("2 PLAC " + std::string(random.Pick(kPlaces)));
      person.hasDeath = true;
      break;
    case 4:
      Line("1 DEAT Y");
      Line("2 SOUR @S1@");
      person.hasDeath = true;
      break;
    case 5:
      Line("1 BURI");  // a burial is no death
      Line("2 DATE " + DateValue(random.Between(1950, 2024)));
      break;
    default:
      break;
  }
}

void FixtureBuilder::Individual(Person& person) {
  Line("0 @" + person.id + "@ INDI");
  const std::string given(random.Pick(kGivenNames));
  const std::string surname(random.Pick(kSurnames));
  Line("1 NAME " + given + " /" + surname + "/" + (random.Percent(10) ? " Jr." : ""));
  if (random.Percent(70)) Line("2 GIVN " + given);
  if (random.Percent(70)) Line("2 SURN " + surname);
  if (random.Percent(10)) Line("2 NICK Bud");
  Line(random.Percent(50) ? "1 SEX M" : "1 SEX F");
  Births(person);
  Death(person);
  if (random.Percent(30)) {
    Line("1 RESI");
    Line("2 ADDR 4 Mill Road");
    Line("3 CONT Leeds LS1 4AP");
    Line("2 DATE FROM 1990 TO 2020");
  }
  if (random.Percent(30)) Line("1 OCCU Teacher");
  if (random.Percent(15)) Line("1 EMAIL someone@example.org");
  if (random.Percent(20)) {
    const auto other = static_cast<int>(random.Below(people.size()));
    person.pointsTo.push_back(other);
    Line("1 ALIA " + Pointer('I', static_cast<std::size_t>(other)));
  }
  if (random.Percent(10)) Line("1 ALIA " + std::string(random.Pick(kGivenNames)) + " /Alias/");
  if (random.Percent(20)) {
    const auto other = static_cast<int>(random.Below(people.size()));
    person.pointsTo.push_back(other);
    Line("1 ASSO " + Pointer('I', static_cast<std::size_t>(other)));
    Line("2 RELA Godparent");
  }
  if (person.familyAsChild >= 0) Line("1 FAMC " + Pointer('F', static_cast<std::size_t>(person.familyAsChild)));
  for (int family : person.spouseFamilies) Line("1 FAMS " + Pointer('F', static_cast<std::size_t>(family)));
  if (random.Percent(30)) Note(1);
  if (random.Percent(15)) Line("1 NOTE @N1@");
  if (random.Percent(30)) {
    Line("1 SOUR @S1@");
    Line("2 PAGE Folio " + std::to_string(random.Between(1, 99)));
  }
  if (random.Percent(25)) {
    Line("1 CHAN");
    Line("2 DATE 3 MAR 2021");
  }
}

void FixtureBuilder::FamilyRecord(std::size_t index) {
  const Family& family = families[index];
  Line("0 " + Pointer('F', index) + " FAM");
  if (family.husband >= 0) Line("1 HUSB " + Pointer('I', static_cast<std::size_t>(family.husband)));
  if (family.wife >= 0) Line("1 WIFE " + Pointer('I', static_cast<std::size_t>(family.wife)));
  for (int child : family.children) Line("1 CHIL " + Pointer('I', static_cast<std::size_t>(child)));
  if (random.Percent(60)) {
    Line("1 MARR");
    Line("2 DATE " + DateValue(random.Between(1960, 2015)));
    Line("2 PLAC " + std::string(random.Pick(kPlaces)));
  }
  if (random.Percent(20)) Note(1);
}

PrivacyFixture FixtureBuilder::Build() {
  PlanFamilies();
  Line("0 HEAD");
  Line("1 SOUR PRIVACY-TEST");
  Line("1 CHAR UTF-8");
  for (Person& person : people) Individual(person);
  for (std::size_t f = 0; f < families.size(); ++f) FamilyRecord(f);
  Line("0 @N1@ NOTE A shared note about the family");
  Line("1 CONT with a second line");
  Line("0 @S1@ SOUR");
  Line("1 TITL Parish register");
  Line("1 REPO @R1@");
  Line("0 @R1@ REPO");
  Line("1 NAME County archive");
  const bool trailer = random.Percent(85);
  if (trailer) Line("0 TRLR");

  PrivacyFixture fixture;
  for (const Person& person : people) {
    if (person.bornAfterCutoff && !(person.hasDeath && rules.deathExempts)) {
      fixture.livingIndividuals.insert(person.id);
      for (int family : person.spouseFamilies) fixture.livingFamilies.insert("F" + std::to_string(family + 1));
    }
  }
  for (const Person& person : people) {
    if (fixture.livingIndividuals.count(person.id)) continue;
    for (int other : person.pointsTo) {
      const std::string& target = people[static_cast<std::size_t>(other)].id;
      if (fixture.livingIndividuals.count(target)) fixture.livingPointedToByOthers.insert(target);
    }
  }

  // Records by identifier, before blank lines go in.
  for (const std::string& line : lines) {
    if (line.starts_with("0 @")) {
      fixture.records.emplace_back(line.substr(3, line.find('@', 3) - 3), std::string());
    } else if (line.starts_with("0 ")) {
      fixture.records.emplace_back(std::string(), std::string());
    }
    std::string& text = fixture.records.back().second;
    if (!text.empty()) text += '\n';
    text += line;
  }

  // The file: CR LF or LF line ends, and now and then a blank line, which is no GEDCOM line.
  const std::string_view end = random.Percent(70) ? "\r\n" : "\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    fixture.text += lines[i];
    fixture.text += end;
    if (i + 1 < lines.size() && random.Percent(4)) {
      fixture.text += random.Percent(50) ? "" : "   ";
      fixture.text += end;
    }
  }
  return fixture;
}

}  // namespace

std::int32_t YearAtEnd(const std::string& value) {
  std::size_t end = value.size();
  while (end > 0 && (value[end - 1] == ' ' || value[end - 1] == '\t' || value[end - 1] == '\r' ||
                     value[end - 1] == '\n' || value[end - 1] == '\v' || value[end - 1] == '\f')) {
    --end;
  }
  std::size_t start = end;
  while (start > 0 && value[start - 1] >= '0' && value[start - 1] <= '9') --start;
  std::int64_t year = 0;
  for (std::size_t i = start; i < end && year < INT32_MAX; ++i) year = year * 10 + (value[i] - '0');
  return static_cast<std::int32_t>(year > INT32_MAX ? INT32_MAX : year);
}

PrivacyFixture MakePrivacyFixture(std::uint64_t seed, const FixtureRules& rules) {
  return FixtureBuilder(seed, rules).Build();
}

}  // namespace gedrobust
