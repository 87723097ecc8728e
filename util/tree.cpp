#include "util/tree.h"

#include <cinttypes>
#include <cstdio>

#include "util/heap.h"

void TR_RingRemove(TR_Ring* record)
{
    if (record == nullptr || record->next == nullptr) {
        return;
    }
    TR_Ring* next = record->next;
    TR_Ring* prev = record->prev;
    if (next == prev) {
        next->next = nullptr;
        next->prev = nullptr;
    } else {
        prev->next = next;
        next->prev = prev;
    }
    record->next = nullptr;
    record->prev = nullptr;
}

void TR_RingInsert(TR_Ring* record, TR_Ring* anchor)
{
    if (record == nullptr || anchor == nullptr || record == anchor) {
        return;
    }
    TR_RingRemove(record);
    if (anchor->next == nullptr) {
        anchor->next = record;
        anchor->prev = record;
        record->next = anchor;
        record->prev = anchor;
        return;
    }
    record->prev = anchor;
    record->next = anchor->next;
    anchor->next->prev = record;
    anchor->next = record;
}

void TR_RingForEach(TR_Ring* record, int (*callback)(TR_Ring*, void*), void* argument)
{
    if (record == nullptr || callback == nullptr) {
        return;
    }
    TR_Ring* r = record;
    do {
        if (callback(r, argument) == 0) {
            return;
        }
        r = r->prev;
    } while (r != nullptr && r != record);
}

namespace {

TR_Node* node_of(NODE_Node* link)
{
    return link != nullptr ? static_cast<TR_Node*>(link->data) : nullptr;
}

// The next node in pre-order within the subtree of `top` (the whole tree when top is its
// root); NULL after the last one.
TR_Node* next_in_preorder(TR_Node* node, const TR_Node* top)
{
    if (node->children.first != nullptr) {
        return node_of(node->children.first);
    }
    for (TR_Node* n = node; n != nullptr && n != top; n = n->parent) {
        if (n->sibling.next != nullptr) {
            return node_of(n->sibling.next);
        }
    }
    return nullptr;
}

TR_Node* deepest_last(TR_Node* node)
{
    while (node->children.last != nullptr) {
        node = node_of(node->children.last);
    }
    return node;
}

// The node before `node` in pre-order, from its previous sibling or its parent.
TR_Node* predecessor(TR_Node* node)
{
    TR_Node* prev = node_of(node->sibling.prev);
    return prev != nullptr ? deepest_last(prev) : node->parent;
}

void mark_subtree(TR_Node* top, TR_Node* root)
{
    for (TR_Node* n = top; n != nullptr; n = next_in_preorder(n, top)) {
        n->index = TR_UNNUMBERED;
        n->root = root;
    }
}

// Moves the mark back to `to` when it lay after it. Indices between the two become stale;
// they are cleared so that none of them can pass for a valid one, which keeps indices
// after the mark always unnumbered.
void pull_mark_back(TR_Node* root, TR_Node* to)
{
    TR_Node* mark = root->numberedUpTo;
    if (mark->index <= to->index) {
        return;
    }
    for (TR_Node* n = next_in_preorder(to, root); n != nullptr; n = next_in_preorder(n, root)) {
        bool last = n == mark;
        n->index = TR_UNNUMBERED;
        if (last) {
            break;
        }
    }
    root->numberedUpTo = to;
}

bool is_in_subtree(const TR_Node* node, const TR_Node* top)
{
    for (const TR_Node* n = node; n != nullptr; n = n->parent) {
        if (n == top) {
            return true;
        }
    }
    return false;
}

void attach(TR_Node* node, TR_Node* parent, bool first)
{
    if (node == nullptr || parent == nullptr || is_in_subtree(parent, node)) {
        return;
    }
    if (node->parent != nullptr) {
        TR_TreeDetach(node);
    }
    if (first) {
        NODE_AddHead(&node->sibling, &parent->children);
    } else {
        NODE_AddTail(&node->sibling, &parent->children);
    }
    node->parent = parent;
    TR_Node* root = parent->root;
    mark_subtree(node, root);
    pull_mark_back(root, predecessor(node));
}

}  // namespace

void TR_TreeInit(TR_Node* node)
{
    if (node == nullptr) {
        return;
    }
    node->sibling = NODE_Node{nullptr, nullptr, node, nullptr};
    node->children = NODE_List{nullptr, nullptr};
    node->parent = nullptr;
    node->root = node;
    node->numberedUpTo = node;
    node->index = 0;
}

void TR_TreeAddFirst(TR_Node* node, TR_Node* parent)
{
    attach(node, parent, true);
}

void TR_TreeAddLast(TR_Node* node, TR_Node* parent)
{
    attach(node, parent, false);
}

void TR_TreeDetach(TR_Node* node)
{
    if (node == nullptr || node->parent == nullptr) {
        return;
    }
    TR_Node* root = node->root;
    TR_Node* mark = root->numberedUpTo;
    if (node->index > mark->index) {
        NODE_Remove(&node->sibling);
    } else {
        TR_Node* p = predecessor(node);
        NODE_Remove(&node->sibling);
        TR_Node* s = next_in_preorder(p, root);
        // The mark lay inside the removed subtree exactly when the node after P is past it.
        if (s == nullptr || s->index > mark->index) {
            root->numberedUpTo = p;
        }
    }
    node->parent = nullptr;
    mark_subtree(node, node);
    node->index = 0;
    node->numberedUpTo = node;
}

void TR_TreeDetachChildren(TR_Node* node)
{
    while (node != nullptr && node->children.first != nullptr) {
        TR_TreeDetach(node_of(node->children.first));
    }
}

uint32_t TR_TreeIndex(TR_Node* node)
{
    if (node == nullptr) {
        return TR_UNNUMBERED;
    }
    TR_Node* root = node->root;
    TR_Node* mark = root->numberedUpTo;
    if (node->index <= mark->index) {
        return node->index;
    }
    uint32_t i = mark->index;
    for (TR_Node* n = next_in_preorder(mark, root); n != nullptr; n = next_in_preorder(n, root)) {
        n->index = ++i;
        if (n == node) {
            root->numberedUpTo = n;
            return i;
        }
    }
    // Only a node whose root field lies can get here; the numbering done on the way stands.
    root->numberedUpTo = deepest_last(root);
    return TR_UNNUMBERED;
}

void TR_TreeWalk(TR_Node* node, int (*callback)(TR_Node*))
{
    if (node == nullptr || callback == nullptr) {
        return;
    }
    if (callback(node) == 0) {
        return;
    }
    for (NODE_Node* c = node->children.first; c != nullptr;) {
        NODE_Node* next = c->next;
        TR_TreeWalk(node_of(c), callback);
        c = next;
    }
}

void TR_TreeDump(TR_Node* node)
{
    if (node == nullptr) {
        HEAP_Print("[]");
        return;
    }
    char line[48];
    snprintf(line, sizeof line, "[%" PRIXPTR " %" PRId32 "]\n", reinterpret_cast<uintptr_t>(node),
             static_cast<int32_t>(node->index));
    HEAP_Print(line);
    HEAP_Open();
    for (NODE_Node* c = node->children.first; c != nullptr; c = c->next) {
        TR_TreeDump(node_of(c));
    }
    HEAP_Close();
}
