#include <gtest/gtest.h>

#include <string>

#include "tests/support/alloc_check.h"
#include "util/mem.h"
#include "util/node.h"

namespace {

// The texts of the nodes' data (items' names for items), each followed by a space, walked
// both ways so that a broken back link or list pointer shows as well as a forward one.
std::string walk(const NODE_List& list, bool items = true)
{
    const auto text = [items](const NODE_Node* n) {
        return std::string(items ? static_cast<NODE_Item*>(n->data)->name : static_cast<const char*>(n->data)) + " ";
    };
    std::string forward, backward;
    for (NODE_Node* n = list.first; n != nullptr; n = n->next) {
        EXPECT_TRUE(n->list == &list && (!items || static_cast<NODE_Item*>(n->data)->list == &list)) << text(n);
        forward += text(n);
    }
    for (NODE_Node* n = list.last; n != nullptr; n = n->prev) {
        backward.insert(0, text(n));
    }
    EXPECT_EQ(forward, backward) << "forward and backward links disagree";
    return forward;
}

// Nodes point back at their list, so a list is filled where it lives, never copied.
void fill(NODE_List* list, std::initializer_list<const char*> names)
{
    *list = NODE_List{nullptr, nullptr};
    for (const char* name : names) {
        NODE_AddItemTail(NODE_NewItem(name, 0), list);
    }
}

}  // namespace

TEST(Node, LinkingMovesNodesBetweenListsAndTextsSortInPlace)
{
    NODE_List a{nullptr, nullptr}, b{nullptr, nullptr};
    char texts[5][2] = {"0", "1", "2", "3", "9"};
    NODE_Node n[5] = {};
    for (int i = 0; i < 5; i++) {
        n[i].data = texts[i];
    }
    NODE_AddTail(&n[1], &a);
    NODE_AddTail(&n[2], &a);
    NODE_AddHead(&n[0], &a);
    NODE_InsertAfter(&n[3], &n[2]);
    EXPECT_EQ(walk(a, false), "0 1 2 3 ");
    NODE_AddTail(&n[1], &b);
    NODE_InsertAfter(&n[0], &n[1]);
    NODE_AddTail(&n[4], &b);
    EXPECT_EQ(walk(a, false) + "/ " + walk(b, false), "2 3 / 1 0 9 ") << "a node linked elsewhere leaves its list";
    NODE_Rotate(&b, 0);
    EXPECT_EQ(walk(b, false), "0 9 1 ") << "flag 0 moves the first node to the end";
    NODE_Rotate(&b, -1);
    EXPECT_EQ(walk(b, false), "1 0 9 ") << "any other flag moves the last to the front";
    EXPECT_TRUE(NODE_Count(&b) == 3 && NODE_GetNode(&b, 2) == &n[4] && NODE_GetNode(&b, 3) == nullptr);
    NODE_RemoveTail(&a);
    EXPECT_TRUE(walk(a, false) == "2 " && n[3].list == nullptr && n[3].prev == nullptr) << "a removed node is cleared";
    NODE_Remove(&n[2]);
    NODE_Rotate(&a, 0);
    EXPECT_TRUE(a.first == nullptr && a.last == nullptr) << "an empty list survives removal and rotation";
    NODE_InsertAfter(&n[3], &n[2]);
    EXPECT_EQ(n[3].list, nullptr) << "inserting after an unlinked node does nothing";
    n[4].data = nullptr;
    EXPECT_EQ(NODE_SortStrings(&b, 0), -1);
    EXPECT_TRUE(b.first == &n[1] && n[1].data == nullptr && NODE_FindString(&b, "1") == &n[4])
        << "the nodes stay, the texts sort and a missing one comes first";
}

TEST(Node, ItemsCarryAnAddressAndAreLinkedFoundAndFreed)
{
    static int target;
    EXPECT_EQ(NODE_NewItem(nullptr, 0), nullptr);
    CheckEachAllocationFailure([] {
        NODE_Item* i = NODE_NewItem("SOUND", reinterpret_cast<uintptr_t>(&target));
        const bool ok = i != nullptr && std::string(i->name) == "SOUND" && i->node.data == i && i->list == nullptr &&
                        reinterpret_cast<int*>(i->value) == &target && i->node.next == nullptr;
        NODE_FreeItem(i);
        return ok;
    });
    NODE_List list;
    fill(&list, {"b", "c"});
    NODE_Item *a = NODE_NewItem("a", 7), *d = NODE_NewItem("d", 8), *lone = NODE_NewItem("lone", 0);
    NODE_AddItemHead(a, &list);
    NODE_InsertItemAfter(d, NODE_FindItem("c", &list));
    NODE_InsertItemAfter(d, lone);
    EXPECT_EQ(walk(list), "a b c d ") << "an unlinked anchor does not move the item";
    EXPECT_EQ(NODE_ItemIndex("c", &list) * 10 + NODE_ItemIndex("x", &list), 19) << "index 2, -1 when absent";
    EXPECT_TRUE(NODE_GetItem(&list, 3) == d && NODE_GetItem(&list, 4) == nullptr && NODE_FindItem("x", &list) == nullptr);
    NODE_UnlinkFirstItem(&list);
    NODE_UnlinkLastItem(&list);
    NODE_FreeLastItem(&list);
    EXPECT_TRUE(walk(list) == "b " && a->list == nullptr && d->list == nullptr) << "unlinked items know it";
    NODE_FreeItem(a);
    NODE_FreeItem(d);
    NODE_AddItemTail(lone, &list);
    NODE_Node bare{nullptr, nullptr, nullptr, nullptr};
    NODE_AddTail(&bare, &list);
    NODE_FreeAllItems(&list);
    EXPECT_TRUE(list.first == nullptr && list.last == nullptr && bare.list == nullptr)
        << "a node with no item behind it leaves as well";
}

TEST(Node, SortingFollowsEachModeAndKeepsEqualNamesInOrder)
{
    NODE_List list;
    fill(&list, {"a", "c", "e"});
    NODE_InsertItemSorted(NODE_NewItem("C", 0), &list, NODE_SORT_ASCENDING_NOCASE);
    NODE_InsertItemSorted(NODE_NewItem("z", 0), &list, 5);
    EXPECT_EQ(walk(list), "z a C c e ")
        << "a new equal name goes in front; an unknown mode links at the front";
    NODE_FreeAllItems(&list);
    const struct {
        int mode;
        const char* result;
        uint32_t firstAlpha; // where the first of the two "alpha" ends up
    } sorts[] = {
        {7, "delta Bravo alpha charlie alpha ", 2},
        {NODE_SORT_ASCENDING, "Bravo alpha alpha charlie delta ", 1},
        {NODE_SORT_ASCENDING_NOCASE, "alpha alpha Bravo charlie delta ", 0},
        {NODE_SORT_DESCENDING_NOCASE, "delta charlie Bravo alpha alpha ", 3},
    };
    for (const auto& t : sorts) {
        fill(&list, {"delta", "Bravo", "alpha", "charlie", "alpha"});
        NODE_Item* firstAlpha = NODE_GetItem(&list, 2);
        EXPECT_EQ(NODE_SortItems(&list, t.mode), -1);
        EXPECT_EQ(walk(list), t.result) << "mode " << t.mode << "; an unknown mode keeps the order";
        EXPECT_EQ(NODE_GetItem(&list, t.firstAlpha), firstAlpha) << "mode " << t.mode << ": equal names keep order";
        MEM_FailAt(1);
        EXPECT_TRUE(NODE_SortItems(&list, NODE_SORT_DESCENDING) == 0 && walk(list) == t.result)
            << "a failed allocation is reported and changes nothing";
        MEM_FailAt(0);
        NODE_FreeAllItems(&list);
    }
    fill(&list, {"q", "w", "e", "r", "t", "y", "u", "i", "o", "p", "a", "s", "d",
                 "f", "g", "h", "j", "k", "l", "z", "x", "c", "v", "b", "n", "m"});
    EXPECT_EQ(NODE_SortItems(&list, NODE_SORT_DESCENDING), -1);
    EXPECT_EQ(walk(list), "z y x w v u t s r q p o n m l k j i h g f e d c b a ")
        << "a list too long for a plain insertion sort, with names one letter apart";
    NODE_FreeAllItems(&list);
    EXPECT_TRUE(NODE_SortItems(&list, 1) == -1 && NODE_SortItems(nullptr, 1) == 0);
}
