// kinprune_doc.h - the split tool's document: file copy, line reader, record and individual
// tables, the subset writer with its reference closure, and the details pane's text.
#pragma once

#include <bit>          // std::endian
#include <cstdint>      // std::int32_t, std::uint64_t
#include <cstring>      // std::memcpy
#include <filesystem>   // std::filesystem::path
#include <iosfwd>       // std::ostream
#include <limits>       // std::numeric_limits
#include <map>          // std::pmr::map, std::pmr::multimap
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <type_traits>  // std::is_same_v

#include "file_buffer.h"
#include "page_pool.h"
#include "xref_index.h"

namespace kinprune {

/// Where the document's status texts go ("Loading File %d%%", the writer's four texts). The
/// desktop program connects it to pane 0 of its status bar; nullptr means "no status bar".
class StatusSink {
 public:
  virtual void SetStatusText(std::string_view text) = 0;

 protected:
  ~StatusSink() = default;
};

/// How the question before overwriting the opened file is answered (a message box with Yes and No, No the
/// default; a script's --force).
class OverwriteQuestion {
 public:
  /// True for Yes.
  virtual bool AskYesNo(std::string_view question) = 0;

 protected:
  ~OverwriteQuestion() = default;
};

/// The question asked before the opened file itself is overwritten.
inline constexpr std::string_view kOverwriteOriginalQuestion =
    "Are you sure you want to overwrite your original file ?";

/// One individual, one per INDI record. Owned by CKinpruneDoc::individualsByName; its address is stable
/// until the next DeleteContents.
struct IndividualEntry {
  /// Display name after ProperCaseName; never empty. Its bytes are the entry's key in
  /// individualsByName, which lives as long as the entry.
  std::string_view name;
  std::string xref;            ///< INDI identifier without its @ signs ("" when it had none)
  std::int32_t listRow = -1;   ///< row in the list; written by the list view, -1 until then
  bool selected = false;       ///< written by the selection engine, read by the writer
};

/// Byte-by-byte order of strings as unsigned bytes (the order of std::less<std::string>),
/// transparent so that std::string_view keys look up std::string ones. Compares eight bytes at a
/// time inline: identifiers are short, and a call to memcmp per tree level cost more than the
/// comparison itself.
struct ByteOrder {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return Less(a, b); }
  static bool Less(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    const char* x = a.data();
    const char* y = b.data();
    std::size_t k = 0;
    for (; k + 8 <= common; k += 8) {
      std::uint64_t u;
      std::uint64_t v;
      std::memcpy(&u, x + k, 8);
      std::memcpy(&v, y + k, 8);
      if (u != v) return BigEndian(u) < BigEndian(v);
    }
    for (; k < common; ++k) {
      const auto p = static_cast<unsigned char>(x[k]);
      const auto q = static_cast<unsigned char>(y[k]);
      if (p != q) return p < q;
    }
    return a.size() < b.size();
  }

 private:
  // The eight bytes as loaded, read as a big-endian number: comparing these compares the bytes.
  static std::uint64_t BigEndian(std::uint64_t loaded) noexcept {
    if constexpr (std::endian::native == std::endian::big) {
      return loaded;
    } else {
#if defined(__GNUC__) || defined(__clang__)
      return __builtin_bswap64(loaded);
#else
      std::uint64_t swapped = 0;
      for (int byte = 0; byte < 8; ++byte, loaded >>= 8) swapped = (swapped << 8) | (loaded & 0xFF);
      return swapped;
#endif
    }
  }
};

/// Identifier-keyed containers compare as unsigned bytes and accept std::string_view keys for
/// lookups. The document's tables take their nodes from stores of their own (see
/// CKinpruneDoc); a table made elsewhere uses the usual heap.
using RecordOffsetMap = std::pmr::map<std::string, std::uint64_t, ByteOrder>;
using IndividualsByName = std::pmr::multimap<std::pmr::string, IndividualEntry, ByteOrder>;
using IndividualByXref = std::pmr::map<std::string, IndividualEntry*, ByteOrder>;

/// One line as the reader returns it. The views point into CKinpruneDoc::fileData and stay
/// valid until the next load (OnOpenDocument, LoadFromMemory), not just until the next read.
struct DocLine {
  /// Decimal level (saturates at INT32 max). A line without a level number reads as
  /// kSaturatedLevel with empty tag and value, so record walkers keep it inside the record and
  /// never interpret it.
  std::int32_t level = 0;
  std::string_view tag;
  std::string_view value;  ///< up to CR or LF; tabs and other control bytes belong to it
  std::string_view text;   ///< the whole line without its terminator, exactly as in the file
  std::uint64_t start = 0; ///< offset of the line's first byte in fileData
  /// False for a non-blank line whose first byte after spaces and tabs is no digit (such as the
  /// rest of a note that held a bare line feed): it stays inside its record and is written back
  /// as `text` plus CR LF.
  bool hasLevel = true;
};

/// Result of opening a file.
struct OpenOutcome {
  bool ok = false;
  std::string error;  ///< message naming the file when !ok
};

/// Result of saving a subset.
struct SaveOutcome {
  enum class Result { Saved, Declined, Failed };
  Result result = Result::Failed;
  std::string error;  ///< message naming the file when Failed
  bool Saved() const { return result == Result::Saved; }
};

class CKinpruneDoc {
 public:
  static constexpr std::int32_t kSaturatedLevel = std::numeric_limits<std::int32_t>::max();
  /// recordOffsets value of an xref without a record. Not 0: the record on the file's first
  /// line must be found like any other.
  static constexpr std::uint64_t kNoRecord = std::numeric_limits<std::uint64_t>::max();

  CKinpruneDoc() = default;
  CKinpruneDoc(const CKinpruneDoc&) = delete;
  CKinpruneDoc& operator=(const CKinpruneDoc&) = delete;

 private:
  /// The pages of the load's arrays and of the tables' nodes: what the load's scan and sorts
  /// give back is reused by the tables, instead of fresh pages (a fault each at first touch).
  PagePool pagePool;  // declared before the node stores: it outlives them
  /// Where the nodes of the three tables come from: blocks handed out in order and given back
  /// all at once by DeleteContents, instead of one heap allocation per node (millions of them
  /// for a large file). One store per table, so two tables can be filled on two threads.
  struct NodeStores {
    explicit NodeStores(PagePool* pool) : records(pool), names(pool), xrefs(pool) {}
    NodeArena records;
    NodeArena names;
    NodeArena xrefs;
  };
  NodeStores nodeStores{&pagePool};  // declared before the tables: it outlives them

 public:

  // ---- File copy and line reader --------------------------------------------------------------

  FileBuffer fileData;             ///< the opened file, byte for byte
  std::uint64_t fileLength = 0;    ///< == fileData.size()
  std::uint64_t readPos = 0;       ///< next byte ReadLine consumes; 0..fileLength
  bool hasByteOrderMark = false;   ///< the file began with a UTF-8 byte-order mark
  std::string sourcePath;          ///< path of the last successful open

  /// Reads the line at readPos into line and moves readPos past it and its terminator. Skips a
  /// UTF-8 byte-order mark at offset 0 and blank lines (empty, or spaces and tabs only). A line
  /// ends only at CR, LF, CR LF or LF CR. False at the end of fileData (line then level 0,
  /// empty views).
  bool ReadLine(DocLine& line);

  /// ReadLine into caller strings (their capacity is reused). A line without a level
  /// number gives kSaturatedLevel and empty tag and value.
  bool ReadLine(std::int32_t& level, std::string& tag, std::string& value);

  /// True when text's first and last characters are '@' (a lone "@" points to "").
  static constexpr bool IsPointerValue(std::string_view text) {
    return !text.empty() && text.front() == '@' && text.back() == '@';
  }
  /// pointer without its first and last character; "" for fewer than two characters.
  static void XrefFromPointer(std::string& xref, std::string_view pointer);
  /// The same as a view into pointer (valid as long as pointer's bytes are).
  static constexpr std::string_view PointerXref(std::string_view pointer) {
    return pointer.size() < 2 ? std::string_view{} : pointer.substr(1, pointer.size() - 2);
  }

  // ---- Record store ------------------------------------------------------------------------------

  RecordOffsetMap recordOffsets{&nodeStores.records};  ///< xref -> offset of its level-0 line, or kNoRecord

  /// Find-or-add lookup: the record's offset, or kNoRecord (and an entry with kNoRecord is
  /// added) when the xref has no record.
  std::uint64_t RecordOffset(std::string_view xref);

  /// A record table entry: its identifier (the table's own key, valid until the next
  /// DeleteContents; not read until asked for, as the table's nodes lie all over memory), its id
  /// and its record's offset (kNoRecord when the file has none). Ids number arrays beside the
  /// table: 0, 1, ... up to the table's size.
  struct RecordRef {
    const std::string* key = nullptr;
    std::uint64_t offset = kNoRecord;
    std::uint32_t id = 0;

    std::string_view Xref() const { return *key; }
  };
  /// Find-or-add lookup as RecordOffset, giving the whole entry.
  RecordRef FindOrAddRecord(std::string_view xref);
  /// The ids below this number follow the identifiers' byte order; entries added by lookups
  /// since the table was indexed come after them, in the order they were added.
  std::size_t RecordIdsInByteOrder();

  /// Hints that xref will be looked up soon: fetches the start of its lookup. Changes nothing.
  void PrefetchRecordEntry(std::string_view xref) const;
  /// Hints that xref's record will be read soon: looks it up (best after PrefetchRecordEntry)
  /// and fetches the record's first bytes. Adds nothing for a missing record.
  void PrefetchRecord(std::string_view xref) const;

  /// Sets readPos to offset and reads the record's level-0 line. False for kNoRecord.
  bool BeginRecordAt(std::uint64_t offset, DocLine& line);
  /// RecordOffset(xref), then BeginRecordAt.
  bool BeginRecord(std::string_view xref, DocLine& line);
  /// Reads the next line of the record begun with BeginRecord; false at the next level-0 line
  /// or the end of the data.
  bool NextRecordLine(DocLine& line);
  /// NextRecordLine for the walks that look for pointers only: reads the next line of the
  /// record whose last byte is '@' (no other line can have a pointer as its value; the caller
  /// still checks the line) and passes over the others without taking them apart. False at
  /// the next level-0 line or the end of the data; readPos is then at that line.
  bool NextPointerLine(DocLine& line);

  /// Calls fn(const DocLine&) for the record's level-0 line and each line of the record. When
  /// fn returns bool, false stops the walk. False when the xref has no record.
  template <class Fn>
  bool ReadRecordLines(std::string_view xref, Fn&& fn) {
    DocLine line;
    if (!BeginRecord(xref, line)) return false;
    do {
      if constexpr (std::is_same_v<decltype(fn(line)), bool>) {
        if (!fn(line)) return true;
      } else {
        fn(line);
      }
    } while (NextRecordLine(line));
    return true;
  }

  // ---- Individual index ----------------------------------------------------------------------------

  IndividualsByName individualsByName{&nodeStores.names};  ///< owns the entries; equal names in file order
  IndividualByXref individualByXref{&nodeStores.xrefs};    ///< non-owning; a duplicated xref reaches the later one

  /// The entry for xref, or nullptr (never adds).
  IndividualEntry* FindIndividual(std::string_view xref);

  /// "John /Smith/ Jr" -> "Smith, John Jr"; may be empty.
  static std::string BuildDisplayName(std::string_view nameValue);
  /// The list's capitalisation rule, in place (Mc rule, roman numerals i/v/x upper case).
  static void ProperCaseName(std::string& name);

  // ---- Lifecycle ------------------------------------------------------------------------------

  /// Clears individualsByName, recordOffsets and individualByXref (in this order). fileData and
  /// sourcePath stay.
  void DeleteContents();

  /// The empty document at start and after File New: the tables cleared.
  void OnNewDocument() { DeleteContents(); }

  /// Reads the whole file in one read, then clears the document and runs the load pass. On any
  /// failure (missing, unreadable, UTF-16) the previous document is left untouched and the
  /// error names the file. status receives "Loading File %d%%".
  OpenOutcome OnOpenDocument(const std::string& path, StatusSink* status = nullptr);

  /// Test and fuzzing entry: loads bytes as if read from a file called name (sourcePath is set
  /// to name). UTF-16 is refused as by OnOpenDocument.
  OpenOutcome LoadFromMemory(std::string bytes, const std::string& name,
                             StatusSink* status = nullptr);

  // ---- Subset writer ---------------------------------------------------------------------------------

  /// True when path is sourcePath byte for byte or names the same existing file.
  bool NamesOpenedFile(const std::string& path) const;

  /// The overwrite check, then SaveSubset. Declined when path names the opened file and the
  /// answer is No; nothing is touched then.
  SaveOutcome OnSaveDocument(const std::string& path, OverwriteQuestion& question,
                             StatusSink* status = nullptr);

  /// Writes the subset of the selected individuals to a temporary file in the destination's
  /// folder and renames it over path only after a complete, flushed write. On failure path is
  /// untouched and the temporary file removed. No overwrite question.
  SaveOutcome SaveSubset(const std::string& path, StatusSink* status = nullptr);

  /// The write pass into out (tests, fuzzing, scripts). True when out is good afterwards.
  bool WriteSubset(std::ostream& out, StatusSink* status = nullptr);

 private:
  /// The write pass into an open file descriptor; false with error set (an errno value, or 0
  /// when unknown) when a write failed or memory ran out. "File written" is left to the caller.
  bool WriteSubsetTo(int fd, StatusSink* status, int& error);
  /// Writes the subset straight into an existing device, pipe or socket.
  SaveOutcome SaveIntoSpecialFile(const std::filesystem::path& target, const std::string& path,
                                  StatusSink* status);
  struct Writer;

  using RecordSlot = XrefIndex<std::uint64_t>::Slot;
  /// The index slot of xref's recordOffsets entry (its id and offset); the entry is added with
  /// kNoRecord when the xref has no record. Valid until the next entry is added.
  const RecordSlot& RecordEntry(std::string_view xref);
  /// The index slot of xref's recordOffsets entry, or nullptr when there is none (never adds).
  const RecordSlot* FindRecordEntry(std::string_view xref);
  /// Builds recordIndex when its size no longer matches recordOffsets'.
  void IndexRecords();

  /// ReadLine and NextPointerLine from pos instead of readPos, moving pos: readers beside the
  /// document's own, such as a second thread's.
  bool ReadLineFrom(std::uint64_t& pos, DocLine& line) const;
  bool NextPointerLineFrom(std::uint64_t& pos, DocLine& line) const;
  bool ReadLineAt(std::uint64_t& pos, DocLine& line) const;
  /// FindRecordEntry for a built index (IndexRecords), which it only reads: lookups may then run
  /// on several threads at once as long as no entry is added.
  const RecordSlot* LookUpIndexedRecord(std::string_view xref) const { return recordIndex.Find(xref); }
  /// Takes bytes as the document's file (UTF-16 is refused) and runs the load pass.
  OpenOutcome LoadBuffer(FileBuffer bytes, const std::string& name, StatusSink* status);
  void LoadPass(StatusSink* status);

  std::uint64_t firstLineOffset = kNoRecord;  // the header copy's record (written once)
  // A hash index beside recordOffsets, built at its first lookup; rebuilt whenever its size no
  // longer matches the map's.
  XrefIndex<std::uint64_t> recordIndex;
};

// ---- Details pane ----------------------------------------------------------------------------------

/// The value of the first NAME line of xref's record, or "" (also when there is no record).
std::string NameOfRecord(CKinpruneDoc& doc, std::string_view xref);

/// The details pane's text for entry, with "\r\n" line breaks and "\t" after each label,
/// exactly as the pane shows it. Moves doc.readPos.
std::string DetailsText(CKinpruneDoc& doc, const IndividualEntry& entry);

}  // namespace kinprune
