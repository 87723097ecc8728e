#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>

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
    EXPECT_EQ(W('A')->numberedUpTo, W('D'));
    TR_TreeAddFirst(W('E'), W('A'));
    EXPECT_EQ(W('A')->numberedUpTo, W('A')) << "the mark moves back to the root";
    EXPECT_EQ(indices("BCDE"), "B2 C3 D4 E1 ") << "C must not keep its old 2, which B holds now";
    TR_TreeAddLast(W('F'), W('C'));
    TR_TreeAddLast(W('G'), W('F'));
    EXPECT_EQ(indices("D"), "D6 ");
    TR_TreeDetach(W('C'));
    EXPECT_EQ(indices("BD"), "B2 D6 ") << "a gap is left where C's subtree was";
    EXPECT_EQ(W('A')->numberedUpTo, W('D')) << "the mark after the removed subtree stays";
    EXPECT_TRUE(W('C')->parent == nullptr && W('C')->root == W('C') && W('G')->root == W('C'));
    EXPECT_EQ(indices("CG"), "C0 G2 ") << "a detached node is a root and its subtree is numbered afresh";
    TR_TreeAddLast(W('C'), W('A'));
    EXPECT_EQ(indices("G"), "G9 ");
    TR_TreeDetach(W('F'));
    EXPECT_EQ(W('A')->numberedUpTo, W('C')) << "a mark inside the leaving subtree falls back to the node before it";
    TR_TreeAddLast(W('A'), W('C'));
    EXPECT_TRUE(W('A')->parent == nullptr && W('C')->parent == W('A')) << "a node cannot go under its own descendant";
    TR_TreeDetachChildren(W('A'));
    TR_TreeDetach(W('A'));
    EXPECT_TRUE(W('A')->children.first == nullptr && W('D')->parent == nullptr);
    EXPECT_EQ(indices("AD"), "A0 D0 ") << "a root stays as it is, its children became roots";
    EXPECT_EQ(TR_TreeIndex(nullptr), TR_UNNUMBERED);
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
    TR_RingInsert(&ring[0], &ring[0]);
    EXPECT_TRUE(ring[0].next == nullptr && ring[2].next == nullptr && ring[2].prev == nullptr)
        << "two leave none; a record is no anchor for itself";
}
