// Intrusive doubly linked lists whose nodes live inside the records they link, and named
// items: small records carrying a name and a pointer-sized user value that can be found,
// inserted in order and sorted by name.
//
// Depends on util/mem.h for the named items. Lists own nothing: freeing a linked record is
// the owner's business (unlink it first). Not thread-safe.
#pragma once

#include <cstdint>

struct NODE_List;

struct NODE_Node {
    NODE_Node* prev;
    NODE_Node* next;
    void* data;      // chosen by the node's owner; mostly the record holding the node
    NODE_List* list; // read only: NULL while the node is in no list
};

struct NODE_List {
    NODE_Node* first; // read only
    NODE_Node* last;  // read only
};

// The item and its name text are one allocation; `name` points at the text right behind it.
struct NODE_Item {
    NODE_List* list; // read only: NULL while unlinked
    NODE_Node node;  // its data is the item itself
    char* name;      // read only
    uintptr_t value; // the owner's; wide enough to hold an address
};

// Orders for NODE_InsertItemSorted and NODE_SortItems; any other value keeps list order
// (or, for an insertion, links at the front).
enum NODE_SortMode : int {
    NODE_SORT_ASCENDING = 1,
    NODE_SORT_DESCENDING = 2,
    NODE_SORT_ASCENDING_NOCASE = -1,
    NODE_SORT_DESCENDING_NOCASE = -2,
};

// Node level. Every linking operation first unlinks the node from whatever list holds it;
// NULL arguments are ignored.
void NODE_AddTail(NODE_Node* node, NODE_List* list);
void NODE_AddHead(NODE_Node* node, NODE_List* list);
// Links `node` into other's list right after `other`; nothing when `other` is in no list.
void NODE_InsertAfter(NODE_Node* node, NODE_Node* other);
// Clears prev, next and list; harmless on an unlinked node.
void NODE_Remove(NODE_Node* node);
void NODE_RemoveTail(NODE_List* list);
// Flag 0 moves the first node to the end; any other flag moves the last node to the front.
void NODE_Rotate(NODE_List* list, int direction);
// Nodes from the first to the end; 0 for a NULL or empty list.
[[nodiscard]] uint32_t NODE_CountNodes(const NODE_List* list);
[[nodiscard]] uint32_t NODE_Count(const NODE_List* list);
// The node at a 0-based index; NULL past the end or for an empty list.
[[nodiscard]] NODE_Node* NODE_GetNode(const NODE_List* list, uint32_t index);
// First node whose data, read as text, equals `text`; nodes with NULL data are skipped.
[[nodiscard]] NODE_Node* NODE_FindString(const NODE_List* list, const char* text);
// Sorts the nodes' data texts (NULL data first) and writes them back in list order; the
// nodes stay where they are. Returns -1, or 0 for a NULL list or a failed allocation (then
// nothing changed).
[[nodiscard]] int NODE_SortStrings(NODE_List* list, int descending);

// Named items.
// A new unlinked item with a copy of the name; NULL for a NULL name or on failure.
// Free with NODE_FreeItem.
[[nodiscard]] NODE_Item* NODE_NewItem(const char* name, uintptr_t value);
// Unlinks and frees; NULL is ignored.
void NODE_FreeItem(NODE_Item* item);
void NODE_AddItemTail(NODE_Item* item, NODE_List* list);
void NODE_AddItemHead(NODE_Item* item, NODE_List* list);
// Only when `other` is in a list: the item joins it right after `other`.
void NODE_InsertItemAfter(NODE_Item* item, NODE_Item* other);
// Unlinks; the item stays allocated.
void NODE_UnlinkItem(NODE_Item* item);
// Equal names: the new item goes in front of them. An unknown mode links at the front.
void NODE_InsertItemSorted(NODE_Item* item, NODE_List* list, int mode);
// Re-orders the whole list by name; equal names keep their order. Returns -1, or 0 for a
// NULL list or a failed allocation (then the order is unchanged).
[[nodiscard]] int NODE_SortItems(NODE_List* list, int mode);
// NULL when none.
[[nodiscard]] NODE_Item* NODE_FindItem(const char* name, const NODE_List* list);
// The item's 0-based position, -1 when none.
[[nodiscard]] int32_t NODE_ItemIndex(const char* name, const NODE_List* list);
// NULL past the end.
[[nodiscard]] NODE_Item* NODE_GetItem(const NODE_List* list, uint32_t index);
void NODE_UnlinkFirstItem(NODE_List* list);
void NODE_UnlinkLastItem(NODE_List* list);
void NODE_UnlinkAllItems(NODE_List* list);
void NODE_FreeFirstItem(NODE_List* list);
void NODE_FreeLastItem(NODE_List* list);
void NODE_FreeAllItems(NODE_List* list);
