// family_model.h - the generated population: people, families and connected components.
#pragma once

#include <array>    // std::array
#include <cstdint>  // std::int32_t, std::uint64_t
#include <vector>   // std::vector

namespace gedgen {

inline constexpr std::int32_t kNobody = -1;
inline constexpr int kMaxSpouseFamilies = 3;

enum class Sex : std::uint8_t { Male, Female, Unknown };

struct Person {
  std::int32_t familyAsChild = kNobody;
  std::array<std::int32_t, kMaxSpouseFamilies> spouseFamilies{kNobody, kNobody, kNobody};
  std::int32_t component = 0;
  std::int16_t birthYear = 0;  ///< always set; whether it is written is decided by the writer
  std::int16_t deathYear = 0;  ///< 0 for no death
  Sex sex = Sex::Unknown;
  std::uint8_t spouseFamilyCount = 0;
  std::uint16_t givenName = 0;  ///< index into the writer's name tables
  std::uint16_t surname = 0;
};

struct Family {
  std::int32_t husband = kNobody;
  std::int32_t wife = kNobody;
  std::vector<std::int32_t> children;
  std::int16_t marriageYear = 0;
  bool divorced = false;
};

/// People of one component are consecutive: [first, first + size).
struct Component {
  std::int32_t first = 0;
  std::int32_t size = 0;
};

struct Population {
  std::vector<Person> people;
  std::vector<Family> families;
  std::vector<Component> components;
  std::int32_t largestFounder = 0;   ///< a founder of the largest component
  std::int32_t largestYoungest = 0;  ///< someone of its last generation, with many ancestors
  std::int32_t largestSize = 0;
};

/// Builds exactly `individuals` people from seed: several large connected components of many
/// generations (remarriages, half-siblings, marriages between lineages), many small families and
/// some isolated people. The same arguments always give the same population.
Population BuildPopulation(std::uint64_t individuals, std::uint64_t seed);

}  // namespace gedgen
