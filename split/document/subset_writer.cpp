// subset_writer.cpp - writing the selected individuals with their reference closure, and the safe
// replacement of the destination file.
#include <fcntl.h>     // ::fchmod, ::sync_file_range
#include <stdlib.h>    // ::mkstemp
#include <sys/stat.h>  // ::stat, ::fstat, ::umask
#include <unistd.h>    // ::access, ::write, ::fsync, ::close, ::unlink

#include <algorithm>   // std::sort
#include <array>       // std::array
#include <bit>         // std::bit_width
#include <cerrno>      // errno
#include <cstddef>     // std::ptrdiff_t
#include <charconv>    // std::to_chars
#include <cstdio>      // std::rename
#include <cstring>     // std::strerror
#include <filesystem>  // std::filesystem::path
#include <functional>  // std::function
#include <new>         // std::bad_alloc
#include <optional>    // std::optional
#include <ostream>     // std::ostream
#include <system_error>   // std::system_error
#include <unordered_map>  // std::unordered_multimap
#include <utility>        // std::pair, std::as_const, std::swap
#include <vector>      // std::vector

#include "block_writer.h"
#include "file_identity.h"
#include "kinprune_doc.h"
#include "line_reader.h"
#include "record_lines.h"
#include "side_by_side.h"

namespace kinprune {

namespace {

// How far a record table entry has got in one save.
enum class Progress : std::uint8_t {
  None,     // not needed (yet)
  Named,    // needed, but its record is not read for pointers (the header's pointers)
  Queued,   // on the work list: its record will be read for pointers
  Scanned,  // its record has been read for pointers
  Complete, // read, and every pointer in its record is needed: written without lookups
};

bool IsScanned(Progress progress) { return progress >= Progress::Scanned; }

// The progress of every entry of the record table, by the id its hash index gives it. The
// entries of missing records that the save adds get new ids, so the array grows on demand.
class NeededRecords {
 public:
  explicit NeededRecords(std::size_t entries) : progress(entries, Progress::None) {}

  Progress Get(std::uint32_t id) const {
    return id < progress.size() ? progress[id] : Progress::None;
  }
  Progress& At(std::uint32_t id) {
    if (id >= progress.size()) progress.resize(std::max<std::size_t>(id + 1, 2 * progress.size()));
    return progress[id];
  }

 private:
  std::vector<Progress> progress;
};

// A record to write, and whether every pointer in it is known to be needed.
struct RecordToWrite {
  std::uint64_t offset;
  bool complete;
  bool operator<(const RecordToWrite& other) const { return offset < other.offset; }
};

// The record of a selected individual: where it starts and its table entry's id.
struct IndividualRecord {
  std::uint64_t offset;
  std::uint32_t id;
  bool operator<(const IndividualRecord& other) const { return offset < other.offset; }
};

// Sorts items (with an offset member and operator< by it) by offset; offsets of limit or more
// sort last among themselves. One pass in place puts the items into buckets by the top bits of
// their offsets, and each bucket, small enough for the caches, is then sorted on its own: a
// plain sort of a million records went over all of them some twenty times.
template <class Item>
void SortByOffset(std::vector<Item>& items, std::uint64_t limit) {
  constexpr unsigned kBucketBits = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kBucketBits;
  constexpr std::size_t kFewItems = 4 * kBuckets;
  if (items.size() < kFewItems || limit == 0) {
    std::sort(items.begin(), items.end());
    return;
  }
  const unsigned width = static_cast<unsigned>(std::bit_width(limit));
  const unsigned shift = width > kBucketBits ? width - kBucketBits : 0;
  auto bucketOf = [&](const Item& item) {
    return item.offset >= limit ? kBuckets - 1 : static_cast<std::size_t>(item.offset >> shift);
  };
  std::vector<std::size_t> next(kBuckets + 1, 0);  // next[b]: where bucket b's next item goes
  for (const Item& item : items) ++next[bucketOf(item) + 1];
  for (std::size_t b = 1; b <= kBuckets; ++b) next[b] += next[b - 1];
  const std::vector<std::size_t> bounds = next;  // bucket b is [bounds[b], bounds[b + 1])
  for (std::size_t b = 0; b < kBuckets; ++b) {
    while (next[b] < bounds[b + 1]) {
      Item item = items[next[b]];
      for (std::size_t target = bucketOf(item); target != b; target = bucketOf(item)) {
        std::swap(item, items[next[target]++]);
      }
      items[next[b]++] = item;
    }
  }
  for (std::size_t b = 0; b < kBuckets; ++b) {
    std::sort(items.begin() + static_cast<std::ptrdiff_t>(bounds[b]),
              items.begin() + static_cast<std::ptrdiff_t>(bounds[b + 1]));
  }
}

// Record index lookups held back for a fixed number of xrefs, first in first out: each
// lookup's index place is fetched when its xref comes in, and the lookup made that many xrefs
// later. The views must outlive their time in the queue.
class LookupsAhead {
 public:
  /// Starts the lookup of xref, and makes the one started the fixed number of xrefs before
  /// with lookUp(xref), if there is one.
  template <class LookUp>
  void Add(const CKinpruneDoc& doc, std::string_view xref, LookUp& lookUp) {
    doc.PrefetchRecordEntry(xref);
    if (count == kDistance) lookUp(Pop());
    items[(first + count) % kDistance] = xref;
    ++count;
  }
  /// Makes every lookup still held back.
  template <class LookUp>
  void Finish(LookUp& lookUp) {
    while (count != 0) lookUp(Pop());
  }
  std::size_t Held() const { return count; }

 private:
  std::string_view Pop() {
    const std::string_view xref = items[first];
    first = (first + 1) % kDistance;
    --count;
    return xref;
  }

  static constexpr std::size_t kDistance = 16;
  std::array<std::string_view, kDistance> items{};
  std::size_t first = 0;
  std::size_t count = 0;
};

// One xref on the closure's work list.
struct QueuedRecord {
  std::string_view xref;  // a pointer value in fileData or an entry's xref: outlives the save
  std::uint64_t offset;
  std::uint32_t id;
};

// Pointers under these tags name people whose records are not pulled in by the pointer itself:
// a family does not bring along every member, only the ones written for other reasons.
bool IsMemberTag(std::string_view tag) {
  return tag == "CHIL" || tag == "HUSB" || tag == "WIFE" || tag == "ALIA" || tag == "ASSO";
}

// Depth of a line for the skip rules: a line without a level number is deeper than any line.
constexpr std::int64_t kLevellessDepth = std::int64_t{CKinpruneDoc::kSaturatedLevel} + 1;
constexpr std::int64_t kNoSkip = std::numeric_limits<std::int64_t>::max();

// True when the line [first, last) is written back byte for byte by WriteLine: a level of at
// most nine digits without leading zeros, one space, a tag, and either nothing more or one space
// and a value that is not empty. Tells whether the level is 0.
bool IsInOutputForm(const char* first, const char* last, bool& levelZero) {
  constexpr std::ptrdiff_t kMostLevelDigits = 9;  // never saturates
  auto byte = [](const char* p) { return static_cast<unsigned char>(*p); };
  const char* p = first;
  while (p < last && byte(p) >= '0' && byte(p) <= '9') ++p;
  const std::ptrdiff_t digits = p - first;
  if (digits == 0 || digits > kMostLevelDigits || (digits > 1 && *first == '0')) return false;
  if (p + 1 >= last || *p != ' ' || byte(p + 1) <= 0x20) return false;
  for (++p; p < last && byte(p) > 0x20; ++p) {
  }
  if (p != last && (*p != ' ' || p + 1 == last)) return false;
  levelZero = digits == 1 && *first == '0';
  return true;
}

std::int64_t Depth(const DocLine& line) { return line.hasLevel ? line.level : kLevellessDepth; }
bool EndsRecord(const DocLine& line) { return line.hasLevel && line.level == 0; }

std::string SaveErrorText(const std::string& path, int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return "Access to " + path + " was denied.";
    case ENOSPC:
    case EDQUOT:
      return "Disk full while accessing " + path + ".";
    case EISDIR:
      return "Failed to save document " + path + ": it is a folder.";
    default:
      return "Failed to save document " + path + " (" + std::strerror(error) + ").";
  }
}

}  // namespace

/// One save: the working sets, the output buffer and the status texts.
struct CKinpruneDoc::Writer {
  using Drain = std::function<bool(std::string_view)>;

  Writer(CKinpruneDoc& doc, StatusSink* status, Drain drain)
      : doc(doc), status(status), drain(std::move(drain)) {
    buffer.reserve(kBufferSize);
  }

  /// Lets a second thread write the blocks while the next ones are gathered. Only for a save
  /// without status texts: a failed write shows up one block later there, and the percentages
  /// shown must stop where the failure happened.
  /// False when no thread could be started: every block is then written in turn.
  bool WriteInBackground() {
    try {
      background.emplace(drain);
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }

  /// Waits until the background thread, if any, has written what it was given and ends it.
  void StopBackground() { background.reset(); }

  /// The whole pass; false when the drain failed. "File written" is left to the caller when
  /// announceDone is false (the file is not in place before its rename).
  bool Run(bool announceDone) {
    CopyHeader();
    ScanSelectedIndividuals();
    SetStatus("Locating references...");
    CloseOverReferences();
    WriteRecords();
    Append("0 TRLR\r\n");
    if (!FlushAll()) return false;
    if (announceDone) SetStatus("File written");
    return true;
  }

 private:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

  // Lines under a member-tag pointer whose target was not needed when its record was scanned;
  // scanned after all if the target becomes needed, so the result does not depend on the order
  // in which identifiers sort.
  struct DeferredLines {
    std::uint64_t position;  // first byte after the pointer line
    std::int32_t level;      // the pointer line's level
  };

  void SetStatus(std::string_view text) {
    if (status) status->SetStatusText(text);
  }

  void ShowPercent(std::string_view label, std::uint64_t position, std::uint64_t count) {
    if (!status) return;
    const int percent = static_cast<int>(position * 100 / count);
    if (percent == lastPercent) return;
    lastPercent = percent;
    std::string text(label);
    text += std::to_string(percent);
    text += '%';
    status->SetStatusText(text);
  }

  void Append(std::string_view bytes) {
    buffer.append(bytes);
    if (buffer.size() >= kBufferSize) Flush();
  }

  bool Flush() {
    if (!failed && !buffer.empty() && !WriteBlock()) failed = true;
    buffer.clear();
    return !failed;
  }

  // Writes the buffer, or hands it to the background thread; false on a failure known so far.
  bool WriteBlock() { return background ? background->HandOver(buffer) : drain(buffer); }

  // The last Flush, and waiting until every block is written.
  bool FlushAll() {
    Flush();
    if (background && !background->Finish()) failed = true;
    return !failed;
  }

  void AppendLevel(std::int32_t level) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, level).ptr;
    buffer.append(digits, end);
  }

  void WriteFirstLine(const DocLine& line) {
    if (!line.hasLevel) return WriteUnparsed(line);
    AppendLevel(line.level);
    buffer += ' ';
    buffer.append(line.tag);
    buffer += ' ';
    buffer.append(line.value);
    Append("\r\n");
  }

  void WriteLine(const DocLine& line) {
    if (!line.hasLevel) return WriteUnparsed(line);
    AppendLevel(line.level);
    buffer += ' ';
    buffer.append(line.tag);
    if (!line.value.empty()) {
      buffer += ' ';
      buffer.append(line.value);
    }
    Append("\r\n");
  }

  // A line without a level number is copied as it stood, since nothing in it can be trusted to
  // be a level or a tag.
  void WriteUnparsed(const DocLine& line) {
    buffer.append(line.text);
    Append("\r\n");
  }

  // The first record is copied whole; its pointers make their targets needed but are not
  // followed further.
  void CopyHeader() {
    if (doc.hasByteOrderMark) buffer.append(gedtext::kUtf8ByteOrderMark);
    doc.readPos = 0;
    DocLine line;
    if (!doc.ReadLine(line)) return;
    WriteFirstLine(line);
    while (doc.ReadLine(line) && !EndsRecord(line)) {
      if (line.hasLevel && IsPointerValue(line.value)) {
        Progress& progress = needed.At(doc.RecordEntry(PointerXref(line.value)).id);
        if (progress == Progress::None) progress = Progress::Named;
      }
      WriteLine(line);
    }
  }

  // Every pointer of a selected individual's record counts, whatever its tag and depth: more
  // than a scan by the closure's rules would find, so the record need not be read again. The
  // needed set the closure ends with does not depend on the order of the work, so the records
  // are read in file order rather than the list's.
  //
  // The records are taken in blocks. Each block is read in two halves at once, on two threads
  // that look up every pointer in the record index (read-only, so the index must not change
  // meanwhile); the pointers found are then queued on this thread in file order, where a
  // pointer without a record gets its table entry. The work list, the entries added and their
  // order are those of reading the records one by one.
  void ScanSelectedIndividuals() {
    constexpr std::size_t kBlock = std::size_t{1} << 16;
    constexpr std::size_t kTwoThreadsFrom = 4096;  // records in a block
    std::vector<IndividualRecord> records = FindSelectedRecords();
    SortByOffset(records, doc.fileLength);
    doc.IndexRecords();  // the halves' lookups only read the index
    PointersFound firstHalf;
    PointersFound secondHalf;
    for (std::size_t block = 0; block < records.size(); block += kBlock) {
      const std::size_t blockEnd = std::min(records.size(), block + kBlock);
      const std::size_t middle = block + (blockEnd - block) / 2;
      auto readFirst = [&] { CollectPointers(records, block, middle, firstHalf); };
      auto readSecond = [&] { CollectPointers(records, middle, blockEnd, secondHalf); };
      if (blockEnd - block >= kTwoThreadsFrom) {
        RunSideBySide(readFirst, readSecond);
      } else {
        readFirst();
        readSecond();
      }
      QueueFound(records, block, middle, firstHalf);
      QueueFound(records, middle, blockEnd, secondHalf);
    }
  }

  // A pointer of a selected individual's record and its index entry, looked up beside the
  // closure (found is false when the index has none).
  struct FoundPointer {
    std::string_view xref;
    std::uint64_t offset;
    std::uint32_t id;
    bool found;
  };
  // What CollectPointers gives for records[first, last): each record's pointers in file order,
  // and whether its level-0 line could be read.
  struct PointersFound {
    std::vector<FoundPointer> pointers;
    std::vector<std::uint32_t> pointersUpTo;  // per record: end of its pointers in pointers
    std::vector<char> begun;                  // per record
  };

  // Reads records[first, last) for their pointers and looks each up, fetching the index place
  // of a pointer some pointers before its lookup. Reads the document and its index only.
  void CollectPointers(const std::vector<IndividualRecord>& records, std::size_t first,
                       std::size_t last, PointersFound& found) const {
    constexpr std::size_t kRecordsAhead = 4;
    found.pointers.clear();
    found.pointersUpTo.clear();
    found.begun.clear();
    LookupsAhead ahead;
    auto lookUp = [&](std::string_view xref) {
      const CKinpruneDoc::RecordSlot* record = doc.LookUpIndexedRecord(xref);
      found.pointers.push_back(record != nullptr ? FoundPointer{xref, record->value, record->id, true}
                                                 : FoundPointer{xref, kNoRecord, 0, false});
    };
    auto lookUpSoon = [&](const DocLine& line) {
      if (!line.hasLevel || !IsPointerValue(line.value)) return;
      const std::string_view xref = PointerXref(line.value);
      ahead.Add(doc, xref, lookUp);
    };
    DocLine line;
    for (std::size_t k = first; k < last; ++k) {
      if (k + kRecordsAhead < last) PrefetchRecordStart(records[k + kRecordsAhead].offset);
      std::uint64_t pos = records[k].offset;
      const bool begun = pos < doc.fileLength && doc.ReadLineFrom(pos, line);
      if (begun) {
        lookUpSoon(line);
        while (doc.NextPointerLineFrom(pos, line)) lookUpSoon(line);
      }
      found.begun.push_back(begun ? 1 : 0);
      // The lookups still held back belong to this record or earlier ones: the count of
      // pointers so far includes them.
      found.pointersUpTo.push_back(static_cast<std::uint32_t>(found.pointers.size() + ahead.Held()));
    }
    ahead.Finish(lookUp);
  }

  // Queues the pointers CollectPointers found for records[first, last), in file order, and
  // marks each record read: every pointer line in it is queued, so each target is needed from
  // now on.
  void QueueFound(const std::vector<IndividualRecord>& records, std::size_t first, std::size_t last,
                  const PointersFound& found) {
    std::size_t next = 0;
    for (std::size_t k = first; k < last; ++k) {
      const std::size_t upTo = found.pointersUpTo[k - first];
      for (; next < upTo; ++next) {
        const FoundPointer& pointer = found.pointers[next];
        if (pointer.found) {
          Queue(pointer.xref, pointer.id, pointer.offset);
        } else {
          Queue(pointer.xref);
        }
      }
      if (found.begun[k - first] != 0) needed.At(records[k].id) = Progress::Complete;
    }
  }

  // The records of the selected individuals, in the list's order, each marked as read.
  std::vector<IndividualRecord> FindSelectedRecords() {
    const std::uint64_t count = doc.individualsByName.size();
    std::uint64_t position = 0;
    std::vector<IndividualRecord> records;
    LookupsAhead individualsAhead;
    auto lookUp = [&](std::string_view xref) {
      const CKinpruneDoc::RecordSlot& record = doc.RecordEntry(xref);
      const IndividualRecord found{record.value, record.id};
      records.push_back(found);
      needed.At(found.id) = Progress::Scanned;
    };
    for (const auto& [name, entry] : doc.individualsByName) {
      ShowPercent("Scanning Individuals ", position++, count);
      if (!entry.selected) continue;
      individualsAhead.Add(doc, entry.xref, lookUp);
    }
    individualsAhead.Finish(lookUp);
    return records;
  }

  void PrefetchRecordStart(std::uint64_t offset) const {
#if defined(__GNUC__) || defined(__clang__)
    constexpr std::uint64_t kCacheLine = 64;
    if (offset >= doc.fileLength) return;
    const char* start = doc.fileData.data() + offset;
    __builtin_prefetch(start);
    if (offset + kCacheLine < doc.fileLength) __builtin_prefetch(start + kCacheLine);
#else
    (void)offset;
#endif
  }

  // Reads the record of every queued xref for its pointers, until nothing is queued. The
  // needed set this ends with does not depend on the order of the work: an xref is queued at
  // most once, lines under a member pointer are read once their target is needed (at once, or
  // when the target's turn comes), and every other pointer's target is queued.
  //
  // So the work is done in rounds: each round takes what is queued, in file order, and what it
  // queues waits for the next round. While one record is read, the bytes of a record a few
  // places on are fetched, and the index slots of the pointers of a nearer one.
  void CloseOverReferences() {
    constexpr std::size_t kRecordsAhead = 8;
    constexpr std::size_t kTargetsAhead = 3;
    std::vector<QueuedRecord> round;
    while (!workList.empty()) {
      round.swap(workList);
      workList.clear();
      std::sort(round.begin(), round.end(),
                [](const QueuedRecord& a, const QueuedRecord& b) { return a.offset < b.offset; });
      for (std::size_t k = 0; k < round.size(); ++k) {
        if (k + kRecordsAhead < round.size()) PrefetchRecordStart(round[k + kRecordsAhead].offset);
        if (k + kTargetsAhead < round.size()) PrefetchPointerTargets(round[k + kTargetsAhead]);
        ScanQueued(round[k]);
      }
    }
  }

  void ScanQueued(const QueuedRecord& queued) {
    Progress& progress = needed.At(queued.id);
    if (IsScanned(progress)) return;
    progress = Progress::Scanned;
    ScanDeferred(queued.xref);
    if (queued.offset != kNoRecord) {
      doc.readPos = queued.offset;
      DocLine line;
      doc.ReadLine(line);
      // A record none of whose lines were put aside has all its pointers' targets needed.
      if (!ScanLines(0)) needed.At(queued.id) = Progress::Complete;
    }
  }

  // Asks for the index slots of the pointers in the record of queued, which is about to be
  // read; moves readPos.
  void PrefetchPointerTargets(const QueuedRecord& queued) {
    if (queued.offset == kNoRecord || IsScanned(needed.Get(queued.id))) return;
    doc.readPos = queued.offset;
    DocLine line;
    if (!doc.ReadLine(line)) return;
    while (doc.ReadLine(line) && !EndsRecord(line)) {
      if (line.hasLevel && IsPointerValue(line.value)) {
        doc.PrefetchRecordEntry(PointerXref(line.value));
      }
    }
  }

  // Puts xref on the work list unless its record is read already or will be.
  void Queue(std::string_view xref) { Queue(xref, doc.RecordEntry(xref)); }

  // The same for an xref whose entry is looked up already.
  void Queue(std::string_view xref, const CKinpruneDoc::RecordSlot& record) {
    Queue(xref, record.id, record.value);
  }
  void Queue(std::string_view xref, std::uint32_t id, std::uint64_t offset) {
    Progress& progress = needed.At(id);
    if (progress != Progress::None && progress != Progress::Named) return;
    progress = Progress::Queued;
    workList.push_back(QueuedRecord{xref, offset, id});
  }

  bool IsNeeded(std::string_view xref) {
    const CKinpruneDoc::RecordSlot* record = doc.FindRecordEntry(xref);
    return record != nullptr && needed.Get(record->id) != Progress::None;
  }

  void ScanDeferred(std::string_view xref) {
    if (deferredLines.empty()) return;
    auto [first, last] = deferredLines.equal_range(xref);
    if (first == last) return;
    std::vector<DeferredLines> due;
    for (auto it = first; it != last; ++it) due.push_back(it->second);
    deferredLines.erase(first, last);
    for (const DeferredLines& lines : due) {
      doc.readPos = lines.position;
      ScanLines(lines.level);
    }
  }

  // Scans the lines from readPos that lie deeper than aboveLevel (a whole record for 0). True
  // when lines under a member pointer were put aside.
  bool ScanLines(std::int32_t aboveLevel) {
    bool deferred = false;
    std::int64_t skipLevel = kNoSkip;
    DocLine line;
    while (doc.ReadLine(line)) {
      if (line.hasLevel && line.level <= aboveLevel) break;
      const std::int64_t depth = Depth(line);
      if (depth > skipLevel) continue;
      skipLevel = kNoSkip;
      if (!line.hasLevel || !IsPointerValue(line.value)) continue;
      const std::string_view target = PointerXref(line.value);
      const CKinpruneDoc::RecordSlot* record = doc.FindRecordEntry(target);
      if (record != nullptr && needed.Get(record->id) != Progress::None) continue;
      if (IsMemberTag(line.tag)) {
        skipLevel = depth;
        deferred = true;
        deferredLines.emplace(target, DeferredLines{doc.readPos, line.level});
      } else if (record != nullptr) {
        Queue(target, *record);
      } else {
        Queue(target);
      }
    }
    return deferred;
  }

  void WriteRecords() {
    std::vector<RecordToWrite> records;
    doc.recordIndex.ForEach([&](const CKinpruneDoc::RecordSlot& record) {
      // The first record went out as the header copy already.
      const Progress progress = needed.Get(record.id);
      if (progress != Progress::None && record.value != kNoRecord &&
          record.value != doc.firstLineOffset) {
        records.push_back(RecordToWrite{record.value, progress == Progress::Complete});
      }
    });
    SortByOffset(records, doc.fileLength);

    const std::uint64_t count = records.size();
    std::uint64_t position = 0;
    DocLine line;
    for (const RecordToWrite& record : records) {
      if (failed) return;
      ShowPercent("Writing File ", position++, count);
      if (record.complete) {
        WriteWholeRecord(record.offset, line);
        continue;
      }
      doc.readPos = record.offset;
      if (!doc.ReadLine(line)) continue;
      WriteLine(line);
      std::int64_t skipLevel = kNoSkip;
      while (doc.ReadLine(line) && !EndsRecord(line)) {
        const std::int64_t depth = Depth(line);
        if (depth > skipLevel) continue;
        skipLevel = kNoSkip;
        if (line.hasLevel && IsPointerValue(line.value) && !IsNeeded(PointerXref(line.value))) {
          skipLevel = depth;
          continue;
        }
        WriteLine(line);
      }
    }
  }

  // A record whose pointers are all needed: every line goes out. Lines already in the form
  // WriteLine gives them are copied as they stand; from the first one that is not, the rest
  // of the record goes through the reader.
  void WriteWholeRecord(std::uint64_t offset, DocLine& line) {
    const CopiedLines copied = CopyLinesInOutputForm(offset);
    if (copied.recordEnded) return;
    doc.readPos = copied.stop;
    if (copied.stop == offset) {
      if (!doc.ReadLine(line)) return;
      WriteLine(line);
    }
    while (doc.ReadLine(line) && !EndsRecord(line)) WriteLine(line);
  }

  struct CopiedLines {
    std::uint64_t stop;  // the first line not copied
    bool recordEnded;    // stop is the next record's level-0 line or the end of the data
  };

  // Appends the lines of the record at offset, from its level-0 line on, for as long as each
  // is in output form, and the runs of them that end in CR LF in one piece each.
  CopiedLines CopyLinesInOutputForm(std::uint64_t offset) {
    constexpr std::uint64_t kByteOrderMarkSize = 3;
    const char* data = doc.fileData.data();
    const std::uint64_t length = doc.fileLength;
    // The reader skips a byte-order mark there first; leave that to it.
    if (offset < kByteOrderMarkSize) return {offset, offset >= length};
    std::uint64_t runStart = offset;
    std::uint64_t start = offset;
    while (start < length) {
      const auto end = static_cast<std::uint64_t>(gedtext::FindLineEnd(data + start, data + length) - data);
      bool levelZero = false;
      if (!IsInOutputForm(data + start, data + end, levelZero)) {
        AppendRun(data + runStart, start - runStart);
        return {start, false};
      }
      if (levelZero && start != offset) {
        AppendRun(data + runStart, start - runStart);
        return {start, true};
      }
      const bool crLf = end + 1 < length && data[end] == '\r' && data[end + 1] == '\n';
      if (crLf) {
        start = end + 2;
        continue;
      }
      buffer.append(data + runStart, end - runStart);
      AppendRun("\r\n", 2);
      start = PastLineEnd(data, end, length);
      runStart = start;
    }
    AppendRun(data + runStart, start - runStart);
    return {start, true};
  }

  void AppendRun(const char* bytes, std::uint64_t size) {
    buffer.append(bytes, size);
    if (buffer.size() >= kBufferSize) Flush();
  }

  CKinpruneDoc& doc;
  StatusSink* status;
  Drain drain;
  std::string buffer;
  bool failed = false;
  int lastPercent = -1;
  NeededRecords needed{doc.recordOffsets.size()};
  std::vector<QueuedRecord> workList;  // the Queued xrefs
  std::unordered_multimap<std::string_view, DeferredLines> deferredLines;
  // Last member: its destructor waits for the block in flight while the rest still exists.
  std::optional<BackgroundBlockWriter> background;
};

bool CKinpruneDoc::WriteSubset(std::ostream& out, StatusSink* status) {
  Writer writer(*this, status, [&out](std::string_view bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
  });
  try {
    if (!writer.Run(true)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  out.flush();
  return out.good();
}

SaveOutcome CKinpruneDoc::OnSaveDocument(const std::string& path, OverwriteQuestion& question,
                                         StatusSink* status) {
  if (NamesOpenedFile(path) && !question.AskYesNo(kOverwriteOriginalQuestion)) {
    return SaveOutcome{SaveOutcome::Result::Declined, {}};
  }
  return SaveSubset(path, status);
}

namespace {

// The file the save replaces: through a symbolic link, the file it leads to, so that the link
// keeps working and the question about the opened file means what it says.
std::filesystem::path ReplacedFile(const std::string& path) {
  std::error_code error;
  std::filesystem::path target(path);
  if (std::filesystem::is_symlink(target, error)) {
    auto resolved = std::filesystem::weakly_canonical(target, error);
    if (!error) return resolved;
  }
  return target;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Asks the kernel to start writing bytes [offset, offset + length) of fd to the disk now, so
// that the disk works while the rest of the subset is gathered instead of only during the final
// fsync. Only a request, without waiting: write errors are still reported by that fsync.
void StartWriteback(int fd, std::uint64_t offset, std::size_t length) {
#ifdef SYNC_FILE_RANGE_WRITE
  ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(length),
                    SYNC_FILE_RANGE_WRITE);
#else
  (void)fd;
  (void)offset;
  (void)length;
#endif
}

// Permissions of the new file: those of the file it replaces, or the usual ones for a new file.
void TakeOverPermissions(int fd, const std::filesystem::path& replaced) {
  struct stat existing {};
  if (::stat(replaced.c_str(), &existing) == 0) {
    ::fchmod(fd, existing.st_mode & 07777);
    return;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
}

// True for an existing destination that is neither a regular file nor a folder: a device, a
// pipe or a socket. Renaming a temporary file over it would swap the node itself (/dev/full,
// /dev/stdout) for a plain file, so such a destination is written in place.
bool IsSpecialFile(const std::filesystem::path& target) {
  struct stat info {};
  return ::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

}  // namespace

bool CKinpruneDoc::WriteSubsetTo(int fd, StatusSink* status, int& error) {
  struct stat info {};
  const bool regularFile = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  bool writebackEarly = false;  // set before the first block, read by the thread that writes
  std::uint64_t writtenBytes = 0;
  Writer writer(*this, status, [&](std::string_view bytes) {
    if (!WriteAll(fd, bytes)) {
      error = errno;
      return false;
    }
    if (writebackEarly) StartWriteback(fd, writtenBytes, bytes.size());
    writtenBytes += bytes.size();
    return true;
  });
  // Only from the writing thread: in step with the gathering, the requests would hold it up.
  if (status == nullptr) writebackEarly = writer.WriteInBackground() && regularFile;
  try {
    return writer.Run(false);
  } catch (const std::bad_alloc&) {
    writer.StopBackground();
    error = ENOMEM;
    return false;
  }
}

SaveOutcome CKinpruneDoc::SaveIntoSpecialFile(const std::filesystem::path& target,
                                              const std::string& path, StatusSink* status) {
  SaveOutcome outcome;
  const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) {
    outcome.error = SaveErrorText(path, errno);
    return outcome;
  }
  int error = 0;
  bool written = WriteSubsetTo(fd, status, error);
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    outcome.error = SaveErrorText(path, error != 0 ? error : EIO);
    return outcome;
  }
  if (status) status->SetStatusText("File written");
  outcome.result = SaveOutcome::Result::Saved;
  return outcome;
}

SaveOutcome CKinpruneDoc::SaveSubset(const std::string& path, StatusSink* status) {
  SaveOutcome outcome;
  const std::filesystem::path target = ReplacedFile(path);
  if (gedtext::IsDirectory(target.string())) {
    outcome.error = SaveErrorText(path, EISDIR);
    return outcome;
  }
  // Replacing by rename would get round a write-protected destination; refuse as a direct write
  // would.
  if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
    outcome.error = SaveErrorText(path, errno);
    return outcome;
  }
  if (IsSpecialFile(target)) return SaveIntoSpecialFile(target, path, status);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temporaryName(".");
  temporaryName.append(target.filename().string()).append(".XXXXXX");
  std::string temporary = (folder / temporaryName).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    outcome.error = SaveErrorText(path, errno);
    return outcome;
  }
  TakeOverPermissions(fd, target);

  int error = 0;
  bool written = WriteSubsetTo(fd, status, error);
  if (written && ::fsync(fd) != 0) {
    written = false;
    error = errno;
  }
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && std::rename(temporary.c_str(), target.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (!written) {
    ::unlink(temporary.c_str());
    outcome.error = SaveErrorText(path, error != 0 ? error : EIO);
    return outcome;
  }
  if (status) status->SetStatusText("File written");
  outcome.result = SaveOutcome::Result::Saved;
  return outcome;
}

}  // namespace kinprune
