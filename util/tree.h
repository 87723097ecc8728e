// Rings and trees for records that embed their links: rings are circular groups of two or
// more records; trees keep their children in order and give every node a pre-order index
// that is computed only when asked for, from the last numbered node onward.
//
// Depends on util/node.h (child lists) and util/heap.h (TR_TreeDump). Allocates nothing.
// Indices are order keys, not positions: after a removal they may have gaps, but comparing
// two indices of one tree always tells which node comes first in pre-order.
#pragma once

#include <cstdint>

#include "util/node.h"

// At the start of a record. A record in no ring has next == NULL; the smallest ring has two.
struct TR_Ring {
    TR_Ring* next;
    TR_Ring* prev;
};

enum : uint32_t { TR_UNNUMBERED = 0xFFFFFFFFu };

// All fields are read only; TR_TreeInit sets them up.
struct TR_Node {
    NODE_Node sibling;      // in the parent's child list; data is the node
    NODE_List children;
    TR_Node* parent;        // NULL for a root
    TR_Node* root;          // a root points to itself
    TR_Node* numberedUpTo;  // in the root only: the last node, in pre-order, with a valid index
    uint32_t index;         // TR_UNNUMBERED for every node after numberedUpTo
};

// Takes the record out of its ring and puts it right after the anchor; an anchor in no ring
// forms a ring of two with it.
void TR_RingInsert(TR_Ring* record, TR_Ring* anchor);
// Leaving a ring of two leaves the other record in no ring too.
void TR_RingRemove(TR_Ring* record);
// Calls back on the record and then along the previous links until the callback returns 0
// or the start comes round again.
void TR_RingForEach(TR_Ring* record, int (*callback)(TR_Ring* record, void* argument), void* argument);

// Makes the node a tree of its own with index 0.
void TR_TreeInit(TR_Node* node);
// Put the node with its subtree first / last among the parent's children. A node still in
// another tree is detached from it first; attaching a node under its own subtree is refused.
void TR_TreeAddFirst(TR_Node* node, TR_Node* parent);
void TR_TreeAddLast(TR_Node* node, TR_Node* parent);
// Takes the node with its subtree out of its tree; it becomes a root.
void TR_TreeDetach(TR_Node* node);
void TR_TreeDetachChildren(TR_Node* node);
// The pre-order index, numbering lazily; TR_UNNUMBERED for NULL.
[[nodiscard]] uint32_t TR_TreeIndex(TR_Node* node);
// Pre-order: a node's children are visited only when the callback returned non-zero for it.
void TR_TreeWalk(TR_Node* node, int (*callback)(TR_Node* node));
// Debug listing through HEAP_Print: "[ADDRESS index]" and the children in braces.
void TR_TreeDump(TR_Node* node);
