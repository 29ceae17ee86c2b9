// xref_set.h - a set of owned strings kept in a height-balanced binary search tree.
#pragma once

#include <cstddef>      // std::size_t
#include <cstdint>      // std::int8_t, std::uint32_t, std::uint64_t
#include <memory>       // std::unique_ptr
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

#include "background_worker.h"

namespace privatize {

/// Identifiers and tags of the privatizer. Keys compare byte by byte as unsigned bytes, a proper
/// prefix first, case-sensitively. Lookups take views, so no temporary string is built.
///
/// The nodes live in blocks owned by the set and link to each other by index. Each node holds the
/// first eight bytes of its key as a number that orders like the bytes, so most comparisons (and
/// all of them for keys of up to eight bytes, which covers ordinary identifiers) touch nothing
/// but the node; the bytes beyond the eighth are kept in one shared buffer.
///
/// In front of the tree sits a hash index of its nodes (open addressing, each slot a node index
/// and some bits of the key's hash). The tree holds the keys and decides every insertion; the
/// index only finds a node without walking the tree, which at a million keys costs a cache miss
/// per level: Contains, and Insert of a key already present, look at one or two slots and the
/// node itself. A small Bloom filter (a 64-bit word for every eight slots, three bits set a key)
/// answers most lookups of absent keys from the cache before the index is touched.
///
/// Most identifiers are a short stem and a number (I1204, F0045, S12). Such a key gets a bit in a
/// bit map of its stem, numbered by its digits, in place of its entries in the index and the
/// filter: whether it is present is told by that bit, which at a million keys is a read from a
/// map of a few hundred KB instead of a cache miss in the index. The tree holds these keys all
/// the same.
class XrefSet {
 public:
  /// What the index and the filter use of a key: a hash of all its bytes but the last, and the
  /// last byte. Keys that differ only in their last byte (I120 to I129) share the hash, and so
  /// share a cache line of slots and one of filter words, each picked by the last byte: lookups
  /// of identifiers in file order, which often go up by one, keep hitting the same lines.
  struct KeyHash {
    std::uint64_t stem;
    std::uint64_t last;
  };

  /// A key with its head and its hash or number worked out once, so that one identifier can be
  /// looked up in several sets for the price of one. Refers to the key's bytes, which must
  /// outlive it.
  struct Probe {
    std::uint64_t head;
    /// Only for a key without a stem (below): a numbered key seldom needs its hash, which is
    /// then worked out when it does.
    KeyHash hash;
    std::string_view key;
    /// For a key of at most kHeadBytes bytes that ends in 1 to kNumberDigits decimal digits: the
    /// head of the bytes before the digits with a marker byte where the digits begin (never 0),
    /// and the digits' place among all strings of digits, shorter ones first (0 is 1, 9 is 10,
    /// 00 is 11). stem is 0 for any other key.
    std::uint64_t stem = 0;
    std::uint32_t number = 0;
  };
  static Probe MakeProbe(std::string_view key);

  XrefSet() = default;
  XrefSet(const XrefSet&) = delete;
  XrefSet& operator=(const XrefSet&) = delete;

  /// Adds a copy of key unless an equal key is present. Returns whether it was added.
  bool Insert(std::string_view key);
  bool Insert(const Probe& probe);
  /// Insert for keys that are mostly present already, such as the targets of pointer lines,
  /// each named by several lines: skips the filter, which would only cost a memory access.
  bool InsertLikelyPresent(const Probe& probe);
  bool Contains(std::string_view key) const;
  bool Contains(const Probe& probe) const;
  /// Contains for keys that are nearly always present, such as pointer targets looked up in the
  /// set of referenced identifiers: skips the filter, which would only cost a memory access.
  bool ContainsLikely(std::string_view key) const;
  bool ContainsLikely(const Probe& probe) const;
  /// Sizes the hash index for keyCount keys at once, so that filling the set up to that many
  /// does not rebuild the index as it grows. Changes nothing but speed and memory.
  void ReserveIndex(std::size_t keyCount);
  /// From now on, a new key goes into the index at once and into the tree only when
  /// LinkDeferredInBackground is called: lookups and the answers of Insert stay the same, and
  /// the tree gets the same keys. Into a tree that already has keys they go one by one, in the
  /// order they came; an empty tree is built from them at once, sorted, as balanced as it can
  /// be.
  void DeferTreeInsertions();
  /// Links the keys inserted since DeferTreeInsertions into the tree on a second thread and
  /// ends the deferral. Lookups may go on meanwhile (they use the bit maps and the index only);
  /// whatever changes the set or walks the tree first waits for the thread.
  void LinkDeferredInBackground();
  /// Frees every node; the set is empty afterwards.
  void Destroy();

  std::size_t Size() const { return count; }
  bool Empty() const { return count == 0; }

  /// For tests: true when the keys are in order, every balance factor is -1, 0 or +1 and
  /// equals the difference of its subtrees' heights, and the hash index finds every node.
  bool CheckInvariantsForTest() const;
  /// For tests: the height of the tree (0 when empty).
  int HeightForTest() const;

 private:
  using Index = std::uint32_t;
  static constexpr Index kNoNode = 0xFFFFFFFFu;
  static constexpr std::size_t kHeadBytes = 8;
  static constexpr std::size_t kNumberDigits = 7;
  static constexpr std::size_t kMaxNumberedStems = 16;
  /// All bit maps of a set together hold at most this many 64-bit words (4 MiB).
  static constexpr std::size_t kMaxNumberedWords = std::size_t{1} << 19;
  static constexpr unsigned kBlockShift = 12;
  static constexpr Index kBlockNodes = Index{1} << kBlockShift;

  struct Node {
    std::uint64_t head = 0;        // the first kHeadBytes bytes, big-endian, zero-padded
    std::uint64_t tailOffset = 0;  // where the bytes after the head start in tailBytes
    std::uint32_t length = 0;      // of the whole key
    Index left = kNoNode;
    Index right = kNoNode;
    std::int8_t balance = 0;  // height(right) - height(left)
  };

  // A slot holds 32 bits of the key's hash (Tag) above the node index plus one; 0 is an empty
  // slot. The hash bits let most slots of other keys be passed without visiting their node.
  using Slot = std::uint64_t;
  static constexpr unsigned kSlotTagShift = 32;
  static constexpr std::size_t kFirstSlotCount = 16;

  static std::uint64_t FilterBits(const KeyHash& hash);
  static std::size_t Home(const KeyHash& hash, std::size_t count);
  static Slot Tag(const KeyHash& hash);
  bool MayContain(const Probe& probe) const;
  static KeyHash HashOf(std::uint64_t head, std::size_t length, const char* tail);
  /// The first kHeadBytes bytes of key, big-endian, zero-padded.
  static std::uint64_t HeadOf(std::string_view key);
  static Index& Link(Node& node, int side) { return side < 0 ? node.left : node.right; }

  Node& At(Index index) { return blocks[index >> kBlockShift][index & (kBlockNodes - 1)]; }
  const Node& At(Index index) const {
    return blocks[index >> kBlockShift][index & (kBlockNodes - 1)];
  }
  int Compare(const Probe& probe, const Node& node) const;
  int Compare(const Node& key, const Node& node) const;
  bool Equal(const Probe& probe, const Node& node) const;
  /// The node holding the probe's key, found through the hash index; kNoNode when absent.
  Index Find(const Probe& probe) const;
  void IndexNode(Index index, const KeyHash& hash);
  /// Rebuilds the index with slotCount slots (a power of two) and indexes every node again.
  void RebuildIndex(std::size_t slotCount);
  /// A node for probe's key, indexed unless its bit marks it.
  Index NewNode(const Probe& probe, bool marked);
  /// Adds probe's key, which the index does not hold. Returns true.
  bool InsertNew(const Probe& probe);
  /// Links the node leaf, whose key is in no other node, into the tree and rebalances it.
  void LinkIntoTree(Index leaf);
  /// Sorts the nodes numbered from `from` up to `to` (linked into no tree) by key and links them
  /// into a tree of their own, the middle key of each range at the range's top. Returns its root.
  Index BuildBalanced(Index from, Index to);
  struct HeadAndNode {
    std::uint32_t headHigh;
    std::uint32_t headLow;
    Index node;
  };
  Index LinkSorted(const HeadAndNode* sorted, std::size_t size, int& height);
  void WaitForTree() const;
  std::string KeyOf(const Node& node) const;
  int CheckSubtree(Index index, bool& sound) const;

  // The bit map of the numbered keys of one stem (Probe::stem), as long as the largest number
  // marked needs. Stems are taken in the order their first key comes, up to kMaxNumberedStems;
  // the keys of later stems are found through the index alone. When the words allowed for all
  // maps run out, a map stops growing and is no longer complete: keys numbered beyond it are
  // then found through the index alone.
  struct NumberedStem {
    std::uint64_t stem;
    std::vector<std::uint64_t> bits;
    bool complete = true;
  };
  enum class Known { Present, Absent, Unknown };
  /// Whether the probe's key is present as far as the numbered stems tell.
  Known KnownByNumber(const Probe& probe) const;
  /// Sets the bit of the probe's key, which is being added; false when it gets none, and so must
  /// be found through the index.
  bool MarkNumber(const Probe& probe);
  bool IsMarked(const Node& node) const;
  static KeyHash HashFor(const Probe& probe);
  const NumberedStem* StemOf(const Probe& probe) const;

  std::vector<NumberedStem> numberedStems;
  std::size_t numberedWords = 0;  // of all bit maps
  std::vector<std::unique_ptr<Node[]>> blocks;
  std::vector<char> tailBytes;
  std::vector<Slot> slots;                 // size a power of two, at most three quarters used
  std::vector<std::uint64_t> filterWords;  // one eighth as many as slots
  Index root = kNoNode;
  std::size_t count = 0;
  std::size_t indexedCount = 0;  // the nodes in the hash index: those without a bit
  bool deferring = false;
  // The first node made while deferring; the later ones follow it in the order their keys came.
  Index deferredFrom = 0;
  // Last, so that it ends (waiting for its job) before the nodes it links are freed.
  std::unique_ptr<gedtext::BackgroundWorker> linker;
};

}  // namespace privatize
