// kinprune_doc.cpp - the document's file copy, line reader, record store, individual index and
// lifecycle.
#include "kinprune_doc.h"

#include <fcntl.h>     // ::open
#include <sys/stat.h>  // ::fstat
#include <unistd.h>    // ::read, ::close

#include <algorithm>  // std::copy, std::sort, std::min
#include <cerrno>     // errno
#include <charconv>   // std::to_chars
#include <cstring>    // std::strerror, std::memcpy
#include <new>        // std::bad_alloc
#include <utility>    // std::move
#include <vector>     // std::vector

#include "file_identity.h"
#include "line_reader.h"

namespace kinprune {

namespace {

constexpr bool IsSpaceOrTab(unsigned char c) { return c == ' ' || c == '\t'; }
constexpr bool IsLineEnd(unsigned char c) { return c == '\r' || c == '\n'; }
constexpr bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The white space C's isspace knows in the "C" locale; spelled out so no locale can change it.
constexpr bool IsCSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool IsWordCharacter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsAsciiDigit(c) || c >= 0x80;
}
constexpr char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
constexpr char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Whole percent of part in whole without overflow for any 64-bit sizes.
int WholePercent(std::uint64_t part, std::uint64_t whole) {
  __extension__ typedef unsigned __int128 Wide;
  return static_cast<int>(static_cast<Wide>(part) * 100 / whole);
}

std::string OpenErrorText(const std::string& path, int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return path + " was not found.";
    case EACCES:
    case EPERM:
      return "Access to " + path + " was denied.";
    case EISDIR:
      return path + " is a folder, not a GEDCOM file.";
    case ENOMEM:
      return "Not enough memory to open " + path + ".";
    default:
      return "Failed to open document " + path + " (" + std::strerror(error) + ").";
  }
}

// Reads the whole of fd into bytes, a regular file in one read into a buffer sized once; false
// with errno set on failure.
bool ReadWholeFile(int fd, std::string& bytes) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return false;
  }
  auto readInto = [fd](char* data, std::size_t size, std::size_t& got) {
    while (got < size) {
      const ssize_t n = ::read(fd, data + got, size - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    return true;
  };
  try {
    std::size_t got = 0;
    const std::size_t expected = S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0;
    bytes.resize(expected);
    if (!readInto(bytes.data(), bytes.size(), got)) return false;
    bytes.resize(got);
    // Whatever the size said, read on to the end: a file that grew meanwhile, a pipe or a device.
    constexpr std::size_t kBlockSize = std::size_t{1} << 16;
    std::vector<char> block(kBlockSize);
    for (;;) {
      std::size_t more = 0;
      if (!readInto(block.data(), block.size(), more)) return false;
      bytes.append(block.data(), more);
      if (more < block.size()) break;
    }
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return false;
  }
  return true;
}

// Offset of the first CR or LF in data[from, end), or end. Looks at eight bytes at a time: a
// word with no byte below 0x0E (CR is 0x0D, LF 0x0A) holds no line end.
std::uint64_t FindLineEnd(const char* data, std::uint64_t from, std::uint64_t end) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  for (;;) {
    while (end - from >= 8) {
      std::uint64_t word;
      std::memcpy(&word, data + from, 8);
      // Sets a high bit when some byte is below 0x0E (exact as a yes/no answer).
      if (((word - kOnes * 0x0E) & ~word & kHighBits) != 0) break;
      from += 8;
    }
    const std::uint64_t stop = end - from >= 8 ? from + 8 : end;
    for (; from < stop; ++from) {
      if (IsLineEnd(static_cast<unsigned char>(data[from]))) return from;
    }
    if (from >= end) return end;
  }
}

}  // namespace

// ---- Line reader ----------------------------------------------------------------------------------

bool CKinpruneDoc::ReadLine(DocLine& line) {
  constexpr std::uint64_t kByteOrderMarkSize = 3;
  if (hasByteOrderMark && readPos < kByteOrderMarkSize) readPos = kByteOrderMarkSize;
  for (;;) {
    if (readPos >= fileLength) {
      readPos = fileLength;
      line = DocLine{};
      line.start = fileLength;
      return false;
    }
    if (ReadLineAt(line)) return true;
  }
}

// Reads the line at readPos; false (and readPos past it) when the line is blank.
bool CKinpruneDoc::ReadLineAt(DocLine& line) {
  const char* data = fileData.data();
  const std::uint64_t start = readPos;
  const std::uint64_t end = FindLineEnd(data, start, fileLength);

  // The terminator, and at most one more CR or LF with it.
  readPos = end;
  if (readPos < fileLength) {
    ++readPos;
    if (readPos < fileLength && IsLineEnd(static_cast<unsigned char>(data[readPos]))) ++readPos;
  }

  auto at = [&](std::uint64_t pos) { return static_cast<unsigned char>(data[pos]); };
  std::uint64_t pos = start;
  while (pos < end && IsSpaceOrTab(at(pos))) ++pos;
  if (pos == end) return false;  // blank: no GEDCOM line at all

  line.start = start;
  line.text = std::string_view(data + start, end - start);
  if (!IsAsciiDigit(at(pos))) {
    line.hasLevel = false;
    line.level = kSaturatedLevel;
    line.tag = {};
    line.value = {};
    return true;
  }

  line.hasLevel = true;
  std::int64_t level = 0;
  for (; pos < end && IsAsciiDigit(at(pos)); ++pos) {
    if (level < kSaturatedLevel) {
      level = level * 10 + (at(pos) - '0');
      if (level > kSaturatedLevel) level = kSaturatedLevel;
    }
  }
  line.level = static_cast<std::int32_t>(level);
  while (pos < end && IsSpaceOrTab(at(pos))) ++pos;
  const std::uint64_t tagStart = pos;
  while (pos < end && at(pos) > 0x20) ++pos;
  line.tag = std::string_view(data + tagStart, pos - tagStart);
  // One separator only; a control byte that stopped the tag stays and begins the value.
  if (pos < end && IsSpaceOrTab(at(pos))) ++pos;
  line.value = std::string_view(data + pos, end - pos);
  return true;
}

bool CKinpruneDoc::ReadLine(std::int32_t& level, std::string& tag, std::string& value) {
  DocLine line;
  const bool read = ReadLine(line);
  level = line.level;
  tag.assign(line.tag);
  value.assign(line.value);
  return read;
}

void CKinpruneDoc::XrefFromPointer(std::string& xref, std::string_view pointer) {
  xref.assign(PointerXref(pointer));
}

// ---- Record store -----------------------------------------------------------------------------------

std::uint64_t CKinpruneDoc::RecordOffset(std::string_view xref) {
  auto it = recordOffsets.lower_bound(xref);
  // The first key not less than xref is xref itself unless xref is less than it.
  if (it != recordOffsets.end() && !ByteOrder::Less(xref, it->first)) return it->second;
  // Remembered as missing so that repeated lookups of a dangling pointer stay cheap.
  recordOffsets.emplace_hint(it, std::string(xref), kNoRecord);
  return kNoRecord;
}

bool CKinpruneDoc::BeginRecordAt(std::uint64_t offset, DocLine& line) {
  if (offset == kNoRecord || offset >= fileLength) {
    line = DocLine{};
    return false;
  }
  readPos = offset;
  return ReadLine(line);
}

bool CKinpruneDoc::BeginRecord(std::string_view xref, DocLine& line) {
  return BeginRecordAt(RecordOffset(xref), line);
}

bool CKinpruneDoc::NextRecordLine(DocLine& line) {
  return ReadLine(line) && !(line.hasLevel && line.level == 0);
}

// ---- Individual index -------------------------------------------------------------------------------

IndividualEntry* CKinpruneDoc::FindIndividual(std::string_view xref) {
  auto it = individualByXref.find(xref);
  return it == individualByXref.end() ? nullptr : it->second;
}

std::string CKinpruneDoc::BuildDisplayName(std::string_view nameValue) {
  const std::size_t first = nameValue.find('/');
  const std::size_t last = nameValue.rfind('/');
  if (first == std::string_view::npos || first >= last) return std::string(nameValue);

  std::string_view given = nameValue.substr(0, first);
  while (!given.empty() && IsCSpace(static_cast<unsigned char>(given.back()))) given.remove_suffix(1);
  const std::string_view surname = nameValue.substr(first + 1, last - first - 1);
  std::string_view suffix = nameValue.substr(last + 1);
  while (!suffix.empty() && IsCSpace(static_cast<unsigned char>(suffix.front()))) suffix.remove_prefix(1);

  std::string result(surname);
  if (!surname.empty()) result += ',';
  for (std::string_view part : {given, suffix}) {
    if (part.empty()) continue;
    if (!result.empty()) result += ' ';
    result += part;
  }
  return result;
}

void CKinpruneDoc::ProperCaseName(std::string& name) {
  const std::size_t size = name.size();
  bool atWordStart = true;
  bool allRoman = true;
  std::size_t romanStart = 0;
  auto upperFrom = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) name[k] = ToUpperAscii(name[k]);
  };

  for (std::size_t j = 0; j < size; ++j) {
    const auto c = static_cast<unsigned char>(name[j]);
    if (IsWordCharacter(c)) {
      const char lower = ToLowerAscii(static_cast<char>(c));
      if (lower != 'i' && lower != 'v' && lower != 'x') allRoman = false;
      if (atWordStart) {
        name[j] = ToUpperAscii(name[j]);
        const bool hasNext = j + 1 < size;
        if (hasNext && name[j] == 'M' && name[j + 1] == 'C') {
          // McDonald: the letter after "Mc" starts the word again.
          name[j + 1] = 'c';
          ++j;
        } else if (hasNext) {
          atWordStart = false;
        }
      } else {
        name[j] = ToLowerAscii(name[j]);
      }
    } else {
      if (allRoman) {
        upperFrom(romanStart, j);
      } else {
        allRoman = true;
      }
      romanStart = j;
      atWordStart = true;
    }
  }
  if (allRoman) upperFrom(romanStart, size);
}

// ---- Lifecycle and load pass ---------------------------------------------------------------------------

void CKinpruneDoc::DeleteContents() {
  individualsByName.clear();
  recordOffsets.clear();
  individualByXref.clear();
}

OpenOutcome CKinpruneDoc::OnOpenDocument(const std::string& path, StatusSink* status) {
  OpenOutcome outcome;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    outcome.error = OpenErrorText(path, errno);
    return outcome;
  }
  std::string bytes;
  const bool read = ReadWholeFile(fd, bytes);
  const int readError = errno;
  ::close(fd);
  if (!read) {
    outcome.error = OpenErrorText(path, readError);
    return outcome;
  }
  return LoadFromMemory(std::move(bytes), path, status);
}

OpenOutcome CKinpruneDoc::LoadFromMemory(std::string bytes, const std::string& name,
                                         StatusSink* status) {
  OpenOutcome outcome;
  if (gedtext::LooksLikeUtf16(bytes)) {
    outcome.error = "Cannot open " + name +
                    ": it is a UTF-16 file. Save it as UTF-8 or ANSEL and open it again.";
    return outcome;
  }
  DeleteContents();
  fileData.swap(bytes);
  fileLength = fileData.size();
  readPos = 0;
  hasByteOrderMark = fileData.starts_with(gedtext::kUtf8ByteOrderMark);
  firstLineOffset = kNoRecord;
  try {
    if (fileLength > 0) LoadPass(status);
  } catch (const std::bad_alloc&) {
    DeleteContents();
    outcome.error = "Not enough memory to load " + name + ".";
    return outcome;
  }
  sourcePath = name;
  outcome.ok = true;
  return outcome;
}

namespace {

// The tables are built in bulk at the end of the load pass: their keys are sorted in a flat
// array and then appended to the trees in order, which costs one comparison per node instead of
// a descent with a string comparison at every level (on a million individuals the descents,
// mostly cache misses on the strings, took most of the load).
//
// A sort key holds the first 16 bytes of its string as two big-endian numbers, so that most
// comparisons never touch the string itself.
struct SortKey {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  std::size_t size = 0;
  std::size_t index = 0;  // position in file order: equal strings keep file order
  std::uint64_t payload = 0;
};

constexpr std::size_t kKeyPrefix = 16;

std::uint64_t BigEndianBytes(std::string_view text, std::size_t from) {
  std::uint64_t value = 0;
  for (std::size_t k = from; k < from + 8; ++k) {
    value <<= 8;
    if (k < text.size()) value |= static_cast<unsigned char>(text[k]);
  }
  return value;
}

SortKey MakeSortKey(std::string_view text, std::size_t index, std::uint64_t payload = 0) {
  return SortKey{BigEndianBytes(text, 0), BigEndianBytes(text, 8), text.size(), index, payload};
}

// The key's string: rebuilt from the prefix when it holds the whole string (the common case,
// and no visit to the string's scattered bytes), otherwise textOf(index).
template <class TextOf>
std::string KeyText(const SortKey& key, TextOf textOf) {
  if (key.size > kKeyPrefix) return std::string(textOf(key.index));
  char bytes[kKeyPrefix];
  for (std::size_t k = 0; k < 8; ++k) {
    bytes[k] = static_cast<char>(key.high >> (56 - 8 * k));
    bytes[8 + k] = static_cast<char>(key.low >> (56 - 8 * k));
  }
  return std::string(bytes, key.size);
}

// Sorts keys as their strings compare byte by byte as unsigned bytes, equal strings in file
// order. textOf(index) gives the string of a key.
template <class TextOf>
void SortKeys(std::vector<SortKey>& keys, TextOf textOf) {
  std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    if (a.size <= kKeyPrefix && b.size <= kKeyPrefix) {
      // Both strings are entirely in the prefix, padded with zero bytes: the shorter is less.
      if (a.size != b.size) return a.size < b.size;
    } else {
      const std::string_view restA = std::string_view(textOf(a.index)).substr(
          std::min(a.size, kKeyPrefix));
      const std::string_view restB = std::string_view(textOf(b.index)).substr(
          std::min(b.size, kKeyPrefix));
      const int order = restA.compare(restB);
      if (order != 0) return order < 0;
    }
    return a.index < b.index;
  });
}

// Whether two neighbours of a sorted key array name the same string.
template <class TextOf>
bool SameText(const SortKey& a, const SortKey& b, TextOf textOf) {
  return a.high == b.high && a.low == b.low && a.size == b.size &&
         (a.size <= kKeyPrefix || std::string_view(textOf(a.index)) == textOf(b.index));
}

// Asks for the cache line at address ahead of its use; only a hint.
void Prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}
constexpr std::size_t kFetchAhead = 16;

// An individual as the load pass collects it.
struct LoadedIndividual {
  std::string name;  // display name, capitalised once the record ends
  std::string xref;
};

// An identified level-0 line: its identifier (into fileData) and its offset.
using LoadedRecord = std::pair<std::string_view, std::uint64_t>;

// recordOffsets from the identified level-0 lines in file order; a later line wins.
void BuildRecordOffsets(RecordOffsetMap& recordOffsets, const std::vector<LoadedRecord>& records) {
  auto textOf = [&](std::size_t index) { return records[index].first; };
  std::vector<SortKey> keys;
  keys.reserve(records.size());
  for (std::size_t index = 0; index < records.size(); ++index) {
    keys.push_back(MakeSortKey(records[index].first, index, records[index].second));
  }
  SortKeys(keys, textOf);
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (k + 1 < keys.size() && SameText(keys[k], keys[k + 1], textOf)) continue;
    recordOffsets.emplace_hint(recordOffsets.end(), KeyText(keys[k], textOf), keys[k].payload);
  }
}

// individualsByName (equal names in file order) and individualByXref (a later individual wins).
void BuildIndividualTables(IndividualsByName& individualsByName,
                           IndividualByXref& individualByXref,
                           std::vector<LoadedIndividual>& individuals) {
  std::vector<IndividualEntry*> entryInFileOrder(individuals.size());
  std::vector<SortKey> keys;
  keys.reserve(individuals.size());
  {
    auto nameOf = [&](std::size_t index) -> std::string_view { return individuals[index].name; };
    for (std::size_t index = 0; index < individuals.size(); ++index) {
      keys.push_back(MakeSortKey(individuals[index].name, index));
    }
    SortKeys(keys, nameOf);
    for (std::size_t k = 0; k < keys.size(); ++k) {
      // The individuals are visited in name order, that is all over the array: fetch ahead.
      if (k + kFetchAhead < keys.size()) Prefetch(&individuals[keys[k + kFetchAhead].index]);
      if (k + kFetchAhead / 2 < keys.size()) {
        Prefetch(individuals[keys[k + kFetchAhead / 2].index].name.data());
      }
      const SortKey& key = keys[k];
      auto& individual = individuals[key.index];
      IndividualEntry entry{individual.name, std::move(individual.xref)};
      auto node = individualsByName.emplace_hint(individualsByName.end(),
                                                 std::move(individual.name), std::move(entry));
      entryInFileOrder[key.index] = &node->second;
    }
  }
  individuals = {};  // only moved-from shells are left; the peak of the load is here

  // The identifiers are now in the entries; the same key array sorts them.
  auto xrefOf = [&](std::size_t index) -> std::string_view {
    return entryInFileOrder[index]->xref;
  };
  keys.clear();
  for (std::size_t index = 0; index < entryInFileOrder.size(); ++index) {
    if (index + kFetchAhead < entryInFileOrder.size()) {
      Prefetch(entryInFileOrder[index + kFetchAhead]);
    }
    keys.push_back(MakeSortKey(xrefOf(index), index));
  }
  SortKeys(keys, xrefOf);
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (k + 1 < keys.size() && SameText(keys[k], keys[k + 1], xrefOf)) continue;
    individualByXref.emplace_hint(individualByXref.end(), KeyText(keys[k], xrefOf),
                                  entryInFileOrder[keys[k].index]);
  }
}

}  // namespace

void CKinpruneDoc::LoadPass(StatusSink* status) {
  readPos = 0;
  int lastPercent = -1;

  // Individuals and identified level-0 lines in file order; the tables are built from them at
  // the end.
  std::vector<LoadedIndividual> individuals;
  std::vector<LoadedRecord> records;
  bool pending = false;

  auto setIndividualName = [&](std::string_view value) {
    std::string& name = individuals.back().name;
    name = BuildDisplayName(value);
    if (name.empty()) name.assign("!unknown");
  };
  auto registerIndividual = [&] {
    pending = false;
    ProperCaseName(individuals.back().name);
  };

  DocLine line;
  char percentText[32];
  while (ReadLine(line)) {
    if (firstLineOffset == kNoRecord) firstLineOffset = line.start;
    if (status) {
      const int percent = WholePercent(readPos, fileLength);
      if (percent != lastPercent) {
        lastPercent = percent;
        constexpr std::string_view kLoading = "Loading File ";
        char* out = std::copy(kLoading.begin(), kLoading.end(), percentText);
        out = std::to_chars(out, percentText + sizeof percentText - 1, percent).ptr;
        *out++ = '%';
        status->SetStatusText(std::string_view(percentText, out - percentText));
      }
    }
    if (!line.hasLevel) continue;
    if (line.level == 0) {
      if (pending) registerIndividual();
      const bool hasXref = IsPointerValue(line.tag);
      if (hasXref) records.emplace_back(PointerXref(line.tag), line.start);
      if (line.value == "INDI") {
        pending = true;
        individuals.push_back(
            LoadedIndividual{"!unknown", std::string(hasXref ? PointerXref(line.tag) : std::string_view{})});
      }
    } else if (pending && line.tag == "NAME") {
      setIndividualName(line.value);
    }
  }
  if (pending) registerIndividual();

  BuildRecordOffsets(recordOffsets, records);
  records = {};
  BuildIndividualTables(individualsByName, individualByXref, individuals);
}

bool CKinpruneDoc::NamesOpenedFile(const std::string& path) const {
  if (sourcePath.empty()) return false;
  return path == sourcePath || gedtext::NameSameExistingFile(path, sourcePath);
}

}  // namespace kinprune
