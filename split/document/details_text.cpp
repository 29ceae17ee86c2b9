// details_text.cpp - the text of the details pane: an individual's name, dates, parents and
// spouses, read from the in-memory file on demand.
#include <array>   // std::array
#include <vector>  // std::vector

#include "kinprune_doc.h"

namespace kinprune {

namespace {

// Only this many levels remember their tag for the birth and death test; deeper DATE and PLAC
// lines cannot belong to a BIRT or DEAT directly and are passed over.
constexpr std::int32_t kTrackedLevels = 64;
constexpr std::size_t kMaxSpouses = 3;

struct PersonFacts {
  std::string name, refn, birthDate, birthPlace, deathDate, deathPlace;
  bool hasParents = false;
  std::string parentsFamily;
  std::vector<std::string> spouseFamilies;
};

PersonFacts ReadPersonFacts(CKinpruneDoc& doc, std::string_view xref) {
  PersonFacts facts;
  std::array<std::string_view, kTrackedLevels> tagAtLevel{};
  doc.ReadRecordLines(xref, [&](const DocLine& line) {
    if (!line.hasLevel) return;
    const std::int32_t level = line.level;
    const std::string_view tag = line.tag;
    const bool tracked = level < kTrackedLevels;
    if (tracked) tagAtLevel[level] = tag;
    const std::string_view parentTag =
        (tracked && level > 0) ? tagAtLevel[level - 1] : std::string_view{};

    if (tag == "NAME") {
      facts.name.assign(line.value);
    } else if (tag == "DATE") {
      if (parentTag == "BIRT") facts.birthDate.assign(line.value);
      else if (parentTag == "DEAT") facts.deathDate.assign(line.value);
    } else if (tag == "PLAC") {
      if (parentTag == "BIRT") facts.birthPlace.assign(line.value);
      else if (parentTag == "DEAT") facts.deathPlace.assign(line.value);
    } else if (tag == "REFN") {
      facts.refn.assign(line.value);
    } else if (!CKinpruneDoc::IsPointerValue(line.value)) {
      // Family links that are not pointers name nothing to follow.
    } else if (tag == "FAMC") {
      facts.hasParents = true;
      facts.parentsFamily.assign(CKinpruneDoc::PointerXref(line.value));
    } else if (tag == "FAMS" && facts.spouseFamilies.size() < kMaxSpouses) {
      facts.spouseFamilies.emplace_back(CKinpruneDoc::PointerXref(line.value));
    }
  });
  return facts;
}

}  // namespace

std::string NameOfRecord(CKinpruneDoc& doc, std::string_view xref) {
  std::string name;
  doc.ReadRecordLines(xref, [&](const DocLine& line) {
    if (line.hasLevel && line.tag == "NAME") {
      name.assign(line.value);
      return false;
    }
    return true;
  });
  return name;
}

std::string DetailsText(CKinpruneDoc& doc, const IndividualEntry& entry) {
  const PersonFacts facts = ReadPersonFacts(doc, entry.xref);

  std::string father, mother;
  if (facts.hasParents) {
    doc.ReadRecordLines(facts.parentsFamily, [&](const DocLine& line) {
      if (!line.hasLevel || !CKinpruneDoc::IsPointerValue(line.value)) return;
      if (line.tag == "HUSB") father.assign(CKinpruneDoc::PointerXref(line.value));
      else if (line.tag == "WIFE") mother.assign(CKinpruneDoc::PointerXref(line.value));
    });
  }

  std::vector<std::string> spouses;
  for (const std::string& family : facts.spouseFamilies) {
    if (family.empty()) continue;
    doc.ReadRecordLines(family, [&](const DocLine& line) {
      if (spouses.size() >= kMaxSpouses || !line.hasLevel) return;
      if (line.tag != "HUSB" && line.tag != "WIFE") return;
      if (!CKinpruneDoc::IsPointerValue(line.value)) return;
      const std::string_view partner = CKinpruneDoc::PointerXref(line.value);
      if (partner != entry.xref) spouses.emplace_back(partner);
    });
  }

  auto nameOf = [&](const std::string& xref) {
    return xref.empty() ? std::string() : NameOfRecord(doc, xref);
  };
  father = nameOf(father);
  mother = nameOf(mother);
  spouses.resize(kMaxSpouses);
  for (std::string& spouse : spouses) spouse = nameOf(spouse);

  std::string text;
  text.reserve(256);
  text.append("Name\t").append(facts.name);
  text.append("\r\nId\t").append(entry.xref);
  text.append("\r\nRefn\t").append(facts.refn);
  text.append("\r\nBirth Date\t").append(facts.birthDate);
  text.append("\r\nBirth Place\t").append(facts.birthPlace);
  text.append("\r\nDeath Date\t").append(facts.deathDate);
  text.append("\r\nDeath Place\t").append(facts.deathPlace);
  text.append("\r\n\r\nFather\t").append(father);
  text.append("\r\nMother\t").append(mother);
  text.append("\r\n\r\nSpouses\t").append(spouses[0]);
  text.append("\r\n\t").append(spouses[1]);
  text.append("\r\n\t").append(spouses[2]);
  return text;
}

}  // namespace kinprune
