// xref_set.cpp - insertion with rebalancing, lookup and destruction of the identifier set.
#include "xref_set.h"

#include <algorithm>  // std::max, std::min, std::sort
#include <bit>        // std::countr_zero, std::endian, std::popcount
#include <cstring>    // std::memcmp
#include <new>        // std::bad_alloc

namespace privatize {

namespace {

std::uint64_t LoadWord(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// The eight (four) bytes at bytes as a number whose most significant byte is the first.
std::uint64_t BigEndianWord(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
  return word;
}
std::uint64_t BigEndianHalf(const char* bytes) {
  std::uint32_t half;
  std::memcpy(&half, bytes, sizeof half);
  if constexpr (std::endian::native == std::endian::little) half = __builtin_bswap32(half);
  return half;
}

/// The avalanche step of splitmix64: every input bit reaches every output bit.
std::uint64_t Mix(std::uint64_t value) {
  value ^= value >> 30;
  value *= 0xBF58476D1CE4E5B9u;
  value ^= value >> 27;
  value *= 0x94D049BB133111EBu;
  value ^= value >> 31;
  return value;
}

}  // namespace

namespace {

constexpr std::uint64_t kEveryByte = 0x0101010101010101u;

// Per byte of word: 0 for an ASCII digit, nonzero for any other byte.
std::uint64_t NonDigitBytes(std::uint64_t word) {
  const std::uint64_t highNibbleNotThree = (word & (0xF0 * kEveryByte)) ^ (0x30 * kEveryByte);
  const std::uint64_t lowNibbleAboveNine =
      ((word & (0x0F * kEveryByte)) + 0x06 * kEveryByte) & (0xF0 * kEveryByte);
  return highNibbleNotThree | lowNibbleAboveNine;
}

// The top bit of every nonzero byte of word.
std::uint64_t NonzeroByteFlags(std::uint64_t word) {
  constexpr std::uint64_t kLowSeven = 0x7F * kEveryByte;
  return (((word & kLowSeven) + kLowSeven) | word) & ~kLowSeven;
}

// The value of the digits held one per byte (0 to 9), the ones in the lowest byte.
std::uint32_t DecimalValue(std::uint64_t digits) {
  digits = (digits & 0x00FF00FF00FF00FFu) + ((digits >> 8) & 0x00FF00FF00FF00FFu) * 10;
  digits = (digits & 0x0000FFFF0000FFFFu) + ((digits >> 16) & 0x0000FFFF0000FFFFu) * 100;
  return static_cast<std::uint32_t>((digits & 0xFFFFFFFFu) + (digits >> 32) * 10000);
}

}  // namespace

XrefSet::Probe XrefSet::MakeProbe(std::string_view key) {
  const std::size_t size = key.size();
  const std::size_t headLength = std::min(size, kHeadBytes);
  const std::uint64_t head = HeadOf(key);
  Probe probe{head, {}, key};
  auto withHash = [&] {
    probe.hash = HashOf(head, size, key.data() + headLength);
    return probe;
  };
  if (size == 0 || size > kHeadBytes) return withHash();
  // The key's bytes from its last one up; above them (a key shorter than the head) zero bytes,
  // which are no digits.
  const auto lastByteShift = static_cast<unsigned>(8 * (kHeadBytes - size));
  const std::uint64_t fromLast = head >> lastByteShift;
  const std::uint64_t nonDigits = NonzeroByteFlags(NonDigitBytes(fromLast));
  const unsigned digits =
      nonDigits == 0 ? 8 : static_cast<unsigned>(std::countr_zero(nonDigits)) / 8;
  if (digits == 0 || digits > kNumberDigits) return withHash();
  const std::uint64_t digitBytes = (std::uint64_t{1} << (8 * digits)) - 1;
  // The digits' place among all strings of digits: those with fewer digits come first.
  static constexpr std::uint32_t kShorterStrings[kNumberDigits + 1] = {
      0, 1, 11, 111, 1111, 11111, 111111, 1111111};
  probe.number = kShorterStrings[digits] +
                 DecimalValue((fromLast & digitBytes) - (0x30 * kEveryByte & digitBytes));
  // The bytes before the digits, then a marker byte, then zero bytes: the marker, the last
  // byte that is not zero, tells how many bytes come before it.
  const std::size_t stemLength = size - digits;
  const auto markerShift = static_cast<unsigned>(8 * (kHeadBytes - 1 - stemLength));
  const std::uint64_t stemBytes =
      stemLength == 0 ? 0 : head & (~std::uint64_t{0} << (markerShift + 8));
  probe.stem = stemBytes | (std::uint64_t{0xFF} << markerShift);
  return probe;
}

namespace {

template <class Stems>
auto* StemIn(Stems& stems, const XrefSet::Probe& probe) {
  for (auto& stem : stems) {
    if (stem.stem == probe.stem) return &stem;
  }
  return static_cast<decltype(&stems[0])>(nullptr);
}

}  // namespace

const XrefSet::NumberedStem* XrefSet::StemOf(const Probe& probe) const {
  return StemIn(numberedStems, probe);
}

XrefSet::Known XrefSet::KnownByNumber(const Probe& probe) const {
  if (probe.stem == 0) return Known::Unknown;
  const NumberedStem* stem = StemOf(probe);
  if (stem == nullptr) {
    // While there is room for stems, the first key of a stem brings it in.
    return numberedStems.size() < kMaxNumberedStems ? Known::Absent : Known::Unknown;
  }
  constexpr unsigned kWordShift = 6;
  const std::size_t word = probe.number >> kWordShift;
  if (word >= stem->bits.size()) return stem->complete ? Known::Absent : Known::Unknown;
  return (stem->bits[word] >> (probe.number & 63)) & 1 ? Known::Present : Known::Absent;
}

bool XrefSet::MarkNumber(const Probe& probe) {
  if (probe.stem == 0) return false;
  NumberedStem* stem = StemIn(numberedStems, probe);
  if (stem == nullptr) {
    if (numberedStems.size() == kMaxNumberedStems) return false;
    stem = &numberedStems.emplace_back(NumberedStem{probe.stem, {}});
  }
  constexpr unsigned kWordShift = 6;
  const std::size_t word = probe.number >> kWordShift;
  if (word >= stem->bits.size()) {
    if (!stem->complete) return false;
    const std::size_t had = stem->bits.size();
    const std::size_t left = kMaxNumberedWords - numberedWords;
    if (word + 1 - had > left) {
      stem->complete = false;
      return false;
    }
    const std::size_t grown = std::min(std::max(word + 1, 2 * had), had + left);
    stem->bits.resize(grown);
    numberedWords += grown - had;
  }
  stem->bits[word] |= std::uint64_t{1} << (probe.number & 63);
  return true;
}

XrefSet::KeyHash XrefSet::HashFor(const Probe& probe) {
  if (probe.stem == 0) return probe.hash;
  const std::size_t size = probe.key.size();
  return HashOf(probe.head, size, probe.key.data() + std::min(size, kHeadBytes));
}

bool XrefSet::IsMarked(const Node& node) const {
  if (node.length > kHeadBytes || numberedStems.empty()) return false;
  char bytes[kHeadBytes];
  for (std::size_t i = 0; i < node.length; ++i) {
    bytes[i] = static_cast<char>(node.head >> (8 * (kHeadBytes - 1 - i)));
  }
  return KnownByNumber(MakeProbe(std::string_view(bytes, node.length))) == Known::Present;
}

std::uint64_t XrefSet::HeadOf(std::string_view key) {
  constexpr std::size_t kHalf = kHeadBytes / 2;
  const char* bytes = key.data();
  const std::size_t size = key.size();
  if (size >= kHeadBytes) return BigEndianWord(bytes);
  if (size >= kHalf) {
    // The first four bytes, and the last four shifted up against them; where the two overlap
    // they hold the same bytes.
    const std::uint64_t front = BigEndianHalf(bytes);
    const std::uint64_t back = BigEndianHalf(bytes + size - kHalf);
    return (front << 32) | ((back << (8 * (kHeadBytes - size))) & 0xFFFFFFFFu);
  }
  std::uint64_t head = 0;
  for (std::size_t i = 0; i < size; ++i) {
    head |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * (kHeadBytes - 1 - i));
  }
  return head;
}

XrefSet::KeyHash XrefSet::HashOf(std::uint64_t head, std::size_t length, const char* tail) {
  constexpr std::uint64_t kByte = 0xFF;
  std::uint64_t last = 0;
  std::size_t stemTail = 0;  // bytes after the head that belong to the stem
  if (length == 0) {
  } else if (length <= kHeadBytes) {
    const std::size_t shift = 8 * (kHeadBytes - length);
    last = (head >> shift) & kByte;
    head &= ~(kByte << shift);
  } else {
    last = static_cast<unsigned char>(tail[length - kHeadBytes - 1]);
    stemTail = length - kHeadBytes - 1;
  }
  std::uint64_t stem = Mix(head ^ (length * 0x9E3779B97F4A7C15u));
  for (; stemTail >= sizeof(std::uint64_t); stemTail -= sizeof(std::uint64_t)) {
    stem = Mix(stem ^ LoadWord(tail));
    tail += sizeof(std::uint64_t);
  }
  if (stemTail > 0) {
    std::uint64_t rest = 0;
    std::memcpy(&rest, tail, stemTail);
    stem = Mix(stem ^ rest);
  }
  return {stem, last};
}

// Equal heads mean equal first bytes, where a key shorter than the head is padded with zero
// bytes. Then the shorter key is a prefix of the longer unless both go on past the head.
int XrefSet::Compare(const Probe& probe, const Node& node) const {
  if (probe.head != node.head) return probe.head < node.head ? -1 : 1;
  const std::size_t probeLength = probe.key.size();
  const std::size_t nodeLength = node.length;
  const std::size_t common = std::min(probeLength, nodeLength);
  if (common > kHeadBytes) {
    const int result = std::memcmp(probe.key.data() + kHeadBytes,
                                   tailBytes.data() + node.tailOffset, common - kHeadBytes);
    if (result != 0) return result < 0 ? -1 : 1;
  }
  return probeLength < nodeLength ? -1 : (probeLength > nodeLength ? 1 : 0);
}

int XrefSet::Compare(const Node& key, const Node& node) const {
  if (key.head != node.head) return key.head < node.head ? -1 : 1;
  const std::size_t common = std::min(key.length, node.length);
  if (common > kHeadBytes) {
    const int result = std::memcmp(tailBytes.data() + key.tailOffset,
                                   tailBytes.data() + node.tailOffset, common - kHeadBytes);
    if (result != 0) return result < 0 ? -1 : 1;
  }
  return key.length < node.length ? -1 : (key.length > node.length ? 1 : 0);
}

bool XrefSet::Equal(const Probe& probe, const Node& node) const {
  if (probe.head != node.head || probe.key.size() != node.length) return false;
  return probe.key.size() <= kHeadBytes ||
         std::memcmp(probe.key.data() + kHeadBytes, tailBytes.data() + node.tailOffset,
                     probe.key.size() - kHeadBytes) == 0;
}

namespace {

constexpr std::size_t kGroupBits = 3;  // eight slots or filter words: one cache line
constexpr std::uint64_t kInGroup = (std::uint64_t{1} << kGroupBits) - 1;

std::size_t InLine(std::uint64_t lineHash, std::uint64_t last, std::size_t count) {
  return static_cast<std::size_t>(((lineHash << kGroupBits) | (last & kInGroup)) & (count - 1));
}

}  // namespace

std::size_t XrefSet::Home(const KeyHash& hash, std::size_t count) {
  return InLine(hash.stem, hash.last, count);
}

XrefSet::Slot XrefSet::Tag(const KeyHash& hash) {
  constexpr std::uint64_t kSpread = 0x9E3779B1u;
  return ((hash.stem >> kSlotTagShift) ^ (hash.last * kSpread)) << kSlotTagShift;
}

// Three bits of one word, chosen by bits that the last byte changes too.
std::uint64_t XrefSet::FilterBits(const KeyHash& hash) {
  constexpr unsigned kBitNumberWidth = 6;
  constexpr std::uint64_t kBitNumber = 63;
  const std::uint64_t bits = hash.stem ^ (hash.last * 0x9E3779B97F4A7C15u);
  return (std::uint64_t{1} << (bits & kBitNumber)) |
         (std::uint64_t{1} << ((bits >> kBitNumberWidth) & kBitNumber)) |
         (std::uint64_t{1} << ((bits >> (2 * kBitNumberWidth)) & kBitNumber));
}

bool XrefSet::MayContain(const Probe& probe) const {
  if (filterWords.empty()) return false;
  const KeyHash hash = HashFor(probe);
  const std::uint64_t bits = FilterBits(hash);
  const std::size_t word = InLine(hash.stem >> kSlotTagShift, hash.last, filterWords.size());
  return (filterWords[word] & bits) == bits;
}

XrefSet::Index XrefSet::Find(const Probe& probe) const {
  if (slots.empty()) return kNoNode;
  const std::size_t mask = slots.size() - 1;
  const KeyHash hash = HashFor(probe);
  const Slot tag = Tag(hash);
  constexpr Slot kIndexBits = 0xFFFFFFFFu;
  for (std::size_t at = Home(hash, slots.size());; at = (at + 1) & mask) {
    const Slot slot = slots[at];
    if (slot == 0) return kNoNode;
    if ((slot & ~kIndexBits) == tag) {
      const auto index = static_cast<Index>((slot & kIndexBits) - 1);
      if (Equal(probe, At(index))) return index;
    }
  }
}

void XrefSet::IndexNode(Index index, const KeyHash& hash) {
  const std::size_t mask = slots.size() - 1;
  std::size_t at = Home(hash, slots.size());
  while (slots[at] != 0) at = (at + 1) & mask;
  slots[at] = Tag(hash) | (Slot{index} + 1);
  filterWords[InLine(hash.stem >> kSlotTagShift, hash.last, filterWords.size())] |=
      FilterBits(hash);
}

void XrefSet::RebuildIndex(std::size_t slotCount) {
  constexpr std::size_t kSlotsPerFilterWord = 8;
  std::vector<Slot>(slotCount).swap(slots);
  std::vector<std::uint64_t>(slotCount / kSlotsPerFilterWord).swap(filterWords);
  for (Index index = 0; index < count; ++index) {
    const Node& node = At(index);
    if (IsMarked(node)) continue;
    IndexNode(index, HashOf(node.head, node.length, tailBytes.data() + node.tailOffset));
  }
}

XrefSet::Index XrefSet::NewNode(const Probe& probe, bool marked) {
  if (count >= kNoNode || probe.key.size() > UINT32_MAX) throw std::bad_alloc();
  const auto index = static_cast<Index>(count);
  if ((index & (kBlockNodes - 1)) == 0) blocks.push_back(std::make_unique<Node[]>(kBlockNodes));
  Node& node = At(index);
  node.head = probe.head;
  node.length = static_cast<std::uint32_t>(probe.key.size());
  node.tailOffset = tailBytes.size();
  if (probe.key.size() > kHeadBytes) {
    tailBytes.insert(tailBytes.end(), probe.key.begin() + kHeadBytes, probe.key.end());
  }
  ++count;
  if (marked) return index;  // its bit tells it; the index is not asked for it
  ++indexedCount;
  // Three quarters full at most, so that a search for an absent key meets an empty slot soon.
  if (indexedCount * 4 > slots.size() * 3) {
    RebuildIndex(slots.empty() ? kFirstSlotCount : slots.size() * 2);  // indexes the new node too
  } else {
    IndexNode(index, HashFor(probe));
  }
  return index;
}

void XrefSet::ReserveIndex(std::size_t keyCount) {
  WaitForTree();
  // No more keys than nodes can be numbered, so the doubling below cannot overflow.
  keyCount = std::min<std::size_t>(keyCount, kNoNode);
  std::size_t slotCount = slots.empty() ? kFirstSlotCount : slots.size();
  while (keyCount * 4 > slotCount * 3) slotCount *= 2;
  if (slotCount > slots.size()) RebuildIndex(slotCount);
}

bool XrefSet::Insert(const Probe& probe) {
  return !Contains(probe) && InsertNew(probe);
}

bool XrefSet::InsertLikelyPresent(const Probe& probe) {
  return !ContainsLikely(probe) && InsertNew(probe);
}

bool XrefSet::InsertNew(const Probe& probe) {
  // The index has told that the key is new; the tree takes it now, or later in the same order.
  WaitForTree();
  const Index leaf = NewNode(probe, MarkNumber(probe));
  if (!deferring) LinkIntoTree(leaf);
  return true;
}

void XrefSet::DeferTreeInsertions() {
  WaitForTree();
  deferring = true;
  deferredFrom = static_cast<Index>(count);
}

void XrefSet::LinkDeferredInBackground() {
  WaitForTree();
  deferring = false;
  const Index from = deferredFrom;
  const auto to = static_cast<Index>(count);
  if (from == to) return;
  auto link = [this, from, to] {
    if (root == kNoNode) {
      root = BuildBalanced(from, to);
    } else {
      for (Index leaf = from; leaf < to; ++leaf) LinkIntoTree(leaf);
    }
  };
  if (!linker) linker = gedtext::BackgroundWorker::TryCreate();
  if (!linker) {
    link();  // no second thread to be had
    return;
  }
  linker->Start(link);
}

XrefSet::Index XrefSet::BuildBalanced(Index from, Index to) {
  // Most keys are told apart by their heads alone, which the sort reads from this array
  // instead of from nodes all over the blocks; twelve bytes a node.
  std::vector<HeadAndNode> order;
  order.reserve(to - from);
  for (Index leaf = from; leaf < to; ++leaf) {
    const std::uint64_t head = At(leaf).head;
    order.push_back(
        {static_cast<std::uint32_t>(head >> 32), static_cast<std::uint32_t>(head), leaf});
  }
  std::sort(order.begin(), order.end(), [this](const HeadAndNode& a, const HeadAndNode& b) {
    if (a.headHigh != b.headHigh) return a.headHigh < b.headHigh;
    if (a.headLow != b.headLow) return a.headLow < b.headLow;
    return Compare(At(a.node), At(b.node)) < 0;
  });
  int height = 0;
  return LinkSorted(order.data(), order.size(), height);
}

XrefSet::Index XrefSet::LinkSorted(const HeadAndNode* sorted, std::size_t size, int& height) {
  if (size == 0) {
    height = 0;
    return kNoNode;
  }
  // The middle key at the top, the halves below it: their heights differ by one at most.
  const std::size_t middle = size / 2;
  int leftHeight = 0;
  int rightHeight = 0;
  Node& node = At(sorted[middle].node);
  node.left = LinkSorted(sorted, middle, leftHeight);
  node.right = LinkSorted(sorted + middle + 1, size - middle - 1, rightHeight);
  node.balance = static_cast<std::int8_t>(rightHeight - leftHeight);
  height = 1 + std::max(leftHeight, rightHeight);
  return sorted[middle].node;
}

void XrefSet::WaitForTree() const {
  if (linker) linker->Wait();
}

void XrefSet::LinkIntoTree(Index leaf) {
  if (root == kNoNode) {
    root = leaf;
    return;
  }
  const Node& key = At(leaf);
  // balanceLink is the link to the deepest node on the path whose balance was not 0: the only
  // node that may need a rotation once the new leaf is attached. Links stay put when a block is
  // added, since blocks never move.
  Index* balanceLink = &root;
  Index nodeIndex = root;
  for (;;) {
    Node& node = At(nodeIndex);
    // Never 0: the index found no equal key before the leaf was made.
    const int side = Compare(key, node);
    Index& next = Link(node, side);
    if (next == kNoNode) {
      next = leaf;
      break;
    }
    if (At(next).balance != 0) balanceLink = &next;
    nodeIndex = next;
  }

  const Index pivot = *balanceLink;
  Node& pivotNode = At(pivot);
  const int side = Compare(key, pivotNode);
  for (Index walk = Link(pivotNode, side); walk != leaf;) {
    Node& walkNode = At(walk);
    const int step = Compare(key, walkNode);
    walkNode.balance = static_cast<std::int8_t>(step);
    walk = Link(walkNode, step);
  }

  if (pivotNode.balance == 0) {
    pivotNode.balance = static_cast<std::int8_t>(side);
    return;
  }
  if (pivotNode.balance == -side) {
    pivotNode.balance = 0;
    return;
  }

  // The pivot would lean by two: rotate.
  const Index child = Link(pivotNode, side);
  Node& childNode = At(child);
  if (childNode.balance == side) {
    Link(pivotNode, side) = Link(childNode, -side);
    pivotNode.balance = 0;
    childNode.balance = 0;
    Link(childNode, -side) = pivot;
    *balanceLink = child;
    return;
  }
  const Index grand = Link(childNode, -side);
  Node& grandNode = At(grand);
  const int grandBalance = grandNode.balance;
  Link(childNode, -side) = Link(grandNode, side);
  Link(pivotNode, side) = Link(grandNode, -side);
  pivotNode.balance = static_cast<std::int8_t>(grandBalance == side ? -side : 0);
  childNode.balance = static_cast<std::int8_t>(grandBalance == -side ? side : 0);
  grandNode.balance = 0;
  Link(grandNode, side) = child;
  Link(grandNode, -side) = pivot;
  *balanceLink = grand;
  return;
}

bool XrefSet::Contains(const Probe& probe) const {
  const Known known = KnownByNumber(probe);
  if (known != Known::Unknown) return known == Known::Present;
  return MayContain(probe) && Find(probe) != kNoNode;
}

bool XrefSet::ContainsLikely(const Probe& probe) const {
  const Known known = KnownByNumber(probe);
  if (known != Known::Unknown) return known == Known::Present;
  return Find(probe) != kNoNode;
}

bool XrefSet::Insert(std::string_view key) {
  return Insert(MakeProbe(key));
}

bool XrefSet::Contains(std::string_view key) const {
  return Contains(MakeProbe(key));
}

bool XrefSet::ContainsLikely(std::string_view key) const {
  return ContainsLikely(MakeProbe(key));
}

void XrefSet::Destroy() {
  WaitForTree();
  deferring = false;
  std::vector<NumberedStem>().swap(numberedStems);
  numberedWords = 0;
  std::vector<std::unique_ptr<Node[]>>().swap(blocks);
  std::vector<char>().swap(tailBytes);
  std::vector<Slot>().swap(slots);
  std::vector<std::uint64_t>().swap(filterWords);
  root = kNoNode;
  count = 0;
  indexedCount = 0;
}

std::string XrefSet::KeyOf(const Node& node) const {
  std::string key;
  for (std::size_t i = 0; i < std::min<std::size_t>(node.length, kHeadBytes); ++i) {
    key.push_back(static_cast<char>((node.head >> (8 * (kHeadBytes - 1 - i))) & 0xFF));
  }
  if (node.length > kHeadBytes) {
    key.append(tailBytes.data() + node.tailOffset, node.length - kHeadBytes);
  }
  return key;
}

int XrefSet::CheckSubtree(Index index, bool& sound) const {
  if (index == kNoNode) return 0;
  const Node& node = At(index);
  if (node.left != kNoNode && !(KeyOf(At(node.left)) < KeyOf(node))) sound = false;
  if (node.right != kNoNode && !(KeyOf(node) < KeyOf(At(node.right)))) sound = false;
  const int leftHeight = CheckSubtree(node.left, sound);
  const int rightHeight = CheckSubtree(node.right, sound);
  if (rightHeight - leftHeight != node.balance) sound = false;
  return 1 + std::max(leftHeight, rightHeight);
}

bool XrefSet::CheckInvariantsForTest() const {
  WaitForTree();
  bool sound = true;
  CheckSubtree(root, sound);
  // Neighbour checks alone miss a key on the wrong side of an ancestor: check in-order too.
  std::string previous;
  bool first = true;
  bool ordered = true;
  std::size_t visited = 0;
  auto visit = [&](auto&& self, Index index) -> void {
    if (index == kNoNode) return;
    const Node& node = At(index);
    self(self, node.left);
    std::string key = KeyOf(node);
    if (!first && !(previous < key)) ordered = false;
    previous = std::move(key);
    first = false;
    ++visited;
    self(self, node.right);
  };
  visit(visit, root);
  // Its bit, or else the filter and the hash index, must lead to every node of the tree.
  bool indexed = true;
  // The bit maps must mark exactly the numbered keys of their stems.
  std::size_t numbered = 0;
  for (Index index = 0; index < count; ++index) {
    const std::string key = KeyOf(At(index));
    const Probe probe = MakeProbe(key);
    const NumberedStem* stem = StemOf(probe);
    if (stem != nullptr && (probe.number >> 6) < stem->bits.size()) {
      ++numbered;
      if (KnownByNumber(probe) != Known::Present) indexed = false;
    } else if (!MayContain(probe) || Find(probe) != index) {
      indexed = false;
    }
  }
  std::size_t marked = 0;
  for (const NumberedStem& stem : numberedStems) {
    for (const std::uint64_t word : stem.bits)
      marked += static_cast<std::size_t>(std::popcount(word));
  }
  return sound && ordered && indexed && marked == numbered && visited == count;
}

int XrefSet::HeightForTest() const {
  WaitForTree();
  bool sound = true;
  return CheckSubtree(root, sound);
}

}  // namespace privatize
