// xref_set.h - a set of owned strings kept in a height-balanced binary search tree.
#pragma once

#include <cstddef>      // std::size_t
#include <cstdint>      // std::int8_t
#include <memory>       // std::unique_ptr
#include <string>       // std::string
#include <string_view>  // std::string_view

namespace privatize {

/// Identifiers and tags of the privatizer. Keys compare byte by byte as unsigned bytes, a proper
/// prefix first, case-sensitively. Lookups take views, so no temporary string is built.
class XrefSet {
 public:
  XrefSet() = default;
  XrefSet(const XrefSet&) = delete;
  XrefSet& operator=(const XrefSet&) = delete;
  ~XrefSet() { Destroy(); }

  /// Adds a copy of key unless an equal key is present. Returns whether it was added.
  bool Insert(std::string_view key);
  bool Contains(std::string_view key) const;
  /// Frees every node; the set is empty afterwards.
  void Destroy();

  std::size_t Size() const { return count; }
  bool Empty() const { return count == 0; }

  /// For tests: true when the keys are in order and every balance factor is -1, 0 or +1 and
  /// equals the difference of its subtrees' heights.
  bool CheckInvariantsForTest() const;
  /// For tests: the height of the tree (0 when empty).
  int HeightForTest() const;

 private:
  struct Node {
    explicit Node(std::string_view key) : key(key) {}
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;
    std::int8_t balance = 0;  // height(right) - height(left)
    std::string key;
  };

  static std::unique_ptr<Node>& Child(Node& node, int side) {
    return side < 0 ? node.left : node.right;
  }
  static void DestroySubtree(std::unique_ptr<Node>& link);
  static int CheckSubtree(const Node* node, bool& sound);

  Node header{std::string_view{}};  // its right link is the root
  std::size_t count = 0;
};

}  // namespace privatize
