#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "util/mem.h"
#include "util/node.h"

namespace {

struct Rec {
    int id;
    NODE_Node node;
};

Rec make_rec(int id)
{
    Rec r{id, {nullptr, nullptr, nullptr, nullptr}};
    return r;
}

// Walks both directions so that a broken back link shows up as well as a broken forward one.
std::vector<int> ids(const NODE_List& list)
{
    std::vector<int> forward;
    std::vector<int> backward;
    for (NODE_Node* n = list.first; n != nullptr; n = n->next) {
        EXPECT_EQ(n->list, &list);
        forward.push_back(static_cast<Rec*>(n->data)->id);
    }
    for (NODE_Node* n = list.last; n != nullptr; n = n->prev) {
        backward.insert(backward.begin(), static_cast<Rec*>(n->data)->id);
    }
    EXPECT_EQ(forward, backward) << "forward and backward links disagree";
    return forward;
}

std::string names(const NODE_List& list)
{
    std::string out;
    for (NODE_Node* n = list.first; n != nullptr; n = n->next) {
        auto* item = static_cast<NODE_Item*>(n->data);
        EXPECT_EQ(item->list, &list);
        EXPECT_EQ(n->prev == nullptr, n == list.first);
        if (!out.empty()) {
            out += ',';
        }
        out += item->name;
    }
    return out;
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
    Rec r[4] = {make_rec(0), make_rec(1), make_rec(2), make_rec(3)};
    for (Rec& x : r) {
        x.node.data = &x;
    }
    NODE_AddTail(&r[1].node, &a);
    NODE_AddTail(&r[2].node, &a);
    NODE_AddHead(&r[0].node, &a);
    NODE_InsertAfter(&r[3].node, &r[2].node);
    EXPECT_EQ(ids(a), (std::vector<int>{0, 1, 2, 3}));

    NODE_AddTail(&r[1].node, &b);
    EXPECT_EQ(ids(a), (std::vector<int>{0, 2, 3})) << "a node added elsewhere leaves its old list";
    EXPECT_EQ(ids(b), (std::vector<int>{1}));

    NODE_InsertAfter(&r[0].node, &r[1].node);
    EXPECT_EQ(ids(a), (std::vector<int>{2, 3}));
    EXPECT_EQ(ids(b), (std::vector<int>{1, 0}));

    NODE_RemoveTail(&a);
    EXPECT_EQ(ids(a), (std::vector<int>{2}));
    EXPECT_EQ(r[3].node.list, nullptr);
    EXPECT_EQ(r[3].node.prev, nullptr);
    NODE_Remove(&r[3].node);  // unlinked already: harmless
    NODE_Remove(&r[2].node);
    EXPECT_EQ(a.first, nullptr);
    EXPECT_EQ(a.last, nullptr);
    NODE_RemoveTail(&a);

    Rec lone = make_rec(9);
    NODE_InsertAfter(&lone.node, &r[2].node);
    EXPECT_EQ(lone.node.list, nullptr) << "inserting after an unlinked node does nothing";
    NODE_AddTail(nullptr, &a);
    NODE_AddHead(&lone.node, nullptr);
    EXPECT_EQ(NODE_Count(nullptr), 0u);
}

TEST(Node, RotateCountAndIndex)
{
    NODE_List list{nullptr, nullptr};
    Rec r[3] = {make_rec(0), make_rec(1), make_rec(2)};
    NODE_Rotate(&list, 0);
    r[0].node.data = &r[0];
    NODE_AddTail(&r[0].node, &list);
    NODE_Rotate(&list, 0);
    NODE_Rotate(&list, 1);
    EXPECT_EQ(ids(list), (std::vector<int>{0})) << "a one-node list does not change";
    for (int i = 1; i < 3; i++) {
        r[i].node.data = &r[i];
        NODE_AddTail(&r[i].node, &list);
    }
    NODE_Rotate(&list, 0);
    EXPECT_EQ(ids(list), (std::vector<int>{1, 2, 0}));
    NODE_Rotate(&list, 5);
    NODE_Rotate(&list, -1);
    EXPECT_EQ(ids(list), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(NODE_CountNodes(&list), 3u);
    EXPECT_EQ(NODE_GetNode(&list, 0), &r[2].node);
    EXPECT_EQ(NODE_GetNode(&list, 2), &r[1].node);
    EXPECT_EQ(NODE_GetNode(&list, 3), nullptr);
    NODE_List empty{nullptr, nullptr};
    EXPECT_EQ(NODE_GetNode(&empty, 0), nullptr);
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
    EXPECT_EQ(NODE_FindString(&list, "apple"), &nodes[2]);
    EXPECT_EQ(NODE_FindString(&list, "plum"), nullptr);
    EXPECT_EQ(NODE_FindString(&list, nullptr), nullptr);

    EXPECT_EQ(NODE_SortStrings(&list, 0), -1);
    EXPECT_EQ(list.first, &nodes[0]) << "the nodes stay, only their texts move";
    EXPECT_EQ(nodes[0].data, nullptr) << "a node without text sorts first";
    EXPECT_STREQ(static_cast<char*>(nodes[1].data), "apple");
    EXPECT_STREQ(static_cast<char*>(nodes[3].data), "pear");
    EXPECT_EQ(NODE_SortStrings(&list, 1), -1);
    EXPECT_STREQ(static_cast<char*>(nodes[0].data), "pear");
    EXPECT_EQ(nodes[3].data, nullptr);

    MEM_FailAt(1);
    EXPECT_EQ(NODE_SortStrings(&list, 0), 0) << "a failed allocation is reported";
    MEM_FailAt(0);
    EXPECT_STREQ(static_cast<char*>(nodes[0].data), "pear") << "and changes nothing";
    EXPECT_EQ(NODE_SortStrings(nullptr, 0), 0);
}

TEST(Node, ItemsCarryTheirNameAndAnAddress)
{
    static int target;
    NODE_Item* item = NODE_NewItem("SOUND", reinterpret_cast<uintptr_t>(&target));
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->name, "SOUND");
    EXPECT_EQ(item->node.data, item);
    EXPECT_EQ(reinterpret_cast<int*>(item->value), &target) << "the user value holds a whole address";
    EXPECT_EQ(item->list, nullptr);
    NODE_FreeItem(item);
    NODE_FreeItem(nullptr);
    EXPECT_EQ(NODE_NewItem(nullptr, 0), nullptr);

    int64_t before = MEM_LiveBlocks();
    CheckEachAllocationFailure([] {
        NODE_Item* i = NODE_NewItem("abc", 1);
        if (i == nullptr) {
            return false;
        }
        NODE_FreeItem(i);
        return true;
    });
    EXPECT_EQ(MEM_LiveBlocks(), before);
}

TEST(Node, ItemsAreLinkedFoundAndFreed)
{
    NODE_List list;
    fill(&list, {"b", "c"});
    NODE_Item* a = NODE_NewItem("a", 7);
    NODE_AddItemHead(a, &list);
    NODE_Item* d = NODE_NewItem("d", 8);
    NODE_InsertItemAfter(d, NODE_FindItem("c", &list));
    EXPECT_EQ(names(list), "a,b,c,d");
    EXPECT_EQ(NODE_ItemIndex("c", &list), 2);
    EXPECT_EQ(NODE_ItemIndex("x", &list), -1);
    EXPECT_EQ(NODE_GetItem(&list, 3), d);
    EXPECT_EQ(NODE_GetItem(&list, 4), nullptr);

    NODE_Item* lone = NODE_NewItem("lone", 0);
    NODE_InsertItemAfter(d, lone);
    EXPECT_EQ(d->list, &list) << "an unlinked anchor does not move the item";

    NODE_UnlinkFirstItem(&list);
    NODE_UnlinkLastItem(&list);
    EXPECT_EQ(names(list), "b,c");
    EXPECT_EQ(a->list, nullptr);
    EXPECT_EQ(d->list, nullptr);
    NODE_AddItemTail(a, &list);
    NODE_AddItemTail(d, &list);
    NODE_FreeFirstItem(&list);
    NODE_FreeLastItem(&list);
    EXPECT_EQ(names(list), "c,a");
    NODE_Item* c = NODE_GetItem(&list, 0);
    NODE_UnlinkAllItems(&list);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(a->list, nullptr);
    NODE_AddItemTail(a, &list);
    NODE_AddItemTail(lone, &list);
    NODE_FreeAllItems(&list);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.last, nullptr);
    EXPECT_EQ(c->list, nullptr);
    NODE_FreeItem(c);
}

TEST(Node, SortedInsertionFollowsEachMode)
{
    NODE_List asc;
    fill(&asc, {"a", "c"});
    NODE_InsertItemSorted(NODE_NewItem("b", 0), &asc, NODE_SORT_ASCENDING);
    NODE_InsertItemSorted(NODE_NewItem("d", 0), &asc, NODE_SORT_ASCENDING);
    NODE_InsertItemSorted(NODE_NewItem("0", 0), &asc, NODE_SORT_ASCENDING);
    EXPECT_EQ(names(asc), "0,a,b,c,d");

    NODE_List desc;
    fill(&desc, {"c", "a"});
    NODE_InsertItemSorted(NODE_NewItem("b", 0), &desc, NODE_SORT_DESCENDING);
    EXPECT_EQ(names(desc), "c,b,a");

    NODE_List nocase;
    fill(&nocase, {"a", "c"});
    NODE_InsertItemSorted(NODE_NewItem("B", 0), &nocase, NODE_SORT_ASCENDING_NOCASE);
    EXPECT_EQ(names(nocase), "a,B,c");
    NODE_InsertItemSorted(NODE_NewItem("Z", 0), &nocase, NODE_SORT_ASCENDING);
    EXPECT_EQ(names(nocase), "Z,a,B,c") << "case counts in the plain modes";

    NODE_List nocaseDesc;
    fill(&nocaseDesc, {"C", "a"});
    NODE_InsertItemSorted(NODE_NewItem("b", 0), &nocaseDesc, NODE_SORT_DESCENDING_NOCASE);
    EXPECT_EQ(names(nocaseDesc), "C,b,a");

    NODE_List equal;
    fill(&equal, {"a", "b"});
    NODE_Item* second = NODE_NewItem("b", 2);
    NODE_InsertItemSorted(second, &equal, NODE_SORT_ASCENDING);
    EXPECT_EQ(NODE_GetItem(&equal, 1), second) << "a new equal name goes in front";

    NODE_List other;
    fill(&other, {"a", "b"});
    NODE_InsertItemSorted(NODE_NewItem("z", 0), &other, 5);
    EXPECT_EQ(names(other), "z,a,b") << "an unknown mode links at the front";

    for (NODE_List* l : {&asc, &desc, &nocase, &nocaseDesc, &equal, &other}) {
        NODE_FreeAllItems(l);
    }
}

TEST(Node, SortingReordersTheWholeList)
{
    NODE_List list;
    fill(&list, {"delta", "Bravo", "alpha", "charlie", "alpha"});
    NODE_Item* firstAlpha = NODE_GetItem(&list, 2);
    EXPECT_EQ(NODE_SortItems(&list, 7), -1);
    EXPECT_EQ(names(list), "delta,Bravo,alpha,charlie,alpha") << "an unknown mode keeps the order";
    EXPECT_EQ(NODE_SortItems(&list, NODE_SORT_ASCENDING), -1);
    EXPECT_EQ(names(list), "Bravo,alpha,alpha,charlie,delta");
    EXPECT_EQ(NODE_GetItem(&list, 1), firstAlpha) << "equal names keep their order";
    EXPECT_EQ(NODE_SortItems(&list, NODE_SORT_DESCENDING), -1);
    EXPECT_EQ(names(list), "delta,charlie,alpha,alpha,Bravo");
    EXPECT_EQ(NODE_SortItems(&list, NODE_SORT_ASCENDING_NOCASE), -1);
    EXPECT_EQ(names(list), "alpha,alpha,Bravo,charlie,delta");
    EXPECT_EQ(NODE_SortItems(&list, NODE_SORT_DESCENDING_NOCASE), -1);
    EXPECT_EQ(names(list), "delta,charlie,Bravo,alpha,alpha");

    CheckEachAllocationFailure([&list] {
        std::string before = names(list);
        if (NODE_SortItems(&list, NODE_SORT_ASCENDING) == 0) {
            EXPECT_EQ(names(list), before) << "a failed sort changes nothing";
            return false;
        }
        EXPECT_EQ(names(list), "Bravo,alpha,alpha,charlie,delta");
        return true;
    });

    NODE_List empty{nullptr, nullptr};
    EXPECT_EQ(NODE_SortItems(&empty, 1), -1);
    EXPECT_EQ(NODE_SortItems(nullptr, 1), 0);
    NODE_FreeAllItems(&list);
}
