// family_model.cpp - grows families generation by generation into connected components.
#include "family_model.h"

#include <algorithm>  // std::sort, std::min, std::max
#include <cmath>      // std::pow, std::llround
#include <cstddef>    // std::size_t

#include "name_tables.h"
#include "random.h"

namespace gedgen {
namespace {

constexpr int kGenerationYears = 32;  // the mean gap that the birth rules below produce
constexpr int kLatestBirthYear = 2024;
constexpr int kCurrentYear = 2026;
constexpr double kGrowthPerGeneration = 1.3;
// Share of a generation born into it; the rest marry in from outside the tree.
constexpr double kChildShare = 0.72;

class PopulationBuilder {
 public:
  PopulationBuilder(Population& population, std::uint64_t seed)
      : population(population), random(seed) {}

  void AddComponent(std::int32_t size, int generations, int lastGenerationYear);
  void AddIsolated(std::int32_t count);

 private:
  std::int32_t NewPerson(Sex sex, int birthYear, std::int32_t component);
  std::int32_t Marry(std::int32_t a, std::int32_t b, int year);
  void AddChild(std::int32_t family, std::int32_t child);
  int SpouseBirthYear(int partnerBirthYear) { return partnerBirthYear + random.Between(-6, 8); }
  Sex RandomSex() { return random.PerMille(4) ? Sex::Unknown : (random.Percent(50) ? Sex::Male : Sex::Female); }
  static Sex Opposite(Sex sex) { return sex == Sex::Male ? Sex::Female : Sex::Male; }
  void SetDeath(Person& person);
  std::vector<std::int32_t> MarryGeneration(const std::vector<std::int32_t>& generation,
                                            std::int32_t& budget, std::int32_t component);

  Population& population;
  Random random;
};

std::int32_t PopulationBuilder::NewPerson(Sex sex, int birthYear, std::int32_t component) {
  Person person;
  person.sex = sex;
  person.birthYear = static_cast<std::int16_t>(std::min(birthYear, kLatestBirthYear));
  person.component = component;
  const bool female = sex == Sex::Female || (sex == Sex::Unknown && random.Percent(50));
  person.givenName = static_cast<std::uint16_t>(
      random.Below(female ? kFemaleGivenNames.size() : kMaleGivenNames.size()));
  person.surname = static_cast<std::uint16_t>(random.Below(kSurnames.size()));
  SetDeath(person);
  population.people.push_back(person);
  return static_cast<std::int32_t>(population.people.size() - 1);
}

// Old people are dead (a few without a recorded death); of those born after 1946 most live.
void PopulationBuilder::SetDeath(Person& person) {
  const int born = person.birthYear;
  int deathChance = 100;
  if (born > 1946) {
    deathChance = 8;
  } else if (born > 1920) {
    deathChance = 70;
  } else if (born > 1880) {
    deathChance = 93;
  }
  if (!random.Percent(deathChance)) return;
  const int lifespan = random.Percent(15) ? random.Between(0, 20) : random.Between(35, 98);
  person.deathYear = static_cast<std::int16_t>(std::min(born + lifespan, kCurrentYear));
}

std::int32_t PopulationBuilder::Marry(std::int32_t a, std::int32_t b, int year) {
  Family family;
  const bool aIsWife = population.people[a].sex == Sex::Female;
  family.husband = aIsWife ? b : a;
  family.wife = aIsWife ? a : b;
  family.marriageYear = static_cast<std::int16_t>(std::min(year, kCurrentYear));
  family.divorced = random.Percent(4);
  population.families.push_back(std::move(family));
  const auto index = static_cast<std::int32_t>(population.families.size() - 1);
  for (std::int32_t spouse : {a, b}) {
    Person& person = population.people[spouse];
    if (person.spouseFamilyCount < kMaxSpouseFamilies) {
      person.spouseFamilies[person.spouseFamilyCount++] = index;
    }
  }
  return index;
}

void PopulationBuilder::AddChild(std::int32_t family, std::int32_t child) {
  population.families[family].children.push_back(child);
  population.people[child].familyAsChild = family;
}

// Marries the people of one generation: most to newcomers from outside (while the budget lasts),
// some to each other across lineages, some twice (the second family brings half-siblings).
// Returns the families formed.
std::vector<std::int32_t> PopulationBuilder::MarryGeneration(
    const std::vector<std::int32_t>& generation, std::int32_t& budget, std::int32_t component) {
  std::vector<std::int32_t> families;
  std::vector<std::int32_t> waiting[2];  // unmarried men and women hoping for a partner in the tree
  for (std::int32_t person : generation) {
    if (!random.Percent(82)) continue;
    const Person& self = population.people[person];
    const int born = self.birthYear;
    if (self.deathYear != 0 && self.deathYear < born + 18) continue;
    const int wedding = born + random.Between(18, 34);
    if (budget > 0 && random.Percent(62)) {
      const Sex sex = self.sex == Sex::Unknown ? Sex::Female : Opposite(self.sex);
      const std::int32_t spouse = NewPerson(sex, SpouseBirthYear(born), component);
      --budget;
      families.push_back(Marry(person, spouse, wedding));
    } else {
      const int side = self.sex == Sex::Female ? 1 : 0;
      std::vector<std::int32_t>& partners = waiting[1 - side];
      if (!partners.empty()) {
        const std::size_t pick = random.Below(partners.size());
        const std::int32_t spouse = partners[pick];
        partners[pick] = partners.back();
        partners.pop_back();
        families.push_back(Marry(person, spouse, wedding));
      } else {
        waiting[side].push_back(person);
        continue;
      }
    }
    if (budget > 0 && random.Percent(12)) {
      const Sex sex = self.sex == Sex::Female ? Sex::Male : Sex::Female;
      const std::int32_t spouse = NewPerson(sex, SpouseBirthYear(born), component);
      --budget;
      families.push_back(Marry(person, spouse, wedding + random.Between(3, 15)));
    }
  }
  return families;
}

void PopulationBuilder::AddComponent(std::int32_t size, int generations, int lastGenerationYear) {
  const auto component = static_cast<std::int32_t>(population.components.size());
  const auto first = static_cast<std::int32_t>(population.people.size());
  generations = std::max(generations, 2);
  const double growth = kGrowthPerGeneration;
  const double firstShare = (growth - 1.0) / (std::pow(growth, generations) - 1.0);
  std::int32_t budget = size;

  // Founders: couples in generation 0.
  const int foundersYear = lastGenerationYear - (generations - 1) * kGenerationYears;
  const auto founders = std::max<std::int32_t>(2, static_cast<std::int32_t>(size * firstShare));
  std::vector<std::int32_t> generation;
  std::vector<std::int32_t> parentFamilies;
  for (std::int32_t i = 0; i + 1 < founders && budget >= 2; i += 2) {
    const int born = foundersYear + random.Between(-10, 10);
    const std::int32_t husband = NewPerson(Sex::Male, born, component);
    const std::int32_t wife = NewPerson(Sex::Female, SpouseBirthYear(born), component);
    budget -= 2;
    parentFamilies.push_back(Marry(husband, wife, born + random.Between(19, 30)));
  }
  if (budget == 1) {
    NewPerson(RandomSex(), foundersYear, component);
    budget = 0;
  }

  double target = founders;
  for (int g = 1; g < generations && budget > 0 && !parentFamilies.empty(); ++g) {
    target *= growth;
    const bool last = g == generations - 1;
    auto births = static_cast<std::int32_t>(last ? budget : std::llround(target * kChildShare));
    births = std::clamp<std::int32_t>(births, 1, budget);
    generation.clear();
    for (std::int32_t i = 0; i < births; ++i) {
      const std::int32_t family =
          parentFamilies[static_cast<std::size_t>(random.Below(parentFamilies.size()))];
      const Family& parents = population.families[family];
      const int parentBorn = std::max(population.people[parents.husband].birthYear,
                                      population.people[parents.wife].birthYear);
      const int born = std::max<int>(parents.marriageYear, parentBorn + random.Between(19, 36));
      const std::int32_t child = NewPerson(RandomSex(), born, component);
      AddChild(family, child);
      generation.push_back(child);
    }
    budget -= births;
    if (!last) parentFamilies = MarryGeneration(generation, budget, component);
  }
  // Whoever the generations could not take (a tiny component) joins the founders' families.
  while (budget > 0) {
    const std::int32_t family = population.families.empty() || parentFamilies.empty()
                                    ? kNobody
                                    : parentFamilies.front();
    const std::int32_t child = NewPerson(RandomSex(), foundersYear + kGenerationYears, component);
    if (family != kNobody) AddChild(family, child);
    --budget;
  }
  population.components.push_back({first, size});
}

void PopulationBuilder::AddIsolated(std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    const auto component = static_cast<std::int32_t>(population.components.size());
    const std::int32_t person = NewPerson(RandomSex(), random.Between(1700, 2015), component);
    population.components.push_back({person, 1});
  }
}

void SortChildrenByBirth(Population& population) {
  for (Family& family : population.families) {
    std::stable_sort(family.children.begin(), family.children.end(),
                     [&](std::int32_t a, std::int32_t b) {
                       return population.people[a].birthYear < population.people[b].birthYear;
                     });
  }
}

// Union-find over people joined by families, to name a person of the truly largest
// connected component (lineages of a generated component need not all meet).
class ConnectedPeople {
 public:
  explicit ConnectedPeople(std::size_t count) : parent(count) {
    for (std::size_t i = 0; i < count; ++i) parent[i] = static_cast<std::int32_t>(i);
  }
  std::int32_t Root(std::int32_t x) {
    while (parent[static_cast<std::size_t>(x)] != x) {
      auto& up = parent[static_cast<std::size_t>(x)];
      up = parent[static_cast<std::size_t>(up)];
      x = up;
    }
    return x;
  }
  void Join(std::int32_t a, std::int32_t b) {
    if (a == kNobody || b == kNobody) return;
    parent[static_cast<std::size_t>(Root(a))] = Root(b);
  }

 private:
  std::vector<std::int32_t> parent;
};

void FindLargestComponent(Population& population) {
  ConnectedPeople connected(population.people.size());
  for (const Family& family : population.families) {
    connected.Join(family.husband, family.wife);
    const std::int32_t anchor = family.husband != kNobody ? family.husband : family.wife;
    for (std::int32_t child : family.children) connected.Join(anchor, child);
  }
  std::vector<std::int32_t> sizes(population.people.size(), 0);
  std::int32_t best = 0;
  for (std::size_t i = 0; i < population.people.size(); ++i) {
    const std::int32_t root = connected.Root(static_cast<std::int32_t>(i));
    if (++sizes[static_cast<std::size_t>(root)] > sizes[static_cast<std::size_t>(best)]) best = root;
  }
  population.largestSize = sizes[static_cast<std::size_t>(best)];
  bool first = true;
  for (std::size_t i = 0; i < population.people.size(); ++i) {
    if (connected.Root(static_cast<std::int32_t>(i)) != best) continue;
    if (first) population.largestFounder = static_cast<std::int32_t>(i);
    first = false;
    population.largestYoungest = static_cast<std::int32_t>(i);
  }
}

}  // namespace

Population BuildPopulation(std::uint64_t individuals, std::uint64_t seed) {
  Population population;
  const auto total = static_cast<std::int64_t>(individuals);
  population.people.reserve(static_cast<std::size_t>(total));
  population.families.reserve(static_cast<std::size_t>(total / 2));
  PopulationBuilder builder(population, seed);
  Random plan(seed ^ 0xC0FFEEULL);

  // Several large components of many generations, reaching into living generations.
  constexpr int kLargeShares[] = {34, 18, 11, 7};  // percent of everyone
  std::int64_t remaining = total;
  if (total >= 200) {
    for (int share : kLargeShares) {
      const auto size = static_cast<std::int32_t>(total * share / 100);
      const int generations = 8 + static_cast<int>(plan.Below(5));
      builder.AddComponent(size, generations, 1962 + plan.Between(-4, 12));
      remaining -= size;
    }
  }
  // Isolated people, then small families of two to four generations.
  const auto isolated = static_cast<std::int32_t>(std::min<std::int64_t>(remaining, total / 50));
  remaining -= isolated;
  while (remaining > 0) {
    const auto size =
        static_cast<std::int32_t>(std::min<std::int64_t>(remaining, plan.Between(2, 60)));
    builder.AddComponent(size, plan.Between(2, 4), plan.Between(1750, 2010));
    remaining -= size;
  }
  builder.AddIsolated(isolated);
  SortChildrenByBirth(population);

  FindLargestComponent(population);
  return population;
}

}  // namespace gedgen
