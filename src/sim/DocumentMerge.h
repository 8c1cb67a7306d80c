#pragma once
// How a device takes a change document into its parameter document.
#include "document/ValueTree.h"

namespace kov {

inline constexpr std::u16string_view kMergeOptionsAttribute = u"__merge_options";
inline constexpr std::u16string_view kMergeEraseChildren = u"erase_children";

// Merges the element wChange into wTarget, and so on down the trees:
// - attributes of the change are set on the target (the merge option itself is not kept);
// - a leaf's text replaces the target's text, a container's text only when it has one;
// - the n-th child named X in the change merges into the n-th child named X of the target,
//   children the target lacks are appended in the order sent;
// - a change element marked with the erase option first loses all its target children.
// The names of the two elements are not compared. Works without recursion, so a deeply
// nested change cannot exhaust the stack.
void MergeChangeDocument(NodeRef wTarget, NodeRef wChange);

} // namespace kov
