// rewrite.cpp - the rewrite pass: copies the source, privatizing the records of the living.
#include <array>     // std::array
#include <charconv>  // std::to_chars
#include <string>    // std::string

#include "block_writer.h"
#include "gedcom_line.h"
#include "initials.h"
#include "privatizer_passes.h"
#include "tag_stack.h"

namespace privatize {

using gedtext::GedcomLine;
using gedtext::IsIdentifierShaped;

namespace {

/// Collects output in blocks that are written to the stream on a second thread; remembers a
/// failure of the stream, which may surface at any hand-over or at the final flush.
class OutputSink {
 public:
  explicit OutputSink(std::ostream& out) : writer(out, kBlockSize, kSpareBytes) {}

  void Append(std::string_view bytes) { writer.Buffer().Append(bytes); }
  /// Appends line and a CR LF.
  void AppendLine(std::string_view line) { writer.Buffer().AppendLine(line); }
  /// Appends a text the user gave (the message), whose line feeds become CR LF like every line
  /// end the rewrite writes.
  void AppendText(std::string_view text) {
    for (std::size_t lineFeed = text.find('\n'); lineFeed != std::string_view::npos;
         lineFeed = text.find('\n')) {
      Append(text.substr(0, lineFeed));
      EndLine();
      text.remove_prefix(lineFeed + 1);
    }
    Append(text);
  }
  void AppendNumber(std::int64_t number) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    Append(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  }
  void EndLine() { Append("\r\n"); }

  /// Hands a full block over for writing. False once the stream has failed.
  bool FlushIfFull() { return writer.HandOverIfFull(); }

  /// Writes out everything collected and flushes the stream. False once the stream has failed.
  bool Flush() { return writer.Finish(); }

 private:
  // Small enough that the block stays in the cache beside the reader's block.
  static constexpr std::size_t kBlockSize = std::size_t{1} << 18;
  // Room for the lines that take the block past its size before it is handed over.
  static constexpr std::size_t kSpareBytes = std::size_t{1} << 16;

  gedtext::BlockWriter writer;
};

bool IsInitialsTag(std::string_view tag) {
  return tag == "NAME" || tag == "GIVN" || tag == "ALIA";
}

/// Whether the living keep a tag (keepTagSet), remembered for tags of up to four bytes: the
/// lines of living records ask for the same few tags again and again, and the set does not
/// change during the rewrite.
class KeptTags {
 public:
  explicit KeptTags(const XrefSet& keepTagSet) : keepTagSet(keepTagSet) {}

  bool Keeps(std::string_view tag) {
    constexpr std::size_t kMemoTagBytes = 4;
    if (tag.size() > kMemoTagBytes) return keepTagSet.Contains(tag);
    // The length, then the bytes: a code for every tag of up to four bytes, never 0.
    std::uint64_t code = tag.size() + 1;
    for (const char c : tag) code = (code << 8) | static_cast<unsigned char>(c);
    Entry& entry = entries[(code * 0x9E3779B97F4A7C15u) >> (64 - kEntryBits)];
    if (entry.code != code) {
      entry.code = code;
      entry.keeps = keepTagSet.Contains(tag);
    }
    return entry.keeps;
  }

 private:
  static constexpr unsigned kEntryBits = 6;
  struct Entry {
    std::uint64_t code = 0;
    bool keeps = false;
  };
  const XrefSet& keepTagSet;
  std::array<Entry, std::size_t{1} << kEntryBits> entries{};
};

/// The state of the rewrite across lines, and the line rules.
class Rewriter {
 public:
  Rewriter(PassContext& context, const PrivatizerSets& sets, OutputSink& sink,
           std::uint64_t& linesWritten)
      : context(context),
        options(context.Options()),
        effectiveMessage(context.Consistent().effectiveMessage),
        sets(sets),
        keptTags(sets.keepTagSet),
        sink(sink),
        linesWritten(linesWritten),
        dialog(context.IsDialog()) {}

  void OnLine(std::string_view text) {
    if (CopiedUnsplit(text)) {
      current = text;
      currentHadTerminator = context.LastHadTerminator();
      CopyLine();
      return;
    }
    if (gedtext::IsBlankLine(text)) return;
    current = text;
    currentHadTerminator = context.LastHadTerminator();
    const GedcomLine line = gedtext::SplitGedcomLine(text);
    if (!line.hasLevel) {
      OnLineWithoutLevel();
      return;
    }
    if (dialog) tags.Set(line.level, line.tag);
    if (skipLevel != 0) {
      if (line.level > skipLevel) return;
      skipLevel = 0;
    }
    if (line.level == 0) {
      OnRecordStart(line);
    } else {
      OnSubordinateLine(line);
    }
  }

  /// At the end of the input: the last record is finished like any other, and a source without
  /// a trailer still gets the shared note record its pointers name.
  void OnEnd() {
    FinishRecord();
    if (context.Consistent().sharedNoteRecord && !sawTrailer) WriteSharedNoteRecord();
  }

 private:
  // Most lines of a record that is kept as it is are copied whatever their tag: in the console
  // variant (the dialog follows every tag) a line with a level above 0, inside a record that is
  // neither living nor dropped, outside a dropped pointer line's subtree, and with no pointer
  // value that could be dropped. Only DeleteLiving drops pointers of such a record (those to
  // the living, see TargetIsReferenced).
  bool CopiedUnsplit(std::string_view text) const {
    return !dialog && skipLevel == 0 && !skipRecord && !recordIsLiving &&
           gedtext::StartsWithNonZeroLevel(text) &&
           !(options.removeUnreferenced && options.mode == ProcessingMode::DeleteLiving &&
             gedtext::MayEndInIdentifier(text));
  }

  // Whether the target of a pointer line of the record in progress is in the referenced set.
  // In the console variant the references pass counted every pointer of a record that is not
  // living (under DeleteLiving, every one whose target is not living), and put its target in
  // the set: for those the answer is known without looking in the large set.
  bool TargetIsReferenced(std::string_view target) const {
    const bool countedRecord = !dialog && !recordIsLiving;
    if (countedRecord && options.mode != ProcessingMode::DeleteLiving) return true;
    const XrefSet::Probe probe = XrefSet::MakeProbe(target);
    if (countedRecord && !sets.livingSet.Contains(probe)) return true;
    return sets.referencedSet.ContainsLikely(probe);
  }

  // A line without a level number belongs to the record in progress and sits deeper than any
  // line, so every rule that drops a record's lines drops it too.
  void OnLineWithoutLevel() {
    if (skipRecord || skipLevel != 0 || recordIsLiving) return;
    CopyLine();
  }

  void OnRecordStart(const GedcomLine& line) {
    FinishRecord();
    if (context.Consistent().sharedNoteRecord && line.tag == "TRLR") {
      WriteSharedNoteRecord();
      sawTrailer = true;
    }
    recordKind.assign(line.value);
    skipRecord = false;
    recordIsLiving = false;
    if (IsIdentifierShaped(line.tag)) {
      // One probe for each set the identifier is looked up in.
      const XrefSet::Probe id = XrefSet::MakeProbe(gedtext::StrippedIdentifier(line.tag, scratch));
      const bool unreferenced =
          options.removeUnreferenced && !sets.referencedSet.ContainsLikely(id);
      if (unreferenced || (dialog && sets.unlinkedSet.Contains(id))) {
        skipRecord = true;
        return;
      }
      recordIsLiving = sets.livingSet.Contains(id);
    }
    CopyLine();
  }

  void OnSubordinateLine(const GedcomLine& line) {
    if (skipRecord) return;
    if (options.removeUnreferenced && IsIdentifierShaped(line.value) &&
        !TargetIsReferenced(gedtext::StrippedIdentifier(line.value, scratch))) {
      skipLevel = line.level;
      return;
    }
    if (!recordIsLiving) {
      CopyLine();
      return;
    }
    if (dialog && options.initialsOnly && IsInitialsTag(line.tag)) {
      WriteInitialsLine(line);
      return;
    }
    if (options.mode == ProcessingMode::YearOnly) {
      OnLivingLineYearOnly(line);
    } else {
      OnLivingLineRemoveDetails(line);
    }
  }

  void OnLivingLineYearOnly(const GedcomLine& line) {
    if (line.tag == "DATE") {
      BeginWrittenLine();
      sink.AppendNumber(line.level);
      sink.Append(" ");
      sink.Append(line.tag);
      sink.Append(" ");
      sink.AppendNumber(gedtext::TrailingYear(line.value));
      EndWrittenLine();
      return;
    }
    if (dialog && !options.retainNotes &&
        (line.tag == "NOTE" || tags.ParentOf(line.level) == TagStack::Kind::Note)) {
      return;
    }
    CopyLine();
  }

  void OnLivingLineRemoveDetails(const GedcomLine& line) {
    if (keptTags.Keeps(line.tag)) {
      CopyLine();
      return;
    }
    if (options.placement == MessagePlacement::AsBirthDate && !effectiveMessage.empty() &&
        line.tag == "BIRT" && recordKind == "INDI") {
      WriteTextLine("1 BIRT");
      BeginWrittenLine();
      sink.Append("2 DATE ");
      sink.AppendText(effectiveMessage);
      EndWrittenLine();
      return;
    }
    if (dialog && options.retainNotes && tags.ParentOf(line.level) == TagStack::Kind::Note) {
      CopyLine();
    }
  }

  void WriteInitialsLine(const GedcomLine& line) {
    BeginWrittenLine();
    sink.AppendNumber(line.level);
    sink.Append(" ");
    sink.Append(line.tag);
    sink.Append(" ");
    // A pointer is never shortened: @I5@ would become @I@, a link to another record.
    if (IsIdentifierShaped(line.value)) {
      sink.Append(line.value);
    } else {
      ReduceToInitials(line.value, initials);
      sink.Append(initials);
    }
    EndWrittenLine();
  }

  /// The record that ends here gets its message note as its last line.
  void FinishRecord() {
    if (recordIsLiving && !effectiveMessage.empty() && recordKind == "INDI" &&
        options.placement != MessagePlacement::AsBirthDate) {
      BeginWrittenLine();
      sink.Append("1 NOTE ");
      sink.AppendText(effectiveMessage);
      EndWrittenLine();
    }
    recordIsLiving = false;
  }

  void WriteSharedNoteRecord() {
    BeginWrittenLine();
    sink.Append("0 ");
    sink.Append(effectiveMessage);
    sink.Append(" NOTE");
    EndWrittenLine();
    BeginWrittenLine();
    sink.Append("1 CONC ");
    sink.AppendText(context.Consistent().shownMessage);
    EndWrittenLine();
  }

  void WriteTextLine(std::string_view text) {
    BeginWrittenLine();
    sink.Append(text);
    EndWrittenLine();
  }

  /// A written line never runs on from a copied last line that had no line end.
  void BeginWrittenLine() {
    if (!lastWrittenHadTerminator) {
      sink.EndLine();
      lastWrittenHadTerminator = true;
    }
  }
  void EndWrittenLine() {
    sink.EndLine();
    ++linesWritten;
  }

  void CopyLine() {
    if (currentHadTerminator) {
      sink.AppendLine(current);
    } else {
      sink.Append(current);
      lastWrittenHadTerminator = false;
    }
    ++linesWritten;
  }

  PassContext& context;
  const PrivatizeOptions& options;
  const std::string& effectiveMessage;
  const PrivatizerSets& sets;
  KeptTags keptTags;
  OutputSink& sink;
  std::uint64_t& linesWritten;
  const bool dialog;

  std::string_view current;
  bool currentHadTerminator = true;
  bool lastWrittenHadTerminator = true;
  bool recordIsLiving = false;
  bool skipRecord = false;
  std::int32_t skipLevel = 0;
  bool sawTrailer = false;
  std::string recordKind;
  std::string scratch;   // for the identifiers that hold an '@' inside
  std::string initials;  // reused for every shortened name
  TagStack tags;
};

PassStatus ToPassStatus(PassContext::LineStatus status) {
  switch (status) {
    case PassContext::LineStatus::Cancelled:
      return PassStatus::Cancelled;
    case PassContext::LineStatus::ReadFailed:
      return PassStatus::ReadFailed;
    default:
      return PassStatus::Completed;
  }
}

}  // namespace

PassStatus WritePrivatized(PassContext& context, const PrivatizerSets& sets,
                           std::ostream& destination, bool byteOrderMark,
                           std::uint64_t& linesWritten) {
  linesWritten = 0;
  if (!context.BeginPass(PrivatizerPass::WritePrivatized)) return PassStatus::ReadFailed;
  OutputSink sink(destination);
  if (byteOrderMark) sink.Append(gedtext::kUtf8ByteOrderMark);
  Rewriter rewriter(context, sets, sink, linesWritten);
  constexpr std::uint64_t kCountInterval = 1000;
  const bool console = !context.IsDialog();

  std::string_view text;
  for (;;) {
    const PassContext::LineStatus status = context.NextLine(text);
    if (status != PassContext::LineStatus::Line) {
      if (status == PassContext::LineStatus::End) rewriter.OnEnd();
      // A stopped or broken run keeps what was written so far.
      if (!sink.Flush()) return PassStatus::WriteFailed;
      return ToPassStatus(status);
    }
    if (console && linesWritten % kCountInterval == 0) context.Hooks().LinesWritten(linesWritten);
    rewriter.OnLine(text);
    if (!sink.FlushIfFull()) return PassStatus::WriteFailed;
  }
}

}  // namespace privatize
