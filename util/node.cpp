#include "util/node.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "util/mem.h"

void NODE_Remove(NODE_Node* node)
{
    if (node == nullptr) {
        return;
    }
    NODE_List* list = node->list;
    if (list != nullptr) {
        if (node->prev != nullptr) {
            node->prev->next = node->next;
        } else {
            list->first = node->next;
        }
        if (node->next != nullptr) {
            node->next->prev = node->prev;
        } else {
            list->last = node->prev;
        }
    }
    node->prev = nullptr;
    node->next = nullptr;
    node->list = nullptr;
}

void NODE_AddTail(NODE_Node* node, NODE_List* list)
{
    if (node == nullptr || list == nullptr) {
        return;
    }
    NODE_Remove(node);
    node->prev = list->last;
    node->next = nullptr;
    node->list = list;
    if (list->last != nullptr) {
        list->last->next = node;
    } else {
        list->first = node;
    }
    list->last = node;
}

void NODE_AddHead(NODE_Node* node, NODE_List* list)
{
    if (node == nullptr || list == nullptr) {
        return;
    }
    NODE_Remove(node);
    node->prev = nullptr;
    node->next = list->first;
    node->list = list;
    if (list->first != nullptr) {
        list->first->prev = node;
    } else {
        list->last = node;
    }
    list->first = node;
}

void NODE_InsertAfter(NODE_Node* node, NODE_Node* other)
{
    if (node == nullptr || other == nullptr || node == other || other->list == nullptr) {
        return;
    }
    NODE_Remove(node);
    NODE_List* list = other->list;
    node->prev = other;
    node->next = other->next;
    node->list = list;
    if (other->next != nullptr) {
        other->next->prev = node;
    } else {
        list->last = node;
    }
    other->next = node;
}

void NODE_RemoveTail(NODE_List* list)
{
    if (list != nullptr) {
        NODE_Remove(list->last);
    }
}

void NODE_Rotate(NODE_List* list, int direction)
{
    if (list == nullptr || list->first == nullptr) {
        return;
    }
    if (direction == 0) {
        NODE_AddTail(list->first, list);
    } else {
        NODE_AddHead(list->last, list);
    }
}

uint32_t NODE_CountNodes(const NODE_List* list)
{
    uint32_t count = 0;
    if (list != nullptr) {
        for (const NODE_Node* n = list->first; n != nullptr; n = n->next) {
            count++;
        }
    }
    return count;
}

uint32_t NODE_Count(const NODE_List* list)
{
    return NODE_CountNodes(list);
}

NODE_Node* NODE_GetNode(const NODE_List* list, uint32_t index)
{
    if (list == nullptr) {
        return nullptr;
    }
    NODE_Node* n = list->first;
    while (n != nullptr && index > 0) {
        n = n->next;
        index--;
    }
    return n;
}

NODE_Node* NODE_FindString(const NODE_List* list, const char* text)
{
    if (list == nullptr || text == nullptr) {
        return nullptr;
    }
    for (NODE_Node* n = list->first; n != nullptr; n = n->next) {
        if (n->data != nullptr && strcmp(static_cast<const char*>(n->data), text) == 0) {
            return n;
        }
    }
    return nullptr;
}

namespace {

// Pairs a sort key with its list position so that equal keys keep their order, which a
// plain qsort would not promise.
struct SortEntry {
    void* data;
    const char* key;
    uint32_t position;
};

int compare_names(const char* a, const char* b, bool nocase)
{
    if (a == nullptr || b == nullptr) {
        return (a != nullptr) - (b != nullptr);
    }
    return nocase ? strcasecmp(a, b) : strcmp(a, b);
}

bool is_known_mode(int mode)
{
    return mode == NODE_SORT_ASCENDING || mode == NODE_SORT_DESCENDING ||
           mode == NODE_SORT_ASCENDING_NOCASE || mode == NODE_SORT_DESCENDING_NOCASE;
}

bool mode_descends(int mode)
{
    return mode == NODE_SORT_DESCENDING || mode == NODE_SORT_DESCENDING_NOCASE;
}

bool mode_ignores_case(int mode)
{
    return mode < 0;
}

void sort_entries(SortEntry* entries, uint32_t count, bool descending, bool nocase)
{
    std::sort(entries, entries + count, [descending, nocase](const SortEntry& a, const SortEntry& b) {
        int c = compare_names(a.key, b.key, nocase);
        if (descending) {
            c = -c;
        }
        if (c != 0) {
            return c < 0;
        }
        return a.position < b.position;
    });
}

NODE_Item* item_of(NODE_Node* node)
{
    return node != nullptr ? static_cast<NODE_Item*>(node->data) : nullptr;
}

// Null for an empty list, so that callers need no separate count.
SortEntry* collect(NODE_List* list, uint32_t* count, bool* failed)
{
    *count = NODE_CountNodes(list);
    *failed = false;
    if (*count == 0) {
        return nullptr;
    }
    auto* entries = static_cast<SortEntry*>(MEM_Alloc(sizeof(SortEntry) * *count));
    if (entries == nullptr) {
        *failed = true;
        return nullptr;
    }
    uint32_t i = 0;
    for (NODE_Node* n = list->first; n != nullptr; n = n->next, i++) {
        entries[i].data = n->data;
        entries[i].position = i;
        entries[i].key = nullptr;
    }
    return entries;
}

}  // namespace

int NODE_SortStrings(NODE_List* list, int descending)
{
    if (list == nullptr) {
        return 0;
    }
    uint32_t count = 0;
    bool failed = false;
    SortEntry* entries = collect(list, &count, &failed);
    if (failed) {
        return 0;
    }
    for (uint32_t i = 0; i < count; i++) {
        entries[i].key = static_cast<const char*>(entries[i].data);
    }
    sort_entries(entries, count, descending != 0, false);
    uint32_t i = 0;
    for (NODE_Node* n = list->first; n != nullptr; n = n->next, i++) {
        n->data = entries[i].data;
    }
    MEM_Free(entries);
    return -1;
}

NODE_Item* NODE_NewItem(const char* name, uintptr_t value)
{
    if (name == nullptr) {
        return nullptr;
    }
    size_t length = strlen(name);
    auto* item = static_cast<NODE_Item*>(MEM_Alloc(sizeof(NODE_Item) + length + 1));
    if (item == nullptr) {
        return nullptr;
    }
    item->list = nullptr;
    item->node.prev = nullptr;
    item->node.next = nullptr;
    item->node.list = nullptr;
    item->node.data = item;
    item->name = reinterpret_cast<char*>(item + 1);
    memcpy(item->name, name, length + 1);
    item->value = value;
    return item;
}

void NODE_UnlinkItem(NODE_Item* item)
{
    if (item == nullptr) {
        return;
    }
    NODE_Remove(&item->node);
    item->list = nullptr;
}

void NODE_FreeItem(NODE_Item* item)
{
    if (item == nullptr) {
        return;
    }
    NODE_UnlinkItem(item);
    MEM_Free(item);
}

void NODE_AddItemTail(NODE_Item* item, NODE_List* list)
{
    if (item == nullptr || list == nullptr) {
        return;
    }
    NODE_AddTail(&item->node, list);
    item->list = list;
}

void NODE_AddItemHead(NODE_Item* item, NODE_List* list)
{
    if (item == nullptr || list == nullptr) {
        return;
    }
    NODE_AddHead(&item->node, list);
    item->list = list;
}

void NODE_InsertItemAfter(NODE_Item* item, NODE_Item* other)
{
    if (item == nullptr || other == nullptr || item == other || other->list == nullptr) {
        return;
    }
    NODE_InsertAfter(&item->node, &other->node);
    item->list = other->list;
}

void NODE_InsertItemSorted(NODE_Item* item, NODE_List* list, int mode)
{
    if (item == nullptr || list == nullptr) {
        return;
    }
    NODE_UnlinkItem(item);
    NODE_Node* passed = nullptr;
    if (is_known_mode(mode)) {
        bool descending = mode_descends(mode);
        bool nocase = mode_ignores_case(mode);
        for (NODE_Node* n = list->first; n != nullptr; n = n->next) {
            NODE_Item* other = item_of(n);
            int c = compare_names(other != nullptr ? other->name : nullptr, item->name, nocase);
            if (descending ? c <= 0 : c >= 0) {
                break;
            }
            passed = n;
        }
    }
    if (passed == nullptr) {
        NODE_AddHead(&item->node, list);
    } else {
        NODE_InsertAfter(&item->node, passed);
    }
    item->list = list;
}

int NODE_SortItems(NODE_List* list, int mode)
{
    if (list == nullptr) {
        return 0;
    }
    uint32_t count = 0;
    bool failed = false;
    SortEntry* entries = collect(list, &count, &failed);
    if (failed) {
        return 0;
    }
    if (count == 0) {
        return -1;
    }
    for (uint32_t i = 0; i < count; i++) {
        entries[i].key = static_cast<NODE_Item*>(entries[i].data)->name;
    }
    if (is_known_mode(mode)) {
        sort_entries(entries, count, mode_descends(mode), mode_ignores_case(mode));
    }
    for (uint32_t i = 0; i < count; i++) {
        NODE_AddItemTail(static_cast<NODE_Item*>(entries[i].data), list);
    }
    MEM_Free(entries);
    return -1;
}

NODE_Item* NODE_FindItem(const char* name, const NODE_List* list)
{
    if (name == nullptr || list == nullptr) {
        return nullptr;
    }
    for (NODE_Node* n = list->first; n != nullptr; n = n->next) {
        NODE_Item* item = item_of(n);
        if (item != nullptr && strcmp(item->name, name) == 0) {
            return item;
        }
    }
    return nullptr;
}

int32_t NODE_ItemIndex(const char* name, const NODE_List* list)
{
    if (name == nullptr || list == nullptr) {
        return -1;
    }
    int32_t index = 0;
    for (NODE_Node* n = list->first; n != nullptr; n = n->next, index++) {
        NODE_Item* item = item_of(n);
        if (item != nullptr && strcmp(item->name, name) == 0) {
            return index;
        }
    }
    return -1;
}

NODE_Item* NODE_GetItem(const NODE_List* list, uint32_t index)
{
    return item_of(NODE_GetNode(list, index));
}

void NODE_UnlinkFirstItem(NODE_List* list)
{
    if (list != nullptr) {
        NODE_UnlinkItem(item_of(list->first));
    }
}

void NODE_UnlinkLastItem(NODE_List* list)
{
    if (list != nullptr) {
        NODE_UnlinkItem(item_of(list->last));
    }
}

// Empties the list with `release` on every item. A node without an item behind it must
// still leave, or the loop would not end.
static void release_all(NODE_List* list, void (*release)(NODE_Item*))
{
    if (list == nullptr) {
        return;
    }
    while (list->first != nullptr) {
        NODE_Node* first = list->first;
        NODE_Item* item = item_of(first);
        if (item != nullptr) {
            release(item);
        } else {
            NODE_Remove(first);
        }
    }
}

void NODE_UnlinkAllItems(NODE_List* list)
{
    release_all(list, NODE_UnlinkItem);
}

void NODE_FreeFirstItem(NODE_List* list)
{
    if (list != nullptr) {
        NODE_FreeItem(item_of(list->first));
    }
}

void NODE_FreeLastItem(NODE_List* list)
{
    if (list != nullptr) {
        NODE_FreeItem(item_of(list->last));
    }
}

void NODE_FreeAllItems(NODE_List* list)
{
    release_all(list, NODE_FreeItem);
}
