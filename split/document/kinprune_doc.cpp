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
#include <tuple>      // std::forward_as_tuple
#include <utility>    // std::move, std::piecewise_construct
#include <vector>     // std::vector

#include "file_identity.h"
#include "line_reader.h"

namespace kinprune {

namespace {

constexpr bool IsSpaceOrTab(unsigned char c) { return c == ' ' || c == '\t'; }
constexpr bool IsLineEnd(unsigned char c) { return c == '\r' || c == '\n'; }
constexpr bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Asks for the cache line at address ahead of its use; only a hint.
void Prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

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

// The line that starts at start and ends (before its terminator) at end, which must not be
// blank: level, tag and value as DocLine describes them.
void ParseLine(const char* data, std::uint64_t start, std::uint64_t end, std::uint64_t pos,
               DocLine& line) {
  auto at = [&](std::uint64_t offset) { return static_cast<unsigned char>(data[offset]); };
  line.start = start;
  line.text = std::string_view(data + start, end - start);
  if (!IsAsciiDigit(at(pos))) {
    line.hasLevel = false;
    line.level = CKinpruneDoc::kSaturatedLevel;
    line.tag = {};
    line.value = {};
    return;
  }

  line.hasLevel = true;
  std::int64_t level = 0;
  for (; pos < end && IsAsciiDigit(at(pos)); ++pos) {
    if (level < CKinpruneDoc::kSaturatedLevel) {
      level = level * 10 + (at(pos) - '0');
      if (level > CKinpruneDoc::kSaturatedLevel) level = CKinpruneDoc::kSaturatedLevel;
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
}

// Offset of the first CR or LF in data[from, end), or end.
std::uint64_t FindLineEnd(const char* data, std::uint64_t from, std::uint64_t end) {
  return static_cast<std::uint64_t>(gedtext::FindLineEnd(data + from, data + end) - data);
}

// Offset just past the terminator of a line that ends at end: the CR or LF there and at most
// one more CR or LF with it.
std::uint64_t PastTerminator(const char* data, std::uint64_t end, std::uint64_t length) {
  if (end >= length) return length;
  ++end;
  if (end < length && IsLineEnd(static_cast<unsigned char>(data[end]))) ++end;
  return end;
}

// Offset of the first byte after spaces and tabs in data[from, end).
std::uint64_t SkipBlanks(const char* data, std::uint64_t from, std::uint64_t end) {
  while (from < end && IsSpaceOrTab(static_cast<unsigned char>(data[from]))) ++from;
  return from;
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
  readPos = PastTerminator(data, end, fileLength);
  const std::uint64_t pos = SkipBlanks(data, start, end);
  if (pos == end) return false;  // blank: no GEDCOM line at all
  ParseLine(data, start, end, pos, line);
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

namespace {

// Makes index list the entries of map again. The entries land all over the index's table, so
// the slot of an entry some places ahead is fetched while the current one is placed.
template <class Map, class Index>
void RebuildIndex(Map& map, Index& index) {
  constexpr std::size_t kPlaceAhead = 16;
  index.Clear();
  index.Reserve(map.size());
  auto ahead = map.begin();
  for (std::size_t k = 0; k < kPlaceAhead && ahead != map.end(); ++k) {
    index.PrefetchForAdd(ahead->first);
    ++ahead;
  }
  for (auto& entry : map) {
    if (ahead != map.end()) {
      index.PrefetchForAdd(ahead->first);
      ++ahead;
    }
    index.Add(entry);
  }
}

}  // namespace

const CKinpruneDoc::RecordSlot* CKinpruneDoc::FindRecordEntry(std::string_view xref) {
  if (recordIndex.size() != recordOffsets.size()) RebuildIndex(recordOffsets, recordIndex);
  return recordIndex.Find(xref);
}

const CKinpruneDoc::RecordSlot& CKinpruneDoc::RecordEntry(std::string_view xref) {
  if (const RecordSlot* found = FindRecordEntry(xref)) return *found;
  // Remembered as missing so that repeated lookups of a dangling pointer stay cheap.
  auto added = recordOffsets.emplace_hint(recordOffsets.lower_bound(xref), std::string(xref), kNoRecord);
  recordIndex.Add(*added);
  return *recordIndex.Find(xref);
}

std::uint64_t CKinpruneDoc::RecordOffset(std::string_view xref) { return RecordEntry(xref).value; }

void CKinpruneDoc::PrefetchRecordEntry(std::string_view xref) const {
  if (recordIndex.size() == recordOffsets.size()) recordIndex.Prefetch(xref);
}

void CKinpruneDoc::PrefetchRecord(std::string_view xref) const {
  if (recordIndex.size() != recordOffsets.size()) return;
  const RecordSlot* record = recordIndex.Find(xref);
  if (record != nullptr && record->value < fileLength) Prefetch(fileData.data() + record->value);
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

namespace {

// Appends the display name of a NAME value to out: "John /Smith/ Jr" -> "Smith, John Jr".
void AppendDisplayName(std::string& out, std::string_view nameValue) {
  const std::size_t first = nameValue.find('/');
  const std::size_t last = nameValue.rfind('/');
  if (first == std::string_view::npos || first >= last) {
    out.append(nameValue);
    return;
  }

  std::string_view given = nameValue.substr(0, first);
  while (!given.empty() && IsCSpace(static_cast<unsigned char>(given.back()))) given.remove_suffix(1);
  const std::string_view surname = nameValue.substr(first + 1, last - first - 1);
  std::string_view suffix = nameValue.substr(last + 1);
  while (!suffix.empty() && IsCSpace(static_cast<unsigned char>(suffix.front()))) suffix.remove_prefix(1);

  const std::size_t begin = out.size();
  out.append(surname);
  if (!surname.empty()) out += ',';
  for (std::string_view part : {given, suffix}) {
    if (part.empty()) continue;
    if (out.size() != begin) out += ' ';
    out.append(part);
  }
}

// The list's capitalisation rule over name[0, size), in place.
void ProperCaseBytes(char* name, std::size_t size) {
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

}  // namespace

std::string CKinpruneDoc::BuildDisplayName(std::string_view nameValue) {
  std::string result;
  AppendDisplayName(result, nameValue);
  return result;
}

void CKinpruneDoc::ProperCaseName(std::string& name) { ProperCaseBytes(name.data(), name.size()); }

// ---- Lifecycle and load pass ---------------------------------------------------------------------------

void CKinpruneDoc::DeleteContents() {
  recordIndex.Clear();
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
  FileBuffer bytes;
  const bool read = bytes.ReadAll(fd);
  const int readError = errno;
  ::close(fd);
  if (!read) {
    outcome.error = OpenErrorText(path, readError);
    return outcome;
  }
  return LoadBuffer(std::move(bytes), path, status);
}

OpenOutcome CKinpruneDoc::LoadFromMemory(std::string bytes, const std::string& name,
                                         StatusSink* status) {
  FileBuffer copy;
  try {
    copy = FileBuffer(bytes);
  } catch (const std::bad_alloc&) {
    OpenOutcome outcome;
    outcome.error = "Not enough memory to load " + name + ".";
    return outcome;
  }
  return LoadBuffer(std::move(copy), name, status);
}

OpenOutcome CKinpruneDoc::LoadBuffer(FileBuffer bytes, const std::string& name,
                                     StatusSink* status) {
  OpenOutcome outcome;
  if (gedtext::LooksLikeUtf16(bytes.view())) {
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

// Bytes from, from + 8 of text as a big-endian number, zero bytes past its end.
std::uint64_t BigEndianBytes(std::string_view text, std::size_t from) {
  std::uint64_t value = 0;
  if (text.size() >= from + 8) {
    std::memcpy(&value, text.data() + from, 8);
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
    return value;
  }
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
// and no visit to the string's scattered bytes), otherwise textOf(key).
template <class TextOf>
std::string KeyText(const SortKey& key, TextOf textOf) {
  if (key.size > kKeyPrefix) return std::string(textOf(key));
  char bytes[kKeyPrefix];
  for (std::size_t k = 0; k < 8; ++k) {
    bytes[k] = static_cast<char>(key.high >> (56 - 8 * k));
    bytes[8 + k] = static_cast<char>(key.low >> (56 - 8 * k));
  }
  return std::string(bytes, key.size);
}

// Sorts keys as their strings compare byte by byte as unsigned bytes, equal strings in file
// order. textOf(key) gives the string of a key.
template <class TextOf>
void SortKeys(std::vector<SortKey>& keys, TextOf textOf) {
  std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    if (a.size <= kKeyPrefix && b.size <= kKeyPrefix) {
      // Both strings are entirely in the prefix, padded with zero bytes: the shorter is less.
      if (a.size != b.size) return a.size < b.size;
    } else {
      const std::string_view restA = std::string_view(textOf(a)).substr(
          std::min(a.size, kKeyPrefix));
      const std::string_view restB = std::string_view(textOf(b)).substr(
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
         (a.size <= kKeyPrefix || std::string_view(textOf(a)) == textOf(b));
}

constexpr std::size_t kFetchAhead = 16;

// An individual as the load pass collects it: the sort key of its identifier, made while the
// level-0 line was at hand (index: position in file order; payload: the identifier's offset in
// the file), and where its display name lies in the pass's name buffer.
struct LoadedIndividual {
  SortKey xrefKey;
  std::size_t nameStart = 0;
  std::size_t nameSize = 0;
};

// What the load pass gathers in file order; the tables are built from it at the end.
struct LoadedTables {
  std::vector<LoadedIndividual> individuals;
  // The sort keys of the identified level-0 lines (index: position in file order; payload: the
  // line's offset).
  std::vector<SortKey> records;
  std::string names;  // the display names, one after another

  std::string_view NameOf(std::size_t index) const {
    return std::string_view(names).substr(individuals[index].nameStart,
                                          individuals[index].nameSize);
  }
};

// The identifier of the identified level-0 line at start.
std::string_view RecordXrefAt(const char* data, std::uint64_t length, std::uint64_t start) {
  const std::uint64_t end = FindLineEnd(data, start, length);
  DocLine line;
  ParseLine(data, start, end, SkipBlanks(data, start, end), line);
  return CKinpruneDoc::PointerXref(line.tag);
}

// recordOffsets from the identified level-0 lines; a later line wins.
void BuildRecordOffsets(RecordOffsetMap& recordOffsets, std::vector<SortKey>& keys,
                        const char* data, std::uint64_t length) {
  auto textOf = [&](const SortKey& key) { return RecordXrefAt(data, length, key.payload); };
  SortKeys(keys, textOf);
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (k + 1 < keys.size() && SameText(keys[k], keys[k + 1], textOf)) continue;
    recordOffsets.emplace_hint(recordOffsets.end(), KeyText(keys[k], textOf), keys[k].payload);
  }
}

// individualsByName (equal names in file order) and individualByXref (a later individual wins).
void BuildIndividualTables(IndividualsByName& individualsByName,
                           IndividualByXref& individualByXref, const LoadedTables& loaded,
                           const char* fileBytes) {
  const std::vector<LoadedIndividual>& individuals = loaded.individuals;
  std::vector<IndividualEntry*> entryInFileOrder(individuals.size());
  std::vector<SortKey> keys;
  keys.reserve(individuals.size());

  // A name key's payload is where its name starts in the name buffer, so that comparing and
  // copying names needs no visit to the individual.
  const char* names = loaded.names.data();
  auto nameOf = [&](const SortKey& key) { return std::string_view(names + key.payload, key.size); };
  for (std::size_t index = 0; index < individuals.size(); ++index) {
    keys.push_back(MakeSortKey(loaded.NameOf(index), index, individuals[index].nameStart));
  }
  SortKeys(keys, nameOf);
  // The individuals are visited in name order, that is all over memory: each one is fetched
  // well ahead, then its name and identifier bytes once it has arrived.
  auto xrefOf = [&](const SortKey& key) { return std::string_view(fileBytes + key.payload, key.size); };
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (k + kFetchAhead < keys.size()) {
      const SortKey& soon = keys[k + kFetchAhead];
      Prefetch(&individuals[soon.index]);
      Prefetch(names + soon.payload);
    }
    const SortKey& key = keys[k];
    const std::string_view name = nameOf(key);
    auto node = individualsByName.emplace_hint(
        individualsByName.end(), std::piecewise_construct, std::forward_as_tuple(name),
        std::forward_as_tuple(IndividualEntry{
            std::string(name), KeyText(individuals[key.index].xrefKey, xrefOf)}));
    entryInFileOrder[key.index] = &node->second;
  }

  keys.clear();
  for (const LoadedIndividual& individual : individuals) keys.push_back(individual.xrefKey);
  SortKeys(keys, xrefOf);
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (k + 1 < keys.size() && SameText(keys[k], keys[k + 1], xrefOf)) continue;
    individualByXref.emplace_hint(individualByXref.end(), KeyText(keys[k], xrefOf),
                                  entryInFileOrder[keys[k].index]);
  }
}

// Shows "Loading File %d%%" whenever the whole percent of the file read changes.
class LoadProgress {
 public:
  LoadProgress(StatusSink* status, std::uint64_t fileLength)
      : status(status), fileLength(fileLength) {}

  void At(std::uint64_t position) {
    if (status == nullptr) return;
    const int percent = WholePercent(position, fileLength);
    if (percent == lastPercent) return;
    lastPercent = percent;
    constexpr std::string_view kLoading = "Loading File ";
    char text[32];
    char* out = std::copy(kLoading.begin(), kLoading.end(), text);
    out = std::to_chars(out, text + sizeof text - 1, percent).ptr;
    *out++ = '%';
    status->SetStatusText(std::string_view(text, out - text));
  }

 private:
  StatusSink* status;
  std::uint64_t fileLength;
  int lastPercent = -1;
};

// Level 0 of a line whose level begins at pos: its digits are all zeros.
bool HasLevelZero(const char* data, std::uint64_t pos, std::uint64_t end) {
  for (; pos < end && IsAsciiDigit(static_cast<unsigned char>(data[pos])); ++pos) {
    if (data[pos] != '0') return false;
  }
  return true;
}

// Whether the line whose level digits begin at pos, at a level other than 0, has the tag
// NAME. Most lines are "<digit> <tag>", which is looked at directly.
bool HasNameTag(const char* data, std::uint64_t start, std::uint64_t end, std::uint64_t pos,
                DocLine& line) {
  constexpr std::string_view kName = "NAME";
  if (pos == start && end - pos >= 2 + kName.size() && data[pos + 1] == ' ' &&
      static_cast<unsigned char>(data[pos + 2]) > 0x20) {
    const std::string_view head(data + pos + 2, kName.size());
    if (head != kName) return false;
    return end == pos + 2 + kName.size() ||
           static_cast<unsigned char>(data[pos + 2 + kName.size()]) <= 0x20;
  }
  ParseLine(data, start, end, pos, line);
  return line.tag == kName;
}

}  // namespace

void CKinpruneDoc::LoadPass(StatusSink* status) {
  LoadedTables loaded;
  // Generous guesses (a few hundred bytes per individual): capacity never touched costs no
  // memory, and growing these arrays would copy them.
  loaded.names.reserve(fileLength / 16);
  loaded.individuals.reserve(fileLength / 256);
  loaded.records.reserve(fileLength / 256);
  LoadProgress progress(status, fileLength);
  bool pending = false;  // an INDI record is open: its NAME lines name it

  auto closeIndividual = [&] {
    pending = false;
    LoadedIndividual& individual = loaded.individuals.back();
    ProperCaseBytes(loaded.names.data() + individual.nameStart, individual.nameSize);
  };
  // The last NAME line of a record names it; its display name replaces an earlier one.
  auto setName = [&](std::string_view value) {
    LoadedIndividual& individual = loaded.individuals.back();
    loaded.names.resize(individual.nameStart);
    AppendDisplayName(loaded.names, value);
    if (loaded.names.size() == individual.nameStart) loaded.names.append("!unknown");
    individual.nameSize = loaded.names.size() - individual.nameStart;
  };

  const char* data = fileData.data();
  const std::uint64_t length = fileLength;
  constexpr std::uint64_t kByteOrderMarkSize = 3;
  std::uint64_t next = hasByteOrderMark ? kByteOrderMarkSize : 0;
  DocLine line;
  while (next < length) {
    const std::uint64_t start = next;
    const std::uint64_t end = FindLineEnd(data, start, length);
    next = PastTerminator(data, end, length);
    const std::uint64_t pos = SkipBlanks(data, start, end);
    if (pos == end) continue;  // blank
    if (firstLineOffset == kNoRecord) firstLineOffset = start;
    progress.At(next);
    if (!IsAsciiDigit(static_cast<unsigned char>(data[pos]))) continue;  // no level number

    if (HasLevelZero(data, pos, end)) {
      if (pending) closeIndividual();
      ParseLine(data, start, end, pos, line);
      const bool hasXref = IsPointerValue(line.tag);
      const std::string_view xref = hasXref ? PointerXref(line.tag) : std::string_view{};
      if (hasXref) loaded.records.push_back(MakeSortKey(xref, loaded.records.size(), start));
      if (line.value == "INDI") {
        pending = true;
        const std::size_t nameStart = loaded.names.size();
        loaded.names.append("!unknown");
        const std::uint64_t xrefOffset = hasXref ? static_cast<std::uint64_t>(xref.data() - data) : 0;
        loaded.individuals.push_back(LoadedIndividual{
            MakeSortKey(xref, loaded.individuals.size(), xrefOffset), nameStart,
            loaded.names.size() - nameStart});
      }
    } else if (pending && HasNameTag(data, start, end, pos, line)) {
      ParseLine(data, start, end, pos, line);
      setName(line.value);
    }
  }
  if (pending) closeIndividual();
  readPos = length;

  BuildRecordOffsets(recordOffsets, loaded.records, data, length);
  loaded.records = {};
  BuildIndividualTables(individualsByName, individualByXref, loaded, fileData.data());
}

bool CKinpruneDoc::NamesOpenedFile(const std::string& path) const {
  if (sourcePath.empty()) return false;
  return path == sourcePath || gedtext::NameSameExistingFile(path, sourcePath);
}

}  // namespace kinprune
