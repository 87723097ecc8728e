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

struct Widget {
    TR_Node node;
    char name;
};

struct Member {
    TR_Ring ring;
    char name;
};

// Widgets 'A', 'B', ... each a tree of its own. Held in a vector that never grows, since
// the nodes point at one another.
std::vector<Widget> widgets(size_t count)
{
    std::vector<Widget> w(count);
    for (size_t i = 0; i < count; i++) {
        TR_TreeInit(&w[i].node);
        w[i].name = static_cast<char>('A' + i);
    }
    return w;
}

// The widgets' indices, asked for in the order given.
std::string indices(std::vector<Widget>& w, const std::vector<int>& order)
{
    std::string out;
    for (int i : order) {
        out += w[i].name + std::to_string(TR_TreeIndex(&w[i].node)) + " ";
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

size_t ringLimit;

// The names met walking the ring; the callback ends the walk after `limit` names.
std::string ring_names(Member* start, size_t limit = 99)
{
    std::string out;
    ringLimit = limit;
    TR_RingForEach(&start->ring, [](TR_Ring* r, void* arg) {
        auto* s = static_cast<std::string*>(arg);
        *s += reinterpret_cast<Member*>(r)->name;
        return s->size() < ringLimit ? 1 : 0;
    }, &out);
    return out;
}

}  // namespace

TEST(Tree, NodesAreNumberedInPreorderOnDemandAndRenumberedAfterChanges)
{
    std::vector<Widget> w = widgets(7);
    TR_Node* root = &w[0].node;
    for (int i : {1, 2, 3}) {
        TR_TreeAddLast(&w[i].node, root);
    }
    EXPECT_EQ(w[1].node.index, TR_UNNUMBERED) << "nothing is numbered before it is asked for";
    EXPECT_EQ(indices(w, {3, 1, 2, 0}), "D3 B1 C2 A0 ") << "B and C were numbered on the way to D";
    EXPECT_EQ(root->numberedUpTo, &w[3].node);

    TR_TreeAddFirst(&w[4].node, root);
    EXPECT_EQ(root->numberedUpTo, root) << "the mark moves back to the root";
    EXPECT_EQ(indices(w, {1, 2, 3, 4}), "B2 C3 D4 E1 ") << "C must not keep its old 2, which B holds now";

    TR_TreeAddLast(&w[5].node, &w[2].node);
    TR_TreeAddLast(&w[6].node, &w[5].node);
    EXPECT_EQ(indices(w, {3}), "D6 ");
    TR_TreeDetach(&w[2].node);
    EXPECT_EQ(indices(w, {1, 3}), "B2 D6 ") << "a gap is left where C's subtree was";
    EXPECT_EQ(root->numberedUpTo, &w[3].node) << "the mark after the removed subtree stays";
    EXPECT_TRUE(w[2].node.parent == nullptr && w[2].node.root == &w[2].node && w[6].node.root == &w[2].node);
    EXPECT_EQ(indices(w, {2, 6}), "C0 G2 ") << "a detached node is a root and its subtree is numbered afresh";

    TR_TreeAddLast(&w[2].node, root);
    EXPECT_EQ(indices(w, {6}), "G9 ");
    TR_TreeDetach(&w[5].node);
    EXPECT_EQ(root->numberedUpTo, &w[2].node) << "a mark inside the leaving subtree falls back to the node before it";
    EXPECT_EQ(indices(w, {2}), "C7 ");

    TR_TreeDetachChildren(root);
    TR_TreeDetach(root);
    EXPECT_TRUE(root->children.first == nullptr && w[1].node.parent == nullptr);
    EXPECT_EQ(indices(w, {0, 3}), "A0 D0 ") << "a root stays as it is, its children became roots";
}

TEST(Tree, NodesMoveBetweenTreesButNeverUnderThemselves)
{
    std::vector<Widget> w = widgets(4);
    TR_TreeAddLast(&w[1].node, &w[0].node);
    TR_TreeAddLast(&w[2].node, &w[1].node);
    TR_TreeAddLast(&w[1].node, &w[2].node);
    EXPECT_EQ(w[1].node.parent, &w[0].node) << "a node cannot become its own descendant";
    TR_TreeAddLast(&w[1].node, &w[3].node);
    EXPECT_EQ(w[0].node.children.first, nullptr) << "the old tree lost the node";
    EXPECT_EQ(w[2].node.root, &w[3].node) << "the whole subtree belongs to the new tree";
    EXPECT_EQ(indices(w, {2}), "C2 ");
}

TEST(Tree, RandomAttachingAndDetachingKeepsIndicesInPreorder)
{
    std::mt19937 random(7);
    std::vector<Widget> w = widgets(40);
    for (int step = 0; step < 400 && !HasFailure(); step++) {
        TR_Node* a = &w[random() % w.size()].node;
        TR_Node* b = &w[random() % w.size()].node;
        switch (random() % 4) {
        case 0:
            TR_TreeAddFirst(a, b);
            break;
        case 3:
            TR_TreeDetach(a);
            break;
        default:
            TR_TreeAddLast(a, b);
            break;
        }
        if (random() % 3 != 0) {
            continue;
        }
        // Ask for half the indices in a scrambled order first, so numbering starts midway.
        std::vector<TR_Node*> order;
        preorder(w[random() % w.size()].node.root, &order);
        std::vector<TR_Node*> asked = order;
        std::shuffle(asked.begin(), asked.end(), random);
        for (size_t i = 0; i < asked.size() / 2 + 1; i++) {
            EXPECT_NE(TR_TreeIndex(asked[i]), TR_UNNUMBERED) << "step " << step;
        }
        EXPECT_EQ(TR_TreeIndex(order[0]), 0u) << "step " << step;
        for (size_t i = 1; i < order.size(); i++) {
            EXPECT_EQ(order[i]->root, order[0]) << "step " << step;
            EXPECT_LT(TR_TreeIndex(order[i - 1]), TR_TreeIndex(order[i])) << "step " << step << ", position " << i;
        }
    }
}

TEST(Tree, WalkingAndDumping)
{
    std::vector<Widget> w = widgets(4);
    TR_TreeAddLast(&w[1].node, &w[0].node);
    TR_TreeAddLast(&w[2].node, &w[1].node);
    TR_TreeAddLast(&w[3].node, &w[0].node);
    static std::string visited;
    visited.clear();
    TR_TreeWalk(&w[0].node, [](TR_Node* n) {
        visited += reinterpret_cast<Widget*>(n)->name;
        return visited.back() == 'B' ? 0 : 1;
    });
    EXPECT_EQ(visited, "ABD") << "B's children are skipped when it says 0";

    FILE* out = tmpfile();
    ASSERT_NE(out, nullptr);
    HEAP_SetOutput(out);
    (void)TR_TreeIndex(&w[3].node);
    TR_TreeDump(&w[1].node);
    TR_TreeDump(nullptr);
    HEAP_SetOutput(nullptr);
    char expected[256];
    snprintf(expected, sizeof expected, "[%" PRIXPTR " 1]\n{\n\t[%" PRIXPTR " 2]\n\t{\n\t}\n}\n[]",
             reinterpret_cast<uintptr_t>(&w[1].node), reinterpret_cast<uintptr_t>(&w[2].node));
    EXPECT_EQ(StreamText(out), expected) << "whole addresses";
    fclose(out);
}

TEST(Ring, MembersJoinAndLeave)
{
    Member a{{nullptr, nullptr}, 'a'};
    Member b{{nullptr, nullptr}, 'b'};
    Member c{{nullptr, nullptr}, 'c'};
    EXPECT_EQ(ring_names(&a), "a") << "a record in no ring visits itself only";
    TR_RingInsert(&b.ring, &a.ring);
    EXPECT_TRUE(a.ring.next == &b.ring && a.ring.prev == &b.ring && b.ring.next == &a.ring && b.ring.prev == &a.ring)
        << "an anchor in no ring makes a ring of two";
    TR_RingInsert(&c.ring, &a.ring);
    EXPECT_TRUE(a.ring.next == &c.ring && c.ring.next == &b.ring && b.ring.prev == &c.ring) << "c goes right after a";
    EXPECT_EQ(ring_names(&a), "abc") << "the walk follows the previous links";
    EXPECT_EQ(ring_names(&a, 2), "ab") << "a callback returning 0 ends the walk";
    TR_RingInsert(&c.ring, &b.ring);
    EXPECT_EQ(ring_names(&a), "acb") << "inserting moves a member";
    TR_RingRemove(&a.ring);
    EXPECT_EQ(a.ring.next, nullptr);
    EXPECT_TRUE(b.ring.next == &c.ring && b.ring.prev == &c.ring) << "a ring of three leaves a ring of two";
    TR_RingRemove(&c.ring);
    EXPECT_TRUE(b.ring.next == nullptr && b.ring.prev == nullptr && c.ring.next == nullptr)
        << "a ring of two leaves both outside any ring";
    TR_RingRemove(&c.ring);
    TR_RingInsert(&a.ring, &a.ring);
    EXPECT_EQ(a.ring.next, nullptr) << "a record is no anchor for itself";
}
