// scan.cpp - the passes before the rewrite: living individuals, references, unlinked people.
#include <cstdint>  // std::int32_t
#include <string>   // std::string
#include <vector>   // std::vector

#include "gedcom_line.h"
#include "privatizer_passes.h"
#include "tag_stack.h"

namespace privatize {

using gedtext::GedcomLine;
using gedtext::IsBlankLine;
using gedtext::IsIdentifierShaped;
using gedtext::SplitGedcomLine;
using gedtext::StripAt;

void FillKeepTagSet(XrefSet& keepTagSet, bool retainNotes) {
  for (std::string_view tag : {"SEX", "NAME", "FAMS", "FAMC", "CHIL", "HUSB", "WIFE"}) {
    keepTagSet.Insert(tag);
  }
  if (retainNotes) keepTagSet.Insert("NOTE");
}

bool PassContext::BeginPass(PrivatizerPass pass) {
  hooks.PassStarted(pass);
  lastPercent = 0;
  return reader.Rewind();
}

PassContext::LineStatus PassContext::EndOfPass() {
  if (reader.ReadFailed()) return LineStatus::ReadFailed;
  // Every pass must read the same source: one that shrank or grew since the first pass
  // would give a privatized file that matches neither version, so it counts as a read error.
  if (!firstPassBytes) {
    firstPassBytes = reader.BytesConsumed();
  } else if (*firstPassBytes != reader.BytesConsumed()) {
    return LineStatus::ReadFailed;
  }
  return LineStatus::End;
}

PassContext::LineStatus PassContext::ReportPercentRead() {
  constexpr std::uint64_t kWhole = 100;
  std::uint64_t percent = reader.BytesConsumed() * kWhole / sourceSize;
  if (percent > kWhole) percent = kWhole;
  if (static_cast<int>(percent) != lastPercent) {
    lastPercent = static_cast<int>(percent);
    if (hooks.PercentRead(lastPercent)) return LineStatus::Cancelled;
  }
  return LineStatus::Line;
}

namespace {

/// Runs onLine for every line of the pass that is a GEDCOM line with a level: blank lines and
/// lines without a level number change no scanning state. Lines for which mayMatter, given the
/// unsplit text, is false are passed over without being split (mayMatter may have dealt with
/// them itself).
template <typename OnLine, typename MayMatter>
PassStatus ForEachLevelLine(PassContext& context, OnLine&& onLine, MayMatter&& mayMatter) {
  std::string_view text;
  for (;;) {
    switch (context.NextLine(text)) {
      case PassContext::LineStatus::End:
        return PassStatus::Completed;
      case PassContext::LineStatus::Cancelled:
        return PassStatus::Cancelled;
      case PassContext::LineStatus::ReadFailed:
        return PassStatus::ReadFailed;
      case PassContext::LineStatus::Line:
        break;
    }
    if (!mayMatter(text) || IsBlankLine(text)) continue;
    const GedcomLine line = SplitGedcomLine(text);
    if (!line.hasLevel) continue;
    onLine(line);
  }
}

template <typename OnLine>
PassStatus ForEachLevelLine(PassContext& context, OnLine&& onLine) {
  return ForEachLevelLine(context, onLine, [](std::string_view) { return true; });
}

/// What ScanLiving knows about the record in progress.
class LivingJudge {
 public:
  LivingJudge(PassContext& context, PrivatizerSets& sets, std::uint64_t& livingCount)
      : context(context), sets(sets), livingCount(livingCount) {}

  void OnLine(const GedcomLine& line) {
    if (line.level == 0) {
      JudgeRecord();
      tags.Set(0, line.value);
      if (line.value == "INDI" && IsIdentifierShaped(line.tag)) StripAt(line.tag, currentId);
      return;
    }
    tags.Set(line.level, line.tag);
    const TagStack::Kind parent = tags.ParentOf(line.level);
    if (line.tag == "DATE" && parent == TagStack::Kind::Birth) {
      // Equal is not after: someone born in the cutoff year itself is not presumed living.
      if (gedtext::TrailingYear(line.value) > context.Options().cutoffYear) bornAfterCutoff = true;
    } else if (parent == TagStack::Kind::Death) {
      hasDeath = true;
    } else if (line.tag == "FAMS") {
      if (familyCount == families.size()) families.emplace_back();
      StripAt(line.value, families[familyCount++]);
    }
  }

  /// Takes a line without splitting it when it can: one level digit from 1 to 9, a space, and a
  /// tag that is not FAMS, nor a DATE under a birth, the two whose values this judge reads. Such
  /// a line only sets its level's tag entry and may show a death. False when the line must be
  /// split and given to OnLine.
  bool TakeUnsplit(std::string_view text) {
    constexpr std::size_t kTagStart = 2;
    constexpr std::size_t kTagLength = 4;
    if (text.size() < kTagStart + kTagLength || !gedtext::StartsWithNonZeroLevel(text) ||
        text[1] != ' ' || gedtext::IsGedcomSpace(static_cast<unsigned char>(text[kTagStart]))) {
      return false;
    }
    const std::int32_t level = text[0] - '0';
    // The tag has exactly four bytes when white space or the end of the line follows them;
    // a longer one is none of the tags told apart.
    const bool fourByteTag = text.size() == kTagStart + kTagLength ||
                             gedtext::IsGedcomSpace(static_cast<unsigned char>(text[kTagStart + kTagLength]));
    const std::string_view tag = fourByteTag ? text.substr(kTagStart, kTagLength) : std::string_view();
    if (tag == "FAMS") return false;
    const TagStack::Kind parent = tags.ParentOf(level);
    if (tag == "DATE" && parent == TagStack::Kind::Birth) return false;
    tags.Set(level, tag);
    if (parent == TagStack::Kind::Death) hasDeath = true;
    return true;
  }

  /// Judges the record that ends here, at the next level-0 line or at the end of the input.
  void JudgeRecord() {
    if (bornAfterCutoff && (!hasDeath || context.Options().forceCutoff)) {
      sets.livingSet.Insert(currentId);
      for (std::size_t i = 0; i < familyCount; ++i) sets.livingSet.Insert(families[i]);
      ++livingCount;
      if (!context.IsDialog()) context.Hooks().LivingFound(livingCount);
    }
    bornAfterCutoff = false;
    hasDeath = false;
    familyCount = 0;
  }

 private:
  PassContext& context;
  PrivatizerSets& sets;
  std::uint64_t& livingCount;
  TagStack tags;
  std::string currentId;
  std::vector<std::string> families;  // entries reused from record to record
  std::size_t familyCount = 0;
  bool bornAfterCutoff = false;
  bool hasDeath = false;
};

}  // namespace

PassStatus ScanLiving(PassContext& context, PrivatizerSets& sets, std::uint64_t& livingCount) {
  if (!context.BeginPass(PrivatizerPass::ScanLiving)) return PassStatus::ReadFailed;
  LivingJudge judge(context, sets, livingCount);
  const PassStatus status =
      ForEachLevelLine(context, [&](const GedcomLine& line) { judge.OnLine(line); },
                       [&](std::string_view text) { return !judge.TakeUnsplit(text); });
  if (status == PassStatus::Completed) judge.JudgeRecord();
  return status;
}

PassStatus ScanReferences(PassContext& context, PrivatizerSets& sets) {
  if (!context.BeginPass(PrivatizerPass::ScanReferences)) return PassStatus::ReadFailed;
  // The pass only asks whether an identifier is in the set, which the bit maps and the index
  // answer; the tree is built on a second thread while the next pass reads the file. Numbered
  // identifiers stay out of the index, so it is not sized ahead for every record.
  sets.referencedSet.DeferTreeInsertions();
  const bool deleteLiving = context.Options().mode == ProcessingMode::DeleteLiving;
  const bool dialog = context.IsDialog();
  bool recordIsLiving = false;
  // Starts set and survives level-0 lines without an identifier, so the header's pointers are
  // judged like those of an individual who is not living.
  bool recordIsIndividual = true;
  std::string scratch;  // for the identifiers that hold an '@' inside
  // Only record starts and pointer lines count; a line with a level above 0 whose last byte is
  // no '@' is neither.
  auto mayMatter = [](std::string_view text) {
    return !gedtext::StartsWithNonZeroLevel(text) || gedtext::MayEndInIdentifier(text);
  };
  const auto onLine = [&](const GedcomLine& line) {
    if (line.level == 0) {
      recordIsLiving = false;
      if (IsIdentifierShaped(line.tag)) {
        recordIsLiving = sets.livingSet.Contains(gedtext::StrippedIdentifier(line.tag, scratch));
        if (dialog) recordIsIndividual = line.value == "INDI";
      }
      return;
    }
    if (!IsIdentifierShaped(line.value)) return;
    if (recordIsLiving && !sets.keepTagSet.Contains(line.tag)) return;
    // One probe for both sets the identifier may be looked up in.
    const XrefSet::Probe id = XrefSet::MakeProbe(gedtext::StrippedIdentifier(line.value, scratch));
    if (deleteLiving) {
      if (!dialog) {
        if (sets.livingSet.Contains(id)) return;
      } else if (recordIsLiving && recordIsIndividual) {
        return;
      } else {
        const bool individualNotLiving = recordIsIndividual && !recordIsLiving;
        const bool countedAlways = individualNotLiving && line.tag != "FAMS";
        if (!countedAlways && sets.livingSet.Contains(id)) return;
      }
    }
    sets.referencedSet.InsertLikelyPresent(id);
  };
  const PassStatus status = ForEachLevelLine(context, onLine, mayMatter);
  sets.referencedSet.LinkDeferredInBackground();
  return status;
}

PassStatus ScanUnlinked(PassContext& context, PrivatizerSets& sets) {
  if (!context.BeginPass(PrivatizerPass::ScanUnlinked)) return PassStatus::ReadFailed;
  bool isIndividual = false;
  bool linked = false;
  std::string currentId;
  std::string target;
  auto judge = [&] {
    if (isIndividual && !linked && sets.referencedSet.Contains(currentId)) {
      sets.unlinkedSet.Insert(currentId);
    }
  };
  const PassStatus status = ForEachLevelLine(context, [&](const GedcomLine& line) {
    if (line.level == 0) {
      judge();
      if (IsIdentifierShaped(line.tag)) StripAt(line.tag, currentId);
      isIndividual = line.value == "INDI";
      linked = false;
      return;
    }
    if (isIndividual && !linked && (line.tag == "FAMC" || line.tag == "FAMS")) {
      StripAt(line.value, target);
      if (sets.referencedSet.Contains(target)) linked = true;
    }
  });
  if (status == PassStatus::Completed) judge();
  return status;
}

}  // namespace privatize
