// privatizer.cpp - cutoff years, consistent options, pass texts and the order of a run.
#include "privatizer.h"

#include <ctime>   // std::time, localtime_r
#include <limits>  // std::numeric_limits

#include "line_reader.h"
#include "privatizer_passes.h"

namespace privatize {

namespace {

std::int32_t Saturate(std::int64_t value) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value > kMax ? kMax : (value < kMin ? kMin : value));
}

/// The size of a seekable source, for the percentages; 0 when it cannot be told.
std::uint64_t MeasureSource(std::istream& source) {
  source.clear();
  source.seekg(0, std::ios::end);
  const std::streamoff size = source.tellg();
  source.clear();
  source.seekg(0, std::ios::beg);
  return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

PrivatizeOutcome ToOutcome(PassStatus status) {
  switch (status) {
    case PassStatus::Completed:
      return PrivatizeOutcome::Completed;
    case PassStatus::Cancelled:
      return PrivatizeOutcome::Cancelled;
    case PassStatus::ReadFailed:
      return PrivatizeOutcome::ReadFailed;
    case PassStatus::WriteFailed:
      return PrivatizeOutcome::WriteFailed;
  }
  return PrivatizeOutcome::ReadFailed;
}

gedtext::JobOutcome ToJobOutcome(PrivatizeOutcome outcome) {
  switch (outcome) {
    case PrivatizeOutcome::Completed:
      return gedtext::JobOutcome::Completed;
    case PrivatizeOutcome::Cancelled:
      return gedtext::JobOutcome::Cancelled;
    default:
      return gedtext::JobOutcome::WriteFailed;
  }
}

}  // namespace

std::int32_t CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  constexpr int kCenturyPivot = 70;
  return local.tm_year < kCenturyPivot ? 2000 + local.tm_year : 1900 + local.tm_year;
}

std::int32_t ResolveCutoff(std::int64_t value, std::int32_t currentYear) {
  constexpr std::int64_t kFirstFullYear = 1000;
  if (value >= kFirstFullYear) return Saturate(value);
  // A value far below zero would overflow the subtraction itself.
  constexpr std::int64_t kFloor = std::numeric_limits<std::int32_t>::min();
  if (value < kFloor) value = kFloor;
  return Saturate(static_cast<std::int64_t>(currentYear) - value);
}

std::int32_t ResolveCutoff(std::int64_t value) {
  return ResolveCutoff(value, CurrentYear());
}

std::int32_t DefaultCutoff() {
  constexpr std::int32_t kPresumedLifetime = 80;
  return CurrentYear() - kPresumedLifetime;
}

ConsistentOptions MakeOptionsConsistent(const PrivatizeOptions& options,
                                        PrivatizerVariant variant) {
  ConsistentOptions result;
  result.options = options;
  PrivatizeOptions& effective = result.options;
  const bool console = variant == PrivatizerVariant::Console;
  if (console) {
    effective.initialsOnly = false;
    effective.forceCutoff = false;
  } else {
    effective.xrefMessage = false;
  }

  result.effectiveMessage = options.message;
  if (effective.placement == MessagePlacement::NoMessage) result.effectiveMessage.clear();
  if (effective.mode == ProcessingMode::YearOnly) {
    result.effectiveMessage.clear();
    if (console) effective.removeUnreferenced = false;
  }
  if (effective.mode == ProcessingMode::DeleteLiving) {
    result.effectiveMessage.clear();
    effective.removeUnreferenced = true;
  }
  result.shownMessage = result.effectiveMessage;
  if (console && effective.xrefMessage && !result.effectiveMessage.empty()) {
    result.sharedNoteRecord = true;
    result.effectiveMessage.assign(kSharedNoteIdentifier);
  }
  return result;
}

std::string_view PassStatusText(PrivatizerPass pass, PrivatizerVariant variant) {
  const bool console = variant == PrivatizerVariant::Console;
  switch (pass) {
    case PrivatizerPass::ScanLiving:
      return console ? "Scanning for living individuals\n" : "Scanning for living individuals";
    case PrivatizerPass::ScanReferences:
      return console ? "\nChecking GEDCOM references" : "Scanning for referenced data";
    case PrivatizerPass::ScanUnlinked:
      return console ? "" : "Scanning for unlinked individuals";
    case PrivatizerPass::WritePrivatized:
      return console ? "\nOutputting new GEDCOM file\n" : "Creating new GEDCOM file";
  }
  return {};
}

bool SourceLooksLikeUtf16(std::istream& source) {
  gedtext::LineReader reader(source);
  const bool utf16 = gedtext::LooksLikeUtf16(reader.PeekHead());
  reader.Rewind();
  return utf16;
}

PrivatizeResult RunPrivatizer(std::istream& source, std::ostream& destination,
                              const PrivatizeOptions& options, PrivatizerVariant variant,
                              PrivatizerHooks& hooks) {
  PrivatizeResult result;
  const ConsistentOptions consistent = MakeOptionsConsistent(options, variant);
  const std::uint64_t sourceSize = MeasureSource(source);

  gedtext::LineReader reader(source, gedtext::LineReader::kDefaultBlockSize,
                             gedtext::LineReader::ReadAhead::OnSecondThread);
  if (gedtext::LooksLikeUtf16(reader.PeekHead())) {
    result.outcome = PrivatizeOutcome::RefusedUtf16;
    return result;
  }
  if (reader.ReadFailed()) {
    result.outcome = PrivatizeOutcome::ReadFailed;
    return result;
  }
  const bool byteOrderMark = reader.HadByteOrderMark();

  PrivatizerSets sets;
  FillKeepTagSet(sets.keepTagSet, consistent.options.retainNotes);
  PassContext context(reader, hooks, variant, consistent, sourceSize);

  PassStatus status = ScanLiving(context, sets, result.livingCount);
  if (status == PassStatus::Completed && consistent.options.removeUnreferenced) {
    status = ScanReferences(context, sets);
    if (status == PassStatus::Completed && variant == PrivatizerVariant::Dialog) {
      status = ScanUnlinked(context, sets);
    }
  }
  if (status == PassStatus::Completed) {
    status = WritePrivatized(context, sets, destination, byteOrderMark, result.linesWritten);
  }
  result.outcome = ToOutcome(status);
  hooks.RunEnded(ToJobOutcome(result.outcome), result.linesWritten);
  return result;
}

}  // namespace privatize
