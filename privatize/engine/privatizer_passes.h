// privatizer_passes.h - the passes of a privatizer run and what they share (engine-internal).
#pragma once

#include <cstdint>      // std::uint64_t
#include <optional>     // std::optional
#include <ostream>      // std::ostream
#include <string_view>  // std::string_view

#include "line_reader.h"
#include "privatizer.h"
#include "xref_set.h"

namespace privatize {

/// The sets of one run; all live exactly as long as the run.
struct PrivatizerSets {
  XrefSet livingSet;      ///< living individuals and the families they name in FAMS lines
  XrefSet keepTagSet;     ///< tags a living record keeps under RemoveDetails and DeleteLiving
  XrefSet referencedSet;  ///< identifiers some counted pointer line points to
  XrefSet unlinkedSet;    ///< dialog: referenced individuals without a referenced family
};

/// Fills keepTagSet: SEX, NAME, FAMS, FAMC, CHIL, HUSB, WIFE, and NOTE with retainNotes.
void FillKeepTagSet(XrefSet& keepTagSet, bool retainNotes);

/// How a pass ended.
enum class PassStatus { Completed, Cancelled, ReadFailed, WriteFailed };

/// What a run's passes share: the source, the hooks, the variant and the options in effect.
/// Reads the lines of one pass and does the percentage reports of the dialog variant.
class PassContext {
 public:
  PassContext(gedtext::LineReader& reader, PrivatizerHooks& hooks, PrivatizerVariant variant,
              const ConsistentOptions& consistent, std::uint64_t sourceSize)
      : reader(reader),
        hooks(hooks),
        variant(variant),
        consistent(consistent),
        sourceSize(sourceSize) {}

  /// Announces the pass and rewinds the source. False when the source cannot be rewound.
  bool BeginPass(PrivatizerPass pass);

  enum class LineStatus { Line, End, Cancelled, ReadFailed };
  /// The next line, after the progress report. The view stays valid until the next call.
  /// Called for every line of every pass, so it is always inlined: the compiler's own choice
  /// left it as a call once the reader's Next had grown.
#if defined(__GNUC__) || defined(__clang__)
  __attribute__((always_inline))
#endif
  LineStatus NextLine(std::string_view& line) {
    if (!reader.Next(line)) return EndOfPass();
    if (variant == PrivatizerVariant::Dialog && sourceSize > 0) return ReportPercentRead();
    return LineStatus::Line;
  }

  bool LastHadTerminator() const { return reader.LastHadTerminator(); }
  bool IsDialog() const { return variant == PrivatizerVariant::Dialog; }
  const ConsistentOptions& Consistent() const { return consistent; }
  const PrivatizeOptions& Options() const { return consistent.options; }
  PrivatizerHooks& Hooks() { return hooks; }

 private:
  LineStatus EndOfPass();
  LineStatus ReportPercentRead();

  gedtext::LineReader& reader;
  PrivatizerHooks& hooks;
  PrivatizerVariant variant;
  const ConsistentOptions& consistent;
  std::uint64_t sourceSize;
  int lastPercent = 0;
  std::optional<std::uint64_t> firstPassBytes;  // bytes read by the first complete pass
};

/// Finds the living individuals and their families. livingCount counts judgements that found
/// someone living (console progress).
PassStatus ScanLiving(PassContext& context, PrivatizerSets& sets, std::uint64_t& livingCount);

/// Collects the identifiers that counted pointer lines point to.
PassStatus ScanReferences(PassContext& context, PrivatizerSets& sets);

/// Dialog: collects referenced individuals with no FAMC or FAMS line to a referenced family.
PassStatus ScanUnlinked(PassContext& context, PrivatizerSets& sets);

/// Writes the privatized copy. byteOrderMark: the source began with a UTF-8 byte-order mark,
/// which is written first. linesWritten counts every line written.
PassStatus WritePrivatized(PassContext& context, const PrivatizerSets& sets,
                           std::ostream& destination, bool byteOrderMark,
                           std::uint64_t& linesWritten);

}  // namespace privatize
