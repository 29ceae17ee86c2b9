// kinprune_doc.cpp - the document's file copy, line reader, record store, individual index and
// lifecycle.
#include "kinprune_doc.h"

#include <fcntl.h>     // ::open
#include <sys/stat.h>  // ::fstat
#include <unistd.h>    // ::read, ::close

#include <algorithm>  // std::sort, std::min
#include <bit>        // std::countr_zero
#include <cerrno>     // errno
#include <charconv>   // std::to_chars
#include <cstddef>    // std::ptrdiff_t
#include <cstring>    // std::strerror, std::memcpy
#include <iterator>   // std::next
#include <limits>     // std::numeric_limits
#include <memory>     // std::allocator_traits
#include <new>        // std::bad_alloc
#include <tuple>      // std::forward_as_tuple
#include <utility>    // std::move, std::piecewise_construct
#include <vector>     // std::vector

#include "file_identity.h"
#include "line_reader.h"
#include "radix_sort.h"
#include "record_lines.h"
#include "side_by_side.h"

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
__extension__ typedef unsigned __int128 Wide;

int WholePercent(std::uint64_t part, std::uint64_t whole) {
  return static_cast<int>(static_cast<Wide>(part) * 100 / whole);
}

// The least part for which WholePercent gives percent or more.
std::uint64_t FirstPartOfPercent(int percent, std::uint64_t whole) {
  return static_cast<std::uint64_t>((static_cast<Wide>(percent) * whole + 99) / 100);
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

bool CKinpruneDoc::ReadLine(DocLine& line) { return ReadLineFrom(readPos, line); }

bool CKinpruneDoc::ReadLineFrom(std::uint64_t& pos, DocLine& line) const {
  constexpr std::uint64_t kByteOrderMarkSize = 3;
  if (hasByteOrderMark && pos < kByteOrderMarkSize) pos = kByteOrderMarkSize;
  for (;;) {
    if (pos >= fileLength) {
      pos = fileLength;
      line = DocLine{};
      line.start = fileLength;
      return false;
    }
    if (ReadLineAt(pos, line)) return true;
  }
}

// Reads the line at pos; false (and pos past it) when the line is blank.
bool CKinpruneDoc::ReadLineAt(std::uint64_t& pos, DocLine& line) const {
  const char* data = fileData.data();
  const std::uint64_t start = pos;
  const std::uint64_t end = FindLineEnd(data, start, fileLength);
  pos = PastTerminator(data, end, fileLength);
  const std::uint64_t first = SkipBlanks(data, start, end);
  if (first == end) return false;  // blank: no GEDCOM line at all
  ParseLine(data, start, end, first, line);
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

void CKinpruneDoc::IndexRecords() {
  if (recordIndex.size() != recordOffsets.size()) recordIndex.Rebuild(recordOffsets);
}

const CKinpruneDoc::RecordSlot* CKinpruneDoc::FindRecordEntry(std::string_view xref) {
  IndexRecords();
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

CKinpruneDoc::RecordRef CKinpruneDoc::FindOrAddRecord(std::string_view xref) {
  const RecordSlot& record = RecordEntry(xref);
  return RecordRef{&record.entry->first, record.value, record.id};
}

std::size_t CKinpruneDoc::RecordIdsInByteOrder() {
  IndexRecords();
  return recordIndex.IdsInMapOrder();
}

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

bool CKinpruneDoc::NextPointerLine(DocLine& line) { return NextPointerLineFrom(readPos, line); }

bool CKinpruneDoc::NextPointerLineFrom(std::uint64_t& pos, DocLine& line) const {
  const char* data = fileData.data();
  const std::uint64_t length = fileLength;
  std::uint64_t start = pos;
  while (start < length) {
    const auto end = static_cast<std::uint64_t>(gedtext::FindLineEnd(data + start, data + length) - data);
    std::uint64_t first = start;
    while (first < end && IsSpaceOrTab(static_cast<unsigned char>(data[first]))) ++first;
    if (first < end) {
      if (IsLevelZero(data, first, end)) break;
      if (data[end - 1] == '@') {
        pos = start;
        return ReadLineFrom(pos, line);
      }
    }
    start = PastLineEnd(data, end, length);
  }
  pos = start;
  return false;
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

// What the capitalisation rule needs to know of a byte, looked up once per byte.
enum NameByteClass : unsigned char { kWordByte = 1, kRomanLetter = 2 };

struct NameByteClasses {
  unsigned char of[256] = {};
  constexpr NameByteClasses() {
    for (int c = 0; c < 256; ++c) {
      const auto byte = static_cast<unsigned char>(c);
      const char lower = ToLowerAscii(static_cast<char>(byte));
      of[c] = static_cast<unsigned char>((IsWordCharacter(byte) ? kWordByte : 0) |
                                         (lower == 'i' || lower == 'v' || lower == 'x' ? kRomanLetter : 0));
    }
  }
};
constexpr NameByteClasses kNameByteClasses;

// The list's capitalisation rule over name[0, size), in place.
void ProperCaseBytes(char* name, std::size_t size) {
  bool atWordStart = true;
  bool allRoman = true;
  std::size_t romanStart = 0;
  auto upperFrom = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) name[k] = ToUpperAscii(name[k]);
  };

  for (std::size_t j = 0; j < size; ++j) {
    const unsigned char byteClass = kNameByteClasses.of[static_cast<unsigned char>(name[j])];
    if (byteClass & kWordByte) {
      if (!(byteClass & kRomanLetter)) allRoman = false;
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
  // The tables are empty: their node blocks go back at once.
  nodeStores.names.Release();
  nodeStores.records.Release();
  nodeStores.xrefs.Release();
  pagePool.ReleaseFree();
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
    pagePool.ReleaseFree();  // what the load's arrays gave back and no table took
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
// A large file is scanned in two parts at once, each on its own thread, which also sorts the
// part's keys; the tables are then filled from the two sorted arrays of each kind taken as one,
// the first part's keys ahead of the second's among equal strings, which is file order. The
// record table and the name table are filled at the same time, one on each thread.
//
// A sort key holds the first 16 bytes of its string as two big-endian numbers, so that most
// comparisons never touch the string itself.
struct SortKey {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  std::size_t size = 0;
  std::size_t index = 0;  // position in file order within its part: equal strings keep it
  std::uint64_t payload = 0;
};

// The load's arrays come from the document's page pool: what one step gives back, the next
// step's arrays and the tables' nodes reuse.
using KeyArray = std::vector<SortKey, PoolAllocator<SortKey>>;

// Gives an array's memory back now (clear keeps it).
template <class Array>
void FreeArray(Array& array) {
  Array empty(array.get_allocator());
  array.swap(empty);
}

constexpr std::size_t kKeyPrefix = 16;
constexpr std::size_t kGatherAhead = 16;

// Bytes from, from + 8 of text as a big-endian number, zero bytes past its end.
std::uint64_t BigEndianBytes(std::string_view text, std::size_t from) {
  std::uint64_t value = 0;
  if (text.size() >= from + 8) {
    std::memcpy(&value, text.data() + from, 8);
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
    return value;
  }
  // Only the bytes there are, then the zero bytes after them in one shift.
  std::size_t k = from;
  for (; k < text.size(); ++k) value = (value << 8) | static_cast<unsigned char>(text[k]);
  const std::size_t missing = from + 8 - k;
  return missing == 8 ? 0 : value << (8 * missing);
}

SortKey MakeSortKey(std::string_view text, std::size_t index, std::uint64_t payload = 0) {
  return SortKey{BigEndianBytes(text, 0), BigEndianBytes(text, 8), text.size(), index, payload};
}

// The key's string: rebuilt from the prefix when it holds the whole string (the common case,
// and no visit to the string's scattered bytes), otherwise textOf(key).
template <class TextOf>
std::string KeyText(const SortKey& key, TextOf textOf) {
  if (key.size > kKeyPrefix) return std::string(textOf(key));
  std::uint64_t words[2] = {key.high, key.low};
  if constexpr (std::endian::native == std::endian::little) {
    for (std::uint64_t& word : words) word = __builtin_bswap64(word);
  }
  char bytes[kKeyPrefix];
  std::memcpy(bytes, words, kKeyPrefix);
  return std::string(bytes, key.size);
}

// Compares a and b byte by byte as unsigned bytes: negative, zero or positive. The rests of
// long names are a few bytes; a call to memcmp for each cost more than the comparison.
int CompareBytes(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  std::size_t k = 0;
  for (; k + 8 <= common; k += 8) {
    const std::uint64_t x = BigEndianBytes(a, k);
    const std::uint64_t y = BigEndianBytes(b, k);
    if (x != y) return x < y ? -1 : 1;
  }
  for (; k < common; ++k) {
    const auto x = static_cast<unsigned char>(a[k]);
    const auto y = static_cast<unsigned char>(b[k]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// Compares the strings of two keys byte by byte as unsigned bytes: negative, zero or positive.
// textOfA(a) and textOfB(b) give the strings (the keys may come from different parts).
template <class TextOfA, class TextOfB>
int CompareKeyTexts(const SortKey& a, TextOfA textOfA, const SortKey& b, TextOfB textOfB) {
  if (a.high != b.high) return a.high < b.high ? -1 : 1;
  if (a.low != b.low) return a.low < b.low ? -1 : 1;
  if (a.size <= kKeyPrefix && b.size <= kKeyPrefix) {
    // Both strings are entirely in the prefix, padded with zero bytes: the shorter is less.
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    return 0;
  }
  const std::string_view restA = std::string_view(textOfA(a)).substr(std::min(a.size, kKeyPrefix));
  const std::string_view restB = std::string_view(textOfB(b)).substr(std::min(b.size, kKeyPrefix));
  return CompareBytes(restA, restB);
}

// A key's first 8 bytes and where the key stands, moved about by the radix passes instead of
// the whole key.
struct RadixEntry {
  std::uint64_t high = 0;
  std::size_t position = 0;
};
// The radix entries of an array of keys, from the same kind of memory.
template <class Keys>
using RadixArrayFor = std::vector<
    RadixEntry, typename std::allocator_traits<typename Keys::allocator_type>::template rebind_alloc<RadixEntry>>;

// Keys in the order of order: the k-th is the key that stood at order[k].position. The keys
// are gathered from all over the array, so those some places ahead are fetched early.
template <class Keys, class Order>
Keys GatherKeys(const Keys& keys, const Order& order) {
  Keys sorted(keys.get_allocator());
  sorted.reserve(keys.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k + kGatherAhead < order.size()) Prefetch(&keys[order[k + kGatherAhead].position]);
    sorted.push_back(keys[order[k].position]);
  }
  return sorted;
}

// A key among others with the same first 16 bytes, with the next 16 bytes of its string as two
// more big-endian numbers (zero bytes past its end).
struct AlikeKey {
  std::uint64_t third = 0;
  std::uint64_t fourth = 0;
  SortKey key;
};
constexpr std::size_t kAlikePrefix = 32;

// Orders keys[from, to), which all have the same first 16 bytes, by their strings and then
// index. Each string is fetched once for its next 16 bytes, so that most comparisons end
// there; alike is scratch space.
template <class Keys, class TextOf>
void SortAlikeKeys(Keys& keys, std::size_t from, std::size_t to, TextOf textOf,
                   std::vector<AlikeKey>& alike) {
  alike.clear();
  for (std::size_t k = from; k < to; ++k) {
    AlikeKey entry{0, 0, keys[k]};
    if (entry.key.size > kKeyPrefix) {
      const std::string_view text = textOf(entry.key);
      entry.third = BigEndianBytes(text, kKeyPrefix);
      entry.fourth = BigEndianBytes(text, kKeyPrefix + 8);
    }
    alike.push_back(entry);
  }
  std::sort(alike.begin(), alike.end(), [&](const AlikeKey& a, const AlikeKey& b) {
    if (a.third != b.third) return a.third < b.third;
    if (a.fourth != b.fourth) return a.fourth < b.fourth;
    if (a.key.size != b.key.size && (a.key.size <= kAlikePrefix || b.key.size <= kAlikePrefix)) {
      // One is within the 32 bytes padded with zero bytes, so it is a prefix of the other.
      return a.key.size < b.key.size;
    }
    if (a.key.size > kAlikePrefix) {
      const int order = CompareBytes(std::string_view(textOf(a.key)).substr(kAlikePrefix),
                                     std::string_view(textOf(b.key)).substr(kAlikePrefix));
      if (order != 0) return order < 0;
    }
    return a.key.index < b.key.index;
  });
  for (std::size_t k = from; k < to; ++k) keys[k] = alike[k - from].key;
}

// End of the run of keys[from, limit) from from on whose field is the same.
template <class Keys, class Field>
std::size_t RunEnd(const Keys& keys, std::size_t from, std::size_t limit, Field field) {
  std::size_t end = from + 1;
  while (end < limit && field(keys[end]) == field(keys[from])) ++end;
  return end;
}

// Sorts keys as their strings compare byte by byte as unsigned bytes, equal strings in file
// order. textOf(key) gives the string of a key.
//
// The keys are first put in the order of their first 8 bytes by radix passes; the groups alike
// in those are sorted by the next 8 bytes, and only keys alike in all 16 bytes are compared
// further (SortAlikeKeys). The rests of long strings are scattered in memory: those of a group
// are fetched while the group before it is finished. The result is the one order of (string,
// index), however it is reached.
template <class Keys, class TextOf>
void SortKeys(Keys& keys, TextOf textOf) {
  {
    RadixArrayFor<Keys> order(keys.size(), keys.get_allocator());
    for (std::size_t k = 0; k < keys.size(); ++k) order[k] = RadixEntry{keys[k].high, k};
    SortByDigits(order, [](const RadixEntry& entry) { return entry.high; });
    keys = GatherKeys(keys, order);
  }
  auto highOf = [](const SortKey& key) { return key.high; };
  auto lowOf = [](const SortKey& key) { return key.low; };
  // Sorts a group by its second 8 bytes and fetches the rests its alike keys will need.
  auto sortByLowAndFetch = [&](std::size_t from, std::size_t to) {
    if (to - from < 2) return;
    std::sort(keys.begin() + from, keys.begin() + to,
              [](const SortKey& a, const SortKey& b) { return a.low < b.low; });
    for (std::size_t k = from; k < to; ++k) {
      const bool alikeWithNeighbour = (k > from && keys[k - 1].low == keys[k].low) ||
                                      (k + 1 < to && keys[k + 1].low == keys[k].low);
      if (alikeWithNeighbour && keys[k].size > kKeyPrefix) Prefetch(textOf(keys[k]).data() + kKeyPrefix);
    }
  };
  std::vector<AlikeKey> alike;
  auto finishGroup = [&](std::size_t from, std::size_t to) {
    for (std::size_t run = from; run < to;) {
      const std::size_t runEnd = RunEnd(keys, run, to, lowOf);
      if (runEnd - run > 1) SortAlikeKeys(keys, run, runEnd, textOf, alike);
      run = runEnd;
    }
  };
  if (keys.empty()) return;
  std::size_t group = 0;
  std::size_t groupEnd = RunEnd(keys, 0, keys.size(), highOf);
  sortByLowAndFetch(group, groupEnd);
  while (group < keys.size()) {
    const std::size_t next = groupEnd;
    const std::size_t nextEnd = next < keys.size() ? RunEnd(keys, next, keys.size(), highOf) : next;
    sortByLowAndFetch(next, nextEnd);
    finishGroup(group, groupEnd);
    group = next;
    groupEnd = nextEnd;
  }
}

// One part's sorted keys and how to get their strings.
template <class Keys, class TextOf>
struct SortedRun {
  const Keys& keys;
  TextOf textOf;
};
template <class Keys, class TextOf>
SortedRun(const Keys&, TextOf) -> SortedRun<Keys, TextOf>;

// Calls visit(part, key) for the keys of the two sorted runs in the order of their strings;
// among equal strings the first run's keys come first (file order).
template <class First, class Second, class Visit>
void VisitMerged(const First& first, const Second& second, Visit visit) {
  const auto& a = first.keys;
  const auto& b = second.keys;
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() || j < b.size()) {
    // The second run's key goes first only when its string is strictly less.
    if (j == b.size() ||
        (i < a.size() && CompareKeyTexts(b[j], second.textOf, a[i], first.textOf) >= 0)) {
      visit(0, a[i++]);
    } else {
      visit(1, b[j++]);
    }
  }
}

// VisitMerged for the last key of each string only (the latest in file order).
template <class First, class Second, class Visit>
void VisitMergedLastOfEach(const First& first, const Second& second, Visit visit) {
  // The key taken but not visited yet: whether it is the last of its string shows only with
  // the next one.
  int heldPart = -1;
  const SortKey* held = nullptr;
  auto sameText = [&](int partX, const SortKey& x, int partY, const SortKey& y) {
    if (partX == 0) {
      return (partY == 0 ? CompareKeyTexts(x, first.textOf, y, first.textOf)
                         : CompareKeyTexts(x, first.textOf, y, second.textOf)) == 0;
    }
    return (partY == 0 ? CompareKeyTexts(x, second.textOf, y, first.textOf)
                       : CompareKeyTexts(x, second.textOf, y, second.textOf)) == 0;
  };
  VisitMerged(first, second, [&](int part, const SortKey& key) {
    if (held != nullptr && !sameText(heldPart, *held, part, key)) visit(heldPart, *held);
    heldPart = part;
    held = &key;
  });
  if (held != nullptr) visit(heldPart, *held);
}

constexpr std::size_t kFetchAhead = 16;

// What the scan of one part of the file gathers, in file order; each part's keys are sorted
// on the thread that scanned it.
struct LoadedPart {
  explicit LoadedPart(PagePool* pool)
      : records(PoolAllocator<SortKey>(pool)),
        xrefs(PoolAllocator<SortKey>(pool)),
        names(PoolAllocator<SortKey>(pool)) {}

  /// The identified level-0 lines (index: position in the part; payload: the line's offset).
  KeyArray records;
  /// One per individual (index: position among the part's individuals; payload: the
  /// identifier's offset in the file; "" at offset 0 for an individual without one).
  KeyArray xrefs;
  /// One per individual, index as in xrefs; payload: where the name begins in nameBytes.
  KeyArray names;
  std::string nameBytes;  ///< the display names, one after another
  std::uint64_t firstLine = CKinpruneDoc::kNoRecord;  ///< offset of the first non-blank line
  /// The "Loading File" percents reached while this part was scanned away from the status's
  /// thread, to be shown afterwards.
  std::vector<int> heldPercents;

  std::string_view NameOf(const SortKey& key) const {
    return std::string_view(nameBytes.data() + key.payload, key.size);
  }
};

// The identifier of the identified level-0 line at start.
std::string_view RecordXrefAt(const char* data, std::uint64_t length, std::uint64_t start) {
  const std::uint64_t end = FindLineEnd(data, start, length);
  DocLine line;
  ParseLine(data, start, end, SkipBlanks(data, start, end), line);
  return CKinpruneDoc::PointerXref(line.tag);
}

// recordOffsets from the identified level-0 lines of both parts; a later line wins.
void BuildRecordOffsets(RecordOffsetMap& recordOffsets, const LoadedPart& first,
                        const LoadedPart& second, const char* data, std::uint64_t length) {
  auto textOf = [=](const SortKey& key) { return RecordXrefAt(data, length, key.payload); };
  VisitMergedLastOfEach(SortedRun{first.records, textOf}, SortedRun{second.records, textOf},
                        [&](int, const SortKey& key) {
                          recordOffsets.emplace_hint(recordOffsets.end(), KeyText(key, textOf),
                                                     key.payload);
                        });
}

// The entries of individualsByName in file order: the first part's individuals, then the
// second's.
using EntriesInFileOrder = std::vector<IndividualEntry*, PoolAllocator<IndividualEntry*>>;

// individualsByName from both parts' sorted names; equal names in file order. The entries'
// identifiers are left empty for SetIdentifiers, so that the identifier keys can be sorted
// meanwhile. secondPartFrom is the file order position of the second part's first individual.
void BuildIndividualsByName(IndividualsByName& individualsByName, const LoadedPart (&parts)[2],
                            std::size_t secondPartFrom, EntriesInFileOrder& entries) {
  auto nameOfFirst = [&](const SortKey& key) { return parts[0].NameOf(key); };
  auto nameOfSecond = [&](const SortKey& key) { return parts[1].NameOf(key); };
  entries.assign(secondPartFrom + parts[1].names.size(), nullptr);
  // The names are visited in name order, that is all over nameBytes, and so are their slots
  // in entries (file order): each part's are fetched well ahead.
  std::size_t taken[2] = {0, 0};
  VisitMerged(SortedRun{parts[0].names, nameOfFirst}, SortedRun{parts[1].names, nameOfSecond},
              [&](int part, const SortKey& key) {
                const LoadedPart& loaded = parts[part];
                const std::size_t soon = ++taken[part] + kFetchAhead;
                if (soon < loaded.names.size()) {
                  Prefetch(loaded.nameBytes.data() + loaded.names[soon].payload);
                  Prefetch(&entries[(part == 0 ? 0 : secondPartFrom) + loaded.names[soon].index]);
                }
                const std::string_view name = loaded.NameOf(key);
                auto node = individualsByName.emplace_hint(
                    individualsByName.end(), std::piecewise_construct, std::forward_as_tuple(name),
                    std::tuple<>());
                node->second.name = node->first;
                entries[(part == 0 ? 0 : secondPartFrom) + key.index] = &node->second;
              });
}

// Every individual in the order of its identifier (equal ones in file order), as its file
// order position; the last of each identifier, the one individualByXref keeps, is marked.
class IndividualsByXrefOrder {
 public:
  explicit IndividualsByXrefOrder(PagePool* pool) : positions(PoolAllocator<std::size_t>(pool)) {}
  void Reserve(std::size_t individuals) { positions.reserve(individuals); }
  void Add(std::size_t position) { positions.push_back(position); }
  void MarkLastAdded() { positions.back() |= kLastOfItsXref; }

  std::size_t size() const { return positions.size(); }
  std::size_t PositionAt(std::size_t k) const { return positions[k] & ~kLastOfItsXref; }
  bool IsLastOfItsXref(std::size_t k) const { return (positions[k] & kLastOfItsXref) != 0; }

 private:
  static constexpr std::size_t kLastOfItsXref = std::size_t{1} << (8 * sizeof(std::size_t) - 1);
  std::vector<std::size_t, PoolAllocator<std::size_t>> positions;
};

// individualByXref without its values, which individualsByName may not hold yet: one node per
// identifier of both parts' sorted identifier keys, with a null entry. Fills order for
// SetIdentifiers.
void BuildIndividualByXrefKeys(IndividualByXref& individualByXref, const LoadedPart (&parts)[2],
                               std::size_t secondPartFrom, const char* fileBytes,
                               IndividualsByXrefOrder& order) {
  auto xrefOf = [=](const SortKey& key) { return std::string_view(fileBytes + key.payload, key.size); };
  order.Reserve(secondPartFrom + parts[1].xrefs.size());
  const SortKey* previous = nullptr;
  VisitMerged(SortedRun{parts[0].xrefs, xrefOf}, SortedRun{parts[1].xrefs, xrefOf},
              [&](int part, const SortKey& key) {
                if (previous == nullptr || CompareKeyTexts(*previous, xrefOf, key, xrefOf) != 0) {
                  if (previous != nullptr) order.MarkLastAdded();
                  individualByXref.emplace_hint(individualByXref.end(), KeyText(key, xrefOf), nullptr);
                }
                order.Add((part == 0 ? 0 : secondPartFrom) + key.index);
                previous = &key;
              });
  if (previous != nullptr) order.MarkLastAdded();
}

// Walks order[first, last), which begins with an individual of node's identifier: gives each
// entry its identifier, and each node the entry of the last individual with it.
void SetIdentifiers(IndividualByXref::iterator node, const IndividualsByXrefOrder& order,
                    std::size_t first, std::size_t last, const EntriesInFileOrder& entries) {
  constexpr std::size_t kEntryAhead = 8;
  for (std::size_t k = first; k < last; ++k) {
    if (k + kFetchAhead < last) Prefetch(&entries[order.PositionAt(k + kFetchAhead)]);
    if (k + kEntryAhead < last) Prefetch(entries[order.PositionAt(k + kEntryAhead)]);
    IndividualEntry* entry = entries[order.PositionAt(k)];
    entry->xref = std::string(node->first);
    if (order.IsLastOfItsXref(k)) {
      node->second = entry;
      ++node;
    }
  }
}

// Where SetIdentifiers' second half of order begins, and the node of that individual's
// identifier. The halves may share an identifier: only the half with its last individual
// writes the node.
std::pair<std::size_t, IndividualByXref::iterator> SecondHalf(IndividualByXref& individualByXref,
                                                              const IndividualsByXrefOrder& order) {
  const std::size_t half = order.size() / 2;
  std::ptrdiff_t nodesBefore = 0;
  for (std::size_t k = 0; k < half; ++k) nodesBefore += order.IsLastOfItsXref(k) ? 1 : 0;
  return {half, std::next(individualByXref.begin(), nodesBefore)};
}

// Shows "Loading File %d%%" whenever the whole percent of the file read changes, or holds the
// percents back for a part scanned away from the status's thread.
class LoadProgress {
 public:
  LoadProgress(StatusSink* status, std::uint64_t fileLength)
      : status(status), fileLength(fileLength) {}
  LoadProgress(std::vector<int>* held, std::uint64_t fileLength)
      : held(held), fileLength(fileLength) {}

  /// The first position for which At may show or hold a percent; the largest position when
  /// nothing is shown or held.
  std::uint64_t NextDue() const {
    return status != nullptr || held != nullptr ? nextPercentAt
                                                : std::numeric_limits<std::uint64_t>::max();
  }

  /// position: where the scan is; it only goes forward.
  void At(std::uint64_t position) {
    if ((status == nullptr && held == nullptr) || position < nextPercentAt) return;
    const int percent = WholePercent(position, fileLength);
    Reach(percent);
    // The first position of a higher whole percent, so that most lines skip the division.
    nextPercentAt = FirstPartOfPercent(percent + 1, fileLength);
  }

  /// Shows the percents another part held back, as if this scan had reached them.
  void ReachAll(const std::vector<int>& percents) {
    for (const int percent : percents) Reach(percent);
  }

 private:
  void Reach(int percent) {
    if (percent == lastPercent) return;
    lastPercent = percent;
    if (held != nullptr) {
      held->push_back(percent);
      return;
    }
    if (status == nullptr) return;
    constexpr std::string_view kLoading = "Loading File ";
    char text[32];
    char* out = std::copy(kLoading.begin(), kLoading.end(), text);
    out = std::to_chars(out, text + sizeof text - 1, percent).ptr;
    *out++ = '%';
    status->SetStatusText(std::string_view(text, out - text));
  }

  StatusSink* status = nullptr;
  std::vector<int>* held = nullptr;
  std::uint64_t fileLength;
  std::uint64_t nextPercentAt = 0;
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

// Scans the lines that start in [from, to) of data[0, length) into part; to is length or the
// start of a level-0 line, so no record runs across it.
void ScanPart(const char* data, std::uint64_t length, std::uint64_t from, std::uint64_t to,
              LoadedPart& part, LoadProgress& progress) {
  // Generous guesses (a few hundred bytes per individual): capacity never touched costs no
  // memory, and growing these arrays would copy them.
  const std::uint64_t span = to - from;
  part.nameBytes.reserve(span / 16);
  part.xrefs.reserve(span / 256);
  part.names.reserve(span / 256);
  part.records.reserve(span / 256);
  bool pending = false;  // an INDI record is open: its NAME lines name it
  std::size_t nameStart = 0;

  auto closeIndividual = [&] {
    pending = false;
    const std::size_t nameSize = part.nameBytes.size() - nameStart;
    ProperCaseBytes(part.nameBytes.data() + nameStart, nameSize);
    part.names.push_back(MakeSortKey(std::string_view(part.nameBytes).substr(nameStart),
                                     part.xrefs.size() - 1, nameStart));
  };
  // The last NAME line of a record names it; its display name replaces an earlier one.
  auto setName = [&](std::string_view value) {
    part.nameBytes.resize(nameStart);
    AppendDisplayName(part.nameBytes, value);
    if (part.nameBytes.size() == nameStart) part.nameBytes.append("!unknown");
  };

  DocLine line;
  // Everything the line that begins at start brings.
  auto scanLine = [&](std::uint64_t start) {
    const std::uint64_t end = FindLineEnd(data, start, length);
    const std::uint64_t next = PastTerminator(data, end, length);
    const std::uint64_t pos = SkipBlanks(data, start, end);
    if (pos == end) return;  // blank
    if (part.firstLine == CKinpruneDoc::kNoRecord) part.firstLine = start;
    progress.At(next);
    if (!IsAsciiDigit(static_cast<unsigned char>(data[pos]))) return;  // no level number

    if (HasLevelZero(data, pos, end)) {
      if (pending) closeIndividual();
      ParseLine(data, start, end, pos, line);
      const bool hasXref = CKinpruneDoc::IsPointerValue(line.tag);
      const std::string_view xref = hasXref ? CKinpruneDoc::PointerXref(line.tag) : std::string_view{};
      if (hasXref) part.records.push_back(MakeSortKey(xref, part.records.size(), start));
      if (line.value == "INDI") {
        pending = true;
        nameStart = part.nameBytes.size();
        part.nameBytes.append("!unknown");
        const std::uint64_t xrefOffset = hasXref ? static_cast<std::uint64_t>(xref.data() - data) : 0;
        part.xrefs.push_back(MakeSortKey(xref, part.xrefs.size(), xrefOffset));
      }
    } else if (pending && HasNameTag(data, start, end, pos, line)) {
      ParseLine(data, start, end, pos, line);
      setName(line.value);
    }
  };

  // Most lines bring nothing but progress: those at a level of one digit other than 0, outside
  // an individual or, inside one, with a tag that is not NAME. They are told by their first
  // bytes alone, without a search for their end.
  auto bringsNothing = [&](std::uint64_t start) {
    const auto first = static_cast<unsigned char>(data[start]);
    if (first < '1' || first > '9') return false;
    if (!pending) return true;
    constexpr std::string_view kName = "NAME";
    return length - start >= 2 + kName.size() && data[start + 1] == ' ' &&
           static_cast<unsigned char>(data[start + 2]) > 0x20 &&
           std::string_view(data + start + 2, kName.size()) != kName;
  };
  // Such a line's progress is made up when a percent may be due by the next line's start.
  std::uint64_t passedOver = CKinpruneDoc::kNoRecord;
  std::uint64_t dueAt = progress.NextDue();
  auto settlePassedOver = [&](std::uint64_t upTo) {
    if (upTo < dueAt || passedOver == CKinpruneDoc::kNoRecord) return;
    progress.At(PastTerminator(data, FindLineEnd(data, passedOver, length), length));
    dueAt = progress.NextDue();
    passedOver = CKinpruneDoc::kNoRecord;
  };

  // A line that is not blank begins with a byte that is neither CR nor LF, right after one that
  // is (or at from). Lines of CR and LF alone bring nothing, so only those bytes are visited;
  // they are found 64 bytes at a time as bits. The first line is always looked at in full.
  constexpr std::uint64_t kWidth = 64;
  std::uint64_t lineEndBefore = 1;  // from begins a line
  // Whether part.firstLine is set, kept in a local: read from part on every line, it cost 1 %
  // more instructions, since the compiler cannot keep it in a register across the scan's stores.
  bool seenFirstLine = false;
  for (std::uint64_t base = from; base < to; base += kWidth) {
    std::uint64_t lineEnds = 0;
    std::uint64_t present = ~std::uint64_t{0};
    if (length - base >= kWidth) {
      lineEnds = gedtext::LineEndMask(data + base);
    } else {
      present = (std::uint64_t{1} << (length - base)) - 1;
      for (std::uint64_t k = 0; base + k < length; ++k) {
        if (IsLineEnd(static_cast<unsigned char>(data[base + k]))) lineEnds |= std::uint64_t{1} << k;
      }
    }
    std::uint64_t lineStarts = ~lineEnds & ((lineEnds << 1) | lineEndBefore) & present;
    lineEndBefore = lineEnds >> (kWidth - 1);
    for (; lineStarts != 0; lineStarts &= lineStarts - 1) {
      const std::uint64_t start = base + static_cast<std::uint64_t>(std::countr_zero(lineStarts));
      if (start >= to) break;
      settlePassedOver(start);
      if (seenFirstLine && bringsNothing(start)) {
        passedOver = start;
        continue;
      }
      passedOver = CKinpruneDoc::kNoRecord;
      scanLine(start);
      dueAt = progress.NextDue();
      seenFirstLine = part.firstLine != CKinpruneDoc::kNoRecord;
    }
  }
  settlePassedOver(to);
  if (pending) closeIndividual();
}

// Sorts the record and name keys of a part scanned by ScanPart.
void SortPart(LoadedPart& part, const char* data, std::uint64_t length) {
  SortKeys(part.records, [=](const SortKey& key) { return RecordXrefAt(data, length, key.payload); });
  SortKeys(part.names, [&](const SortKey& key) { return part.NameOf(key); });
}

// Files from this size on are scanned in two parts at once.
constexpr std::uint64_t kTwoPartMinimum = std::uint64_t{4} << 20;

// Where the second part of a scan of data[0, length) begins: the first level-0 line written
// "0 " at the start of a line from the middle on, or length when there is none (or the file is
// small). Every byte after CR or LF that is neither begins a line of its own, whatever came
// before, so the scan of the first part ends exactly there.
std::uint64_t SecondPartStart(const char* data, std::uint64_t length) {
  if (length < kTwoPartMinimum) return length;
  std::uint64_t pos = length / 2;
  for (;;) {
    pos = FindLineEnd(data, pos, length);
    while (pos < length && IsLineEnd(static_cast<unsigned char>(data[pos]))) ++pos;
    if (pos + 1 >= length) return length;
    if (data[pos] == '0' && data[pos + 1] == ' ') return pos;
  }
}

// Runs first and second at once when together is true, otherwise one after the other.
template <class First, class Second>
void RunBoth(bool together, First&& first, Second&& second) {
  if (together) {
    RunSideBySide(first, second);
  } else {
    first();
    second();
  }
}

}  // namespace

void CKinpruneDoc::LoadPass(StatusSink* status) {
  const char* data = fileData.data();
  const std::uint64_t length = fileLength;
  constexpr std::uint64_t kByteOrderMarkSize = 3;
  const std::uint64_t begin = hasByteOrderMark ? kByteOrderMarkSize : 0;
  const std::uint64_t split = std::max(begin, SecondPartStart(data, length));
  const bool twoParts = split < length;

  LoadedPart parts[2] = {LoadedPart(&pagePool), LoadedPart(&pagePool)};
  LoadProgress progress(status, length);
  LoadProgress heldProgress(status != nullptr ? &parts[1].heldPercents : nullptr, length);
  RunBoth(
      twoParts,
      [&] {
        ScanPart(data, length, begin, split, parts[0], progress);
        SortPart(parts[0], data, length);
      },
      [&] {
        ScanPart(data, length, split, length, parts[1], heldProgress);
        SortPart(parts[1], data, length);
      });
  progress.ReachAll(parts[1].heldPercents);
  firstLineOffset = parts[0].firstLine != kNoRecord ? parts[0].firstLine : parts[1].firstLine;
  readPos = length;

  // The name table takes longest, so the other thread also sorts the identifier keys and
  // builds individualByXref meanwhile; the entries get their identifiers, and the nodes their
  // entries, once both tables stand.
  const std::size_t secondPartFrom = parts[0].xrefs.size();
  EntriesInFileOrder entries{PoolAllocator<IndividualEntry*>(&pagePool)};
  IndividualsByXrefOrder xrefOrder(&pagePool);
  std::pair<std::size_t, IndividualByXref::iterator> secondHalf;
  RunBoth(
      twoParts,
      [&] {
        BuildIndividualsByName(individualsByName, parts, secondPartFrom, entries);
        for (LoadedPart& part : parts) {
          FreeArray(part.names);
          part.nameBytes = std::string();
        }
      },
      [&] {
        BuildRecordOffsets(recordOffsets, parts[0], parts[1], data, length);
        for (LoadedPart& part : parts) FreeArray(part.records);
        auto xrefOf = [=](const SortKey& key) { return std::string_view(data + key.payload, key.size); };
        for (LoadedPart& part : parts) SortKeys(part.xrefs, xrefOf);
        BuildIndividualByXrefKeys(individualByXref, parts, secondPartFrom, data, xrefOrder);
        for (LoadedPart& part : parts) FreeArray(part.xrefs);
        secondHalf = SecondHalf(individualByXref, xrefOrder);
      });
  RunBoth(
      twoParts,
      [&] { SetIdentifiers(individualByXref.begin(), xrefOrder, 0, secondHalf.first, entries); },
      [&] { SetIdentifiers(secondHalf.second, xrefOrder, secondHalf.first, xrefOrder.size(), entries); });
}


bool CKinpruneDoc::NamesOpenedFile(const std::string& path) const {
  if (sourcePath.empty()) return false;
  return path == sourcePath || gedtext::NameSameExistingFile(path, sourcePath);
}

}  // namespace kinprune
