// xref_set.cpp - insertion with rebalancing, lookup and destruction of the identifier set.
#include "xref_set.h"

#include <algorithm>  // std::max

namespace privatize {

namespace {
int Compare(std::string_view a, std::string_view b) {
  const int result = a.compare(b);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}
}  // namespace

bool XrefSet::Insert(std::string_view key) {
  if (!header.right) {
    header.right = std::make_unique<Node>(key);
    ++count;
    return true;
  }
  // balanceLink owns the deepest node on the path whose balance was not 0: the only node that
  // may need a rotation once the new leaf is attached.
  std::unique_ptr<Node>* balanceLink = &header.right;
  Node* node = header.right.get();
  Node* leaf = nullptr;
  for (;;) {
    const int side = Compare(key, node->key);
    if (side == 0) return false;
    std::unique_ptr<Node>& next = Child(*node, side);
    if (!next) {
      next = std::make_unique<Node>(key);
      leaf = next.get();
      break;
    }
    if (next->balance != 0) balanceLink = &next;
    node = next.get();
  }
  ++count;

  Node* pivot = balanceLink->get();
  const int side = Compare(key, pivot->key);
  Node* child = Child(*pivot, side).get();
  for (Node* walk = child; walk != leaf;) {
    const int step = Compare(key, walk->key);
    walk->balance = static_cast<std::int8_t>(step);
    walk = Child(*walk, step).get();
  }

  if (pivot->balance == 0) {
    pivot->balance = static_cast<std::int8_t>(side);
    return true;
  }
  if (pivot->balance == -side) {
    pivot->balance = 0;
    return true;
  }

  // The pivot would lean by two: rotate.
  std::unique_ptr<Node> pivotOwn = std::move(*balanceLink);
  std::unique_ptr<Node> childOwn = std::move(Child(*pivotOwn, side));
  if (childOwn->balance == side) {
    Child(*pivotOwn, side) = std::move(Child(*childOwn, -side));
    pivotOwn->balance = 0;
    childOwn->balance = 0;
    Child(*childOwn, -side) = std::move(pivotOwn);
    *balanceLink = std::move(childOwn);
    return true;
  }
  std::unique_ptr<Node> grandOwn = std::move(Child(*childOwn, -side));
  const int grandBalance = grandOwn->balance;
  Child(*childOwn, -side) = std::move(Child(*grandOwn, side));
  Child(*pivotOwn, side) = std::move(Child(*grandOwn, -side));
  pivotOwn->balance = static_cast<std::int8_t>(grandBalance == side ? -side : 0);
  childOwn->balance = static_cast<std::int8_t>(grandBalance == -side ? side : 0);
  grandOwn->balance = 0;
  Child(*grandOwn, side) = std::move(childOwn);
  Child(*grandOwn, -side) = std::move(pivotOwn);
  *balanceLink = std::move(grandOwn);
  return true;
}

bool XrefSet::Contains(std::string_view key) const {
  const Node* node = header.right.get();
  while (node) {
    const int side = Compare(key, node->key);
    if (side == 0) return true;
    node = side < 0 ? node->left.get() : node->right.get();
  }
  return false;
}

void XrefSet::DestroySubtree(std::unique_ptr<Node>& link) {
  // The depth is logarithmic in the number of keys, so recursion stays shallow.
  if (!link) return;
  DestroySubtree(link->left);
  DestroySubtree(link->right);
  link.reset();
}

void XrefSet::Destroy() {
  DestroySubtree(header.right);
  count = 0;
}

int XrefSet::CheckSubtree(const Node* node, bool& sound) {
  if (!node) return 0;
  if (node->left && !(node->left->key < node->key)) sound = false;
  if (node->right && !(node->key < node->right->key)) sound = false;
  const int leftHeight = CheckSubtree(node->left.get(), sound);
  const int rightHeight = CheckSubtree(node->right.get(), sound);
  if (rightHeight - leftHeight != node->balance) sound = false;
  return 1 + std::max(leftHeight, rightHeight);
}

bool XrefSet::CheckInvariantsForTest() const {
  bool sound = true;
  CheckSubtree(header.right.get(), sound);
  // Neighbour checks alone miss a key on the wrong side of an ancestor: check in-order too.
  const std::string* previous = nullptr;
  bool ordered = true;
  auto visit = [&](auto&& self, const Node* node) -> void {
    if (!node) return;
    self(self, node->left.get());
    if (previous && !(*previous < node->key)) ordered = false;
    previous = &node->key;
    self(self, node->right.get());
  };
  visit(visit, header.right.get());
  return sound && ordered;
}

int XrefSet::HeightForTest() const {
  bool sound = true;
  return CheckSubtree(header.right.get(), sound);
}

}  // namespace privatize
