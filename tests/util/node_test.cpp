#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "util/mem.h"
#include "util/node.h"

namespace {

// The texts of the nodes' data (items' names for items), walked both ways so that a broken
// back link or list pointer shows up as well as a broken forward link.
std::string walk(const NODE_List& list, bool items = true)
{
    const auto text = [items](const NODE_Node* n) {
        return std::string(items ? static_cast<NODE_Item*>(n->data)->name : static_cast<const char*>(n->data));
    };
    std::vector<std::string> forward;
    std::vector<std::string> backward;
    for (NODE_Node* n = list.first; n != nullptr; n = n->next) {
        EXPECT_EQ(n->list, &list);
        EXPECT_TRUE(!items || static_cast<NODE_Item*>(n->data)->list == &list);
        forward.push_back(text(n));
    }
    for (NODE_Node* n = list.last; n != nullptr; n = n->prev) {
        backward.insert(backward.begin(), text(n));
    }
    EXPECT_EQ(forward, backward) << "forward and backward links disagree";
    std::string joined;
    for (size_t i = 0; i < forward.size(); ++i) {
        joined.append(i == 0 ? "" : ",").append(forward[i]);
    }
    return joined;
}

// Nodes point back at their list, so a list is filled where it lives, never copied.
void fill(NODE_List* list, std::initializer_list<const char*> texts)
{
    *list = NODE_List{nullptr, nullptr};
    for (const char* t : texts) {
        NODE_AddItemTail(NODE_NewItem(t, 0), list);
    }
}

}  // namespace

TEST(Node, LinkingMovesNodesBetweenListsAndKeepsBothConsistent)
{
    NODE_List a{nullptr, nullptr};
    NODE_List b{nullptr, nullptr};
    char texts[5][2] = {"0", "1", "2", "3", "9"};
    NODE_Node n[5] = {};
    for (int i = 0; i < 5; i++) {
        n[i].data = texts[i];
    }
    NODE_AddTail(&n[1], &a);
    NODE_AddTail(&n[2], &a);
    NODE_AddHead(&n[0], &a);
    NODE_InsertAfter(&n[3], &n[2]);
    EXPECT_EQ(walk(a, false), "0,1,2,3");
    NODE_AddTail(&n[1], &b);
    NODE_InsertAfter(&n[0], &n[1]);
    EXPECT_EQ(walk(a, false), "2,3") << "a node linked elsewhere leaves its old list";
    EXPECT_EQ(walk(b, false), "1,0");

    NODE_Rotate(&b, 0);
    EXPECT_EQ(walk(b, false), "0,1");
    NODE_AddTail(&n[4], &b);
    NODE_Rotate(&b, 0);
    EXPECT_EQ(walk(b, false), "1,9,0") << "flag 0 moves the first node to the end";
    NODE_Rotate(&b, -1);
    EXPECT_EQ(walk(b, false), "0,1,9") << "any other flag moves the last to the front";
    EXPECT_EQ(NODE_CountNodes(&b), 3u);
    EXPECT_EQ(NODE_GetNode(&b, 2), &n[4]);
    EXPECT_EQ(NODE_GetNode(&b, 3), nullptr);

    NODE_RemoveTail(&a);
    EXPECT_EQ(walk(a, false), "2");
    EXPECT_TRUE(n[3].list == nullptr && n[3].prev == nullptr) << "a removed node is cleared";
    NODE_Remove(&n[3]);
    NODE_Remove(&n[2]);
    EXPECT_TRUE(a.first == nullptr && a.last == nullptr);
    NODE_RemoveTail(&a);
    NODE_Rotate(&a, 0);
    EXPECT_EQ(NODE_GetNode(&a, 0), nullptr) << "an empty list survives removal and rotation";
    NODE_InsertAfter(&n[3], &n[2]);
    EXPECT_EQ(n[3].list, nullptr) << "inserting after an unlinked node does nothing";
    NODE_AddTail(nullptr, &a);
    EXPECT_EQ(NODE_Count(nullptr), 0u);
}

TEST(Node, StringsAreFoundAndSortedInPlace)
{
    NODE_List list{nullptr, nullptr};
    const char* texts[] = {"pear", nullptr, "apple", "fig"};
    NODE_Node nodes[4] = {};
    for (int i = 0; i < 4; i++) {
        nodes[i].data = const_cast<char*>(texts[i]);
        NODE_AddTail(&nodes[i], &list);
    }
    EXPECT_EQ(NODE_FindString(&list, "apple"), &nodes[2]) << "a node without text is skipped";
    EXPECT_EQ(NODE_FindString(&list, "plum"), nullptr);
    EXPECT_EQ(NODE_SortStrings(&list, 0), -1);
    EXPECT_EQ(list.first, &nodes[0]) << "the nodes stay, only their texts move";
    EXPECT_EQ(nodes[0].data, nullptr) << "a node without text sorts first";
    nodes[0].data = const_cast<char*>("");
    EXPECT_EQ(walk(list, false), ",apple,fig,pear");
    nodes[0].data = nullptr;
    EXPECT_EQ(NODE_SortStrings(&list, 1), -1);
    EXPECT_EQ(nodes[3].data, nullptr);
    EXPECT_STREQ(static_cast<char*>(nodes[0].data), "pear") << "descending";
    MEM_FailAt(1);
    EXPECT_EQ(NODE_SortStrings(&list, 0), 0) << "a failed allocation is reported";
    MEM_FailAt(0);
    EXPECT_STREQ(static_cast<char*>(nodes[0].data), "pear") << "and changes nothing";
}

TEST(Node, ItemsCarryAnAddressAndAreLinkedFoundAndFreed)
{
    static int target;
    EXPECT_EQ(NODE_NewItem(nullptr, 0), nullptr);
    CheckEachAllocationFailure([] {
        NODE_Item* i = NODE_NewItem("SOUND", reinterpret_cast<uintptr_t>(&target));
        bool ok = i != nullptr && std::string(i->name) == "SOUND" && i->node.data == i && i->list == nullptr &&
                  reinterpret_cast<int*>(i->value) == &target;
        NODE_FreeItem(i);
        return ok;
    });

    NODE_List list;
    fill(&list, {"b", "c"});
    NODE_Item* a = NODE_NewItem("a", 7);
    NODE_AddItemHead(a, &list);
    NODE_Item* d = NODE_NewItem("d", 8);
    NODE_InsertItemAfter(d, NODE_FindItem("c", &list));
    EXPECT_EQ(walk(list), "a,b,c,d");
    EXPECT_EQ(NODE_ItemIndex("c", &list), 2);
    EXPECT_EQ(NODE_ItemIndex("x", &list), -1);
    EXPECT_EQ(NODE_GetItem(&list, 3), d);
    EXPECT_EQ(NODE_GetItem(&list, 4), nullptr);
    NODE_Item* lone = NODE_NewItem("lone", 0);
    NODE_InsertItemAfter(d, lone);
    EXPECT_EQ(d->list, &list) << "an unlinked anchor does not move the item";

    NODE_UnlinkFirstItem(&list);
    NODE_UnlinkLastItem(&list);
    EXPECT_EQ(walk(list), "b,c");
    EXPECT_TRUE(a->list == nullptr && d->list == nullptr) << "unlinked items know it";
    NODE_AddItemTail(a, &list);
    NODE_AddItemTail(d, &list);
    NODE_FreeFirstItem(&list);
    NODE_FreeLastItem(&list);
    EXPECT_EQ(walk(list), "c,a");
    NODE_Item* c = NODE_GetItem(&list, 0);
    NODE_UnlinkAllItems(&list);
    EXPECT_TRUE(list.first == nullptr && a->list == nullptr && c->list == nullptr);
    NODE_AddItemTail(a, &list);
    NODE_AddItemTail(lone, &list);
    NODE_FreeAllItems(&list);
    EXPECT_TRUE(list.first == nullptr && list.last == nullptr);
    NODE_FreeItem(c);
    NODE_FreeItem(nullptr);
}

TEST(Node, SortedInsertionFollowsEachMode)
{
    const struct {
        int mode;
        const char* inserted;
        const char* result;
    } cases[] = {
        {NODE_SORT_ASCENDING, "b", "a,b,c,e"},          {NODE_SORT_ASCENDING, "f", "a,c,e,f"},
        {NODE_SORT_ASCENDING, "0", "0,a,c,e"},          {NODE_SORT_ASCENDING, "B", "B,a,c,e"},
        {NODE_SORT_ASCENDING_NOCASE, "B", "a,B,c,e"},   {5, "z", "z,a,c,e"},
    };
    for (const auto& t : cases) {
        NODE_List list;
        fill(&list, {"a", "c", "e"});
        NODE_InsertItemSorted(NODE_NewItem(t.inserted, 0), &list, t.mode);
        EXPECT_EQ(walk(list), t.result) << "mode " << t.mode << "; case counts in the plain modes, an unknown mode links at the front";
        NODE_FreeAllItems(&list);
    }
    for (int mode : {NODE_SORT_DESCENDING, NODE_SORT_DESCENDING_NOCASE}) {
        NODE_List list;
        fill(&list, {"e", "C", "a"});
        NODE_InsertItemSorted(NODE_NewItem("d", 0), &list, mode);
        NODE_InsertItemSorted(NODE_NewItem("b", 0), &list, mode);
        EXPECT_EQ(walk(list), mode == NODE_SORT_DESCENDING ? "e,d,b,C,a" : "e,d,C,b,a") << "mode " << mode;
        NODE_FreeAllItems(&list);
    }
    NODE_List equal;
    fill(&equal, {"a", "b"});
    NODE_Item* second = NODE_NewItem("b", 2);
    NODE_InsertItemSorted(second, &equal, NODE_SORT_ASCENDING);
    EXPECT_EQ(NODE_GetItem(&equal, 1), second) << "a new equal name goes in front";
    NODE_FreeAllItems(&equal);
}

TEST(Node, SortingReordersTheWholeListStably)
{
    NODE_List list;
    fill(&list, {"delta", "Bravo", "alpha", "charlie", "alpha"});
    NODE_Item* firstAlpha = NODE_GetItem(&list, 2);
    const struct {
        int mode;
        const char* result;
    } cases[] = {
        {7, "delta,Bravo,alpha,charlie,alpha"}, // an unknown mode keeps the order
        {NODE_SORT_ASCENDING, "Bravo,alpha,alpha,charlie,delta"},
        {NODE_SORT_DESCENDING, "delta,charlie,alpha,alpha,Bravo"},
        {NODE_SORT_ASCENDING_NOCASE, "alpha,alpha,Bravo,charlie,delta"},
        {NODE_SORT_DESCENDING_NOCASE, "delta,charlie,Bravo,alpha,alpha"},
    };
    for (const auto& t : cases) {
        EXPECT_EQ(NODE_SortItems(&list, t.mode), -1);
        EXPECT_EQ(walk(list), t.result) << "mode " << t.mode;
    }
    EXPECT_EQ(NODE_ItemIndex("alpha", &list), 3) << "equal names keep their order";
    EXPECT_EQ(NODE_GetItem(&list, 3), firstAlpha);

    CheckEachAllocationFailure([&list] {
        std::string before = walk(list);
        bool ok = NODE_SortItems(&list, NODE_SORT_ASCENDING) == -1;
        EXPECT_EQ(walk(list), ok ? "Bravo,alpha,alpha,charlie,delta" : before) << "a failed sort changes nothing";
        return ok;
    });
    NODE_List empty{nullptr, nullptr};
    EXPECT_EQ(NODE_SortItems(&empty, 1), -1);
    EXPECT_EQ(NODE_SortItems(nullptr, 1), 0);
    NODE_FreeAllItems(&list);
}
