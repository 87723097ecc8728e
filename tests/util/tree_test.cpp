#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/support/scratch.h"
#include "util/heap.h"
#include "util/tree.h"

namespace {

TR_Node w[40]; // widget 'A' is w[0]
TR_Ring ring[3];

// Makes every widget a tree of its own.
void reset()
{
    for (TR_Node& n : w) {
        TR_TreeInit(&n);
    }
    TR_TreeInit(nullptr);
}

TR_Node* W(char name)
{
    return &w[name - 'A'];
}

// The indices, asked for in the order given.
std::string indices(const char* names)
{
    std::string out;
    for (const char* c = names; *c != '\0'; c++) {
        out += *c + std::to_string(TR_TreeIndex(W(*c))) + " ";
    }
    return out;
}

void preorder(TR_Node* node, std::vector<TR_Node*>* out)
{
    out->push_back(node);
    for (NODE_Node* c = node->children.first; c != nullptr; c = c->next) {
        preorder(static_cast<TR_Node*>(c->data), out);
    }
}

// The members met walking from ring[0] ('a'); the callback stops at 'b' and after nine.
std::string ring_walk()
{
    std::string out;
    TR_RingForEach(&ring[0], [](TR_Ring* r, void* s) {
        *static_cast<std::string*>(s) += static_cast<char>('a' + (r - ring));
        return r != &ring[1] && static_cast<std::string*>(s)->size() < 9 ? 1 : 0;
    }, &out);
    return out;
}

}  // namespace

TEST(Tree, NodesAreNumberedInPreorderOnDemandAndRenumberedAfterChanges)
{
    reset();
    for (char c : {'B', 'C', 'D'}) {
        TR_TreeAddLast(W(c), W('A'));
    }
    EXPECT_EQ(W('B')->index, TR_UNNUMBERED) << "nothing is numbered before it is asked for";
    EXPECT_EQ(indices("DBCA"), "D3 B1 C2 A0 ") << "B and C were numbered on the way to D";
    TR_TreeAddFirst(W('E'), W('A'));
    EXPECT_EQ(indices("BCDE"), "B2 C3 D4 E1 ") << "C must not keep its old 2, which B holds now";
    TR_TreeAddLast(W('F'), W('C'));
    TR_TreeDetach(W('C'));
    EXPECT_TRUE(W('C')->parent == nullptr && W('C')->root == W('C') && W('F')->root == W('C'));
    EXPECT_EQ(indices("CF"), "C0 F1 ")
        << "a detached node is a root and its subtree is numbered afresh";
    TR_TreeAddLast(W('C'), W('F'));
    EXPECT_TRUE(W('C')->parent == nullptr && W('F')->parent == W('C'))
        << "a node cannot go under its own descendant";
    TR_TreeDetachChildren(W('A'));
    EXPECT_TRUE(W('A')->children.first == nullptr && indices("AD") == "A0 D0 " &&
                TR_TreeIndex(nullptr) == TR_UNNUMBERED)
        << "its children became roots";
}

TEST(Tree, RandomAttachingAndDetachingKeepsIndicesInPreorder)
{
    std::mt19937 random(7);
    reset();
    for (int step = 0; step < 400 && !HasFailure(); step++) {
        TR_Node* a = &w[random() % 40];
        TR_Node* b = &w[random() % 40];
        const unsigned action = random() % 4;
        if (action == 3) {
            TR_TreeDetach(a);
        } else {
            (action == 0 ? TR_TreeAddFirst : TR_TreeAddLast)(a, b);
        }
        // Ask for one index first, so that numbering starts midway.
        std::vector<TR_Node*> order;
        preorder(w[random() % 40].root, &order);
        EXPECT_NE(TR_TreeIndex(order[random() % order.size()]), TR_UNNUMBERED) << "step " << step;
        EXPECT_EQ(TR_TreeIndex(order[0]), 0u) << "step " << step;
        for (size_t i = 1; i < order.size(); i++) {
            EXPECT_TRUE(order[i]->root == order[0] && TR_TreeIndex(order[i - 1]) < TR_TreeIndex(order[i]))
                << "step " << step << ", position " << i;
        }
    }
}

TEST(Tree, WalkingSkipsRefusedChildrenAndDumpingPrintsWholeAddresses)
{
    reset();
    TR_TreeAddLast(W('B'), W('A'));
    TR_TreeAddLast(W('C'), W('B'));
    TR_TreeAddLast(W('D'), W('A'));
    static std::string visited;
    TR_TreeWalk(W('A'), [](TR_Node* n) {
        visited += static_cast<char>('A' + (n - w));
        return n == W('B') ? 0 : 1;
    });
    EXPECT_EQ(visited, "ABD") << "B's children are skipped when it says 0";
    FILE* out = tmpfile();
    ASSERT_NE(out, nullptr);
    HEAP_SetOutput(out);
    (void)TR_TreeIndex(W('D'));
    TR_TreeDump(W('B'));
    HEAP_SetOutput(nullptr);
    char expected[256];
    snprintf(expected, sizeof expected, "[%" PRIXPTR " 1]\n{\n\t[%" PRIXPTR " 2]\n\t{\n\t}\n}\n",
             reinterpret_cast<uintptr_t>(W('B')), reinterpret_cast<uintptr_t>(W('C')));
    EXPECT_EQ(StreamText(out), expected);
    fclose(out);
}

TEST(Ring, MembersJoinAndLeave)
{
    TR_RingInsert(&ring[1], &ring[0]);
    TR_RingInsert(&ring[2], &ring[0]);
    EXPECT_TRUE(ring[0].next == &ring[2] && ring[2].next == &ring[1] && ring[1].next == &ring[0] &&
                ring[0].prev == &ring[1]) << "c right after a, in a ring of three";
    EXPECT_EQ(ring_walk(), "ab") << "the walk follows the previous links and ends when b says 0";
    TR_RingRemove(&ring[1]);
    EXPECT_EQ(ring_walk(), "ac") << "a ring of three leaves a ring of two; the walk ends back at the start";
    TR_RingRemove(&ring[0]);
    EXPECT_TRUE(ring[0].next == nullptr && ring[2].next == nullptr && ring[2].prev == nullptr) << "two leave none";
    TR_RingInsert(&ring[0], &ring[0]);
    EXPECT_EQ(ring[0].next, nullptr) << "a record is no anchor for itself";
}
