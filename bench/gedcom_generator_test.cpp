// gedcom_generator_test.cpp - the benchmark generator writes well-formed, linked, reproducible files.
#include <gtest/gtest.h>

#include <cctype>         // std::isdigit
#include <cstdio>         // std::tmpfile
#include <map>            // std::map
#include <memory>         // std::unique_ptr
#include <queue>          // std::queue
#include <set>            // std::set
#include <string>         // std::string
#include <string_view>    // std::string_view
#include <vector>         // std::vector

#include "family_model.h"
#include "gedcom_writer.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Generate(std::uint64_t individuals, std::uint64_t seed, std::uint64_t copies = 1) {
  const gedgen::Population population = gedgen::BuildPopulation(individuals, seed);
  std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
  EXPECT_TRUE(file);
  EXPECT_TRUE(gedgen::WriteGedcom(population, seed, file.get(), copies).ok);
  std::rewind(file.get());
  std::string bytes;
  char block[65536];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) bytes.append(block, got);
  return bytes;
}

std::vector<std::string_view> SplitCrLf(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));  // a line without CR LF: reported by the caller
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(GedcomGeneratorTest, SameSeedGivesSameBytesOtherSeedOtherBytes) {
  const std::string first = Generate(3000, 7);
  EXPECT_EQ(first, Generate(3000, 7));
  EXPECT_NE(first, Generate(3000, 8));
}

TEST(GedcomGeneratorTest, BuildsExactlyTheRequestedPeopleWithConsistentLinks) {
  for (std::uint64_t count : {1U, 2U, 3U, 7U, 199U, 250U, 5000U}) {
    SCOPED_TRACE(count);
    const gedgen::Population population = gedgen::BuildPopulation(count, 3);
    ASSERT_EQ(population.people.size(), count);
    const auto people = static_cast<std::int32_t>(count);
    for (std::size_t f = 0; f < population.families.size(); ++f) {
      const gedgen::Family& family = population.families[f];
      for (std::int32_t spouse : {family.husband, family.wife}) {
        ASSERT_TRUE(spouse >= 0 && spouse < people);
        const gedgen::Person& person = population.people[static_cast<std::size_t>(spouse)];
        bool listed = false;
        for (int i = 0; i < person.spouseFamilyCount; ++i) {
          listed = listed || person.spouseFamilies[static_cast<std::size_t>(i)] == static_cast<std::int32_t>(f);
        }
        EXPECT_TRUE(listed) << "family " << f << " not among its spouse's families";
      }
      for (std::int32_t child : family.children) {
        ASSERT_TRUE(child >= 0 && child < people);
        EXPECT_EQ(population.people[static_cast<std::size_t>(child)].familyAsChild, static_cast<std::int32_t>(f));
      }
    }
  }
}

TEST(GedcomGeneratorTest, LargestComponentEndsAreConnected) {
  const gedgen::Population population = gedgen::BuildPopulation(20000, 1);
  // Breadth-first from the founder over spouse and parent-child links.
  std::vector<bool> seen(population.people.size(), false);
  std::queue<std::int32_t> pending;
  pending.push(population.largestFounder);
  seen[static_cast<std::size_t>(population.largestFounder)] = true;
  std::int32_t reached = 0;
  const auto visit = [&](std::int32_t person) {
    if (person >= 0 && !seen[static_cast<std::size_t>(person)]) {
      seen[static_cast<std::size_t>(person)] = true;
      pending.push(person);
    }
  };
  while (!pending.empty()) {
    const gedgen::Person& person = population.people[static_cast<std::size_t>(pending.front())];
    pending.pop();
    ++reached;
    std::vector<std::int32_t> families;
    if (person.familyAsChild >= 0) families.push_back(person.familyAsChild);
    for (int i = 0; i < person.spouseFamilyCount; ++i) families.push_back(person.spouseFamilies[static_cast<std::size_t>(i)]);
    for (std::int32_t f : families) {
      const gedgen::Family& family = population.families[static_cast<std::size_t>(f)];
      visit(family.husband);
      visit(family.wife);
      for (std::int32_t child : family.children) visit(child);
    }
  }
  EXPECT_EQ(reached, population.largestSize);
  EXPECT_TRUE(seen[static_cast<std::size_t>(population.largestYoungest)]);
  EXPECT_GT(population.largestSize, 20000 / 5);
  // Many generations lie between the founder and the youngest.
  EXPECT_GT(population.people[static_cast<std::size_t>(population.largestYoungest)].birthYear -
                population.people[static_cast<std::size_t>(population.largestFounder)].birthYear,
            150);
}

TEST(GedcomGeneratorTest, FileIsWellFormedAndEveryPointerNamesARecord) {
  // Two copies: the identifiers of the second copy must not clash with those of the first.
  const std::string bytes = Generate(2500, 11, 2);
  ASSERT_GE(bytes.size(), 2U);
  ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  const std::vector<std::string_view> lines = SplitCrLf(bytes);
  ASSERT_EQ(lines.front(), "0 HEAD");
  ASSERT_EQ(lines.back(), "0 TRLR");

  std::map<std::string, std::string, std::less<>> records;  // identifier -> kind
  std::vector<std::string_view> pointers;
  std::size_t individuals = 0;
  for (std::string_view line : lines) {
    ASSERT_EQ(line.find_first_of("\r\n"), std::string_view::npos) << "bare CR or LF in " << line;
    if (line.starts_with("0 @")) {
      const std::size_t close = line.find("@ ", 3);
      ASSERT_NE(close, std::string_view::npos) << line;
      std::string_view kind = line.substr(close + 2);
      kind = kind.substr(0, kind.find(' '));
      EXPECT_TRUE(records.emplace(std::string(line.substr(2, close - 1)), std::string(kind)).second)
          << "duplicate record " << line;
      if (kind == "INDI") ++individuals;
      continue;
    }
    const std::size_t space = line.find(' ', 2);
    if (space != std::string_view::npos && line.size() > space + 2 && line[space + 1] == '@' &&
        line[space + 2] != '#' && line.back() == '@') {
      pointers.push_back(line.substr(space + 1));
    }
  }
  EXPECT_EQ(individuals, 5000U);
  EXPECT_GT(pointers.size(), 5000U);
  std::set<std::string, std::less<>> pointedKinds;
  for (std::string_view pointer : pointers) {
    const auto found = records.find(pointer);
    ASSERT_NE(found, records.end()) << "pointer to a missing record: " << pointer;
    pointedKinds.insert(found->second);
  }
  for (const char* kind : {"INDI", "FAM", "NOTE", "SOUR", "REPO", "OBJE", "SUBM"}) {
    EXPECT_TRUE(pointedKinds.count(kind)) << "no pointer to any " << kind << " record";
  }
  // The variety the tools must cope with.
  for (const char* needle : {"\r\n1 CONC ", "\r\n1 CONT ", "\r\n1 ALIA @I", "\r\n1 ASSO @I", "DATE ABT ",
                             "DATE BEF ", "DATE AFT ", "DATE BET ", " AND ", "DATE FROM ", " TO ",
                             "DATE CAL ", "DATE EST ", "DATE INT ", "@#DJULIAN@", "/", "Ø", "ł",
                             "Nguyễn", "1 NAME JOHN", "\r\n2 TYPE married"}) {
    EXPECT_NE(bytes.find(needle), std::string::npos) << "missing: " << needle;
  }
}

TEST(GedcomGeneratorTest, SomePeopleArePresumedLivingAndSomeOldDatesHaveDualYears) {
  const gedgen::Population population = gedgen::BuildPopulation(10000, 5);
  std::size_t living = 0;
  for (const gedgen::Person& person : population.people) {
    if (person.birthYear > 1946 && person.deathYear == 0) ++living;
  }
  EXPECT_GT(living, 10000U / 20);
  EXPECT_LT(living, 10000U / 2);
  const std::string bytes = Generate(10000, 5);
  // "1750/51": the old-style year in a full date.
  bool dualYear = false;
  for (std::size_t at = bytes.find("/"); at != std::string::npos && !dualYear; at = bytes.find("/", at + 1)) {
    dualYear = at >= 4 && at + 2 < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at - 1])) &&
               std::isdigit(static_cast<unsigned char>(bytes[at + 1])) &&
               std::isdigit(static_cast<unsigned char>(bytes[at + 2]));
  }
  EXPECT_TRUE(dualYear);
}

}  // namespace
