// privatizer.h - the privatizer engine's public face: options, hooks, pass texts and the run.
#pragma once

#include <cstdint>      // std::int32_t, std::uint64_t
#include <istream>      // std::istream
#include <ostream>      // std::ostream
#include <string>       // std::string
#include <string_view>  // std::string_view

#include "progress_hook.h"  // gedtext::JobOutcome, gedtext::ProgressHook

namespace privatize {

/// What happens to the records of individuals presumed living.
enum class ProcessingMode { RemoveDetails, YearOnly, DeleteLiving };

/// Where the message that marks a living individual goes.
enum class MessagePlacement { AsNote, AsBirthDate, NoMessage };

/// The two front ends differ in a handful of rules (reference counting under DeleteLiving,
/// notes, initials, forced cutoff, the shared note record, progress); one engine serves both.
enum class PrivatizerVariant { Console, Dialog };

/// The passes of a run, in their order. ScanReferences runs only when unreferenced data is
/// removed, ScanUnlinked only in the dialog variant and right after ScanReferences.
enum class PrivatizerPass { ScanLiving, ScanReferences, ScanUnlinked, WritePrivatized };

inline constexpr std::string_view kConsoleDefaultMessage = "Living individual, details withheld";
inline constexpr std::string_view kDialogDefaultMessage = "Living Individual, details withheld";
/// The identifier of the console's shared message note record.
inline constexpr std::string_view kSharedNoteIdentifier = "@HUSHTREE@";

/// The local calendar year.
std::int32_t CurrentYear();

/// The cutoff year meant by value: the value itself from 1000 on, otherwise currentYear minus
/// the value (so 0 is the current year and a negative value lies in the future). Saturates at
/// the 32-bit limits.
std::int32_t ResolveCutoff(std::int64_t value, std::int32_t currentYear);
std::int32_t ResolveCutoff(std::int64_t value);

/// The current year minus 80.
std::int32_t DefaultCutoff();

/// The options both front ends fill. Front ends start from these defaults, setting the message
/// to their variant's default text.
struct PrivatizeOptions {
  /// Individuals born after this year (and, unless forceCutoff, without a death) are living.
  std::int32_t cutoffYear = DefaultCutoff();
  ProcessingMode mode = ProcessingMode::RemoveDetails;
  /// Marks a living individual; empty means no message.
  std::string message;
  MessagePlacement placement = MessagePlacement::AsNote;
  /// Notes of living individuals are kept.
  bool retainNotes = false;
  /// Records nothing points to, and pointers to dropped records, are dropped.
  bool removeUnreferenced = false;
  /// Dialog only: given names of living individuals are cut to initials.
  bool initialsOnly = false;
  /// Dialog only: a death does not exempt an individual born after the cutoff.
  bool forceCutoff = false;
  /// Console only: the message is written once as a shared note record that living
  /// individuals point to.
  bool xrefMessage = false;
};

/// The options as a run applies them, after the variant's consistency rules.
struct ConsistentOptions {
  PrivatizeOptions options;  ///< mode and removeUnreferenced as in effect; flags the variant
                             ///< does not offer are cleared
  /// The text written wherever a message goes; empty when no message is written. With an
  /// active shared note record this is kSharedNoteIdentifier.
  std::string effectiveMessage;
  /// The message as the user gave it, before a shared note record replaced it by the
  /// identifier; empty when no message is written.
  std::string shownMessage;
  /// Console only: the shared note record "@HUSHTREE@" is written, carrying shownMessage.
  bool sharedNoteRecord = false;
};

/// Applies the consistency rules: NoMessage and YearOnly empty the message; in the console
/// variant YearOnly also wins over DeleteLiving and turns removeUnreferenced off; DeleteLiving
/// empties the message and turns removeUnreferenced on; a console xrefMessage with a message
/// switches to the shared note record.
ConsistentOptions MakeOptionsConsistent(const PrivatizeOptions& options, PrivatizerVariant variant);

/// The status text announcing a pass. Dialog: "Scanning for living individuals", ...,
/// "Creating new GEDCOM file". Console: the exact bytes hushtree-cli prints, line ends
/// included ("Scanning for living individuals\n", "\nChecking GEDCOM references",
/// "\nOutputting new GEDCOM file\n"); empty for ScanUnlinked, which the console never runs.
/// The view refers to static text and stays valid for the whole program.
std::string_view PassStatusText(PrivatizerPass pass, PrivatizerVariant variant);

/// The front end's side of a run. The engine calls only the progress operations of its
/// variant: PercentRead in the dialog variant, LivingFound and LinesWritten in the console
/// variant.
class PrivatizerHooks {
 public:
  /// Before the first line of each pass that runs.
  virtual void PassStarted(PrivatizerPass pass) = 0;
  /// Dialog: the whole percentage of the source read in the current pass, called only when it
  /// differs from the last one reported in this pass (which starts at 0). Returning true stops
  /// the run at once; it then ends Cancelled.
  virtual bool PercentRead(int percent) {
    (void)percent;
    return false;
  }
  /// Console: the count of living individuals found so far, after each one found.
  virtual void LivingFound(std::uint64_t count) { (void)count; }
  /// Console: for each line read by the rewrite, before it is processed, when the count of
  /// lines written so far is a multiple of 1000 (0 included).
  virtual void LinesWritten(std::uint64_t count) { (void)count; }
  /// At the end of every run that got as far as its first pass. A read or write failure is
  /// reported as WriteFailed here; the run's result tells which it was.
  virtual void RunEnded(gedtext::JobOutcome outcome, std::uint64_t linesWritten) {
    (void)outcome;
    (void)linesWritten;
  }

 protected:
  ~PrivatizerHooks() = default;
};

/// Hooks for a dialog built on the shared progress dialog: each pass start sets the status to
/// the dialog's pass text, each percentage is shown and then AskStop decides.
class ProgressHookAdapter : public PrivatizerHooks {
 public:
  explicit ProgressHookAdapter(gedtext::ProgressHook& progress) : progress(progress) {}
  void PassStarted(PrivatizerPass pass) override {
    progress.SetStatus(PassStatusText(pass, PrivatizerVariant::Dialog));
  }
  bool PercentRead(int percent) override {
    progress.Show(percent);
    return progress.AskStop();
  }

 private:
  gedtext::ProgressHook& progress;
};

/// How a run ended.
enum class PrivatizeOutcome {
  Completed,
  Cancelled,     ///< stopped through PercentRead; the destination keeps what was written
  ReadFailed,    ///< the source reported an error or could not be rewound
  WriteFailed,   ///< the destination reported an error (also at the final flush)
  RefusedUtf16,  ///< the source is UTF-16; nothing was written
};

struct PrivatizeResult {
  PrivatizeOutcome outcome = PrivatizeOutcome::Completed;
  std::uint64_t linesWritten = 0;
  std::uint64_t livingCount = 0;
};

/// True when the source starts with a UTF-16 byte-order mark or holds a NUL byte in its first
/// line. Leaves the source rewound to its start. Front ends check this before they open (and
/// so empty) the destination.
bool SourceLooksLikeUtf16(std::istream& source);

/// Privatizes source into destination. The source must be seekable (every pass starts at its
/// beginning) and opened in binary mode; the destination too, since every line end written is
/// CR LF. The engine flushes the destination but does not close either stream. A UTF-8
/// byte-order mark of the source is written back first. Throws nothing of its own; a failed
/// allocation surfaces as std::bad_alloc.
PrivatizeResult RunPrivatizer(std::istream& source, std::ostream& destination,
                              const PrivatizeOptions& options, PrivatizerVariant variant,
                              PrivatizerHooks& hooks);

}  // namespace privatize
