#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

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

void init(std::vector<Widget>& widgets)
{
    for (size_t i = 0; i < widgets.size(); i++) {
        TR_TreeInit(&widgets[i].node);
        widgets[i].name = static_cast<char>('A' + i);
    }
}

void preorder(TR_Node* node, std::vector<TR_Node*>* out)
{
    out->push_back(node);
    for (NODE_Node* c = node->children.first; c != nullptr; c = c->next) {
        preorder(static_cast<TR_Node*>(c->data), out);
    }
}

// Asks for every index in a scrambled order and checks that they order the nodes exactly
// as a plain pre-order walk does.
void expect_indices_follow_preorder(TR_Node* root, std::mt19937& random, const std::string& when)
{
    std::vector<TR_Node*> order;
    preorder(root, &order);
    std::vector<TR_Node*> asked = order;
    std::shuffle(asked.begin(), asked.end(), random);
    asked.resize(asked.size() / 2 + 1);
    for (TR_Node* n : asked) {
        EXPECT_NE(TR_TreeIndex(n), TR_UNNUMBERED) << when;
    }
    for (size_t i = 0; i < order.size(); i++) {
        EXPECT_EQ(order[i]->root, root) << when;
        if (i > 0) {
            EXPECT_LT(TR_TreeIndex(order[i - 1]), TR_TreeIndex(order[i])) << when << ", position " << i;
        }
    }
    EXPECT_EQ(TR_TreeIndex(root), 0u) << when;
}

std::string ring_names(Member* start)
{
    std::string out;
    TR_RingForEach(&start->ring, [](TR_Ring* r, void* arg) {
        *static_cast<std::string*>(arg) += reinterpret_cast<Member*>(r)->name;
        return 1;
    }, &out);
    return out;
}

}  // namespace

TEST(Tree, ChildrenAreNumberedInPreorderOnDemand)
{
    std::vector<Widget> w(4);
    init(w);
    TR_Node* root = &w[0].node;
    TR_Node* x = &w[1].node;
    TR_Node* y = &w[2].node;
    TR_Node* z = &w[3].node;
    TR_TreeAddLast(x, root);
    TR_TreeAddLast(y, root);
    TR_TreeAddLast(z, root);
    EXPECT_EQ(x->index, TR_UNNUMBERED) << "nothing is numbered before it is asked for";
    EXPECT_EQ(TR_TreeIndex(z), 3u);
    EXPECT_EQ(x->index, 1u) << "X was numbered on the way";
    EXPECT_EQ(y->index, 2u);
    EXPECT_EQ(root->numberedUpTo, z);
    EXPECT_EQ(TR_TreeIndex(root), 0u);
}

TEST(Tree, AttachingInFrontRenumbersWhatFollows)
{
    std::vector<Widget> w(5);
    init(w);
    TR_Node* root = &w[0].node;
    for (int i = 1; i <= 3; i++) {
        TR_TreeAddLast(&w[i].node, root);
    }
    ASSERT_EQ(TR_TreeIndex(&w[3].node), 3u);
    TR_Node* wNode = &w[4].node;
    TR_TreeAddFirst(wNode, root);
    EXPECT_EQ(root->numberedUpTo, root) << "the mark moves back to the root";
    EXPECT_EQ(TR_TreeIndex(&w[3].node), 4u);
    EXPECT_EQ(TR_TreeIndex(wNode), 1u);
    EXPECT_EQ(TR_TreeIndex(&w[1].node), 2u);
    EXPECT_EQ(TR_TreeIndex(&w[2].node), 3u);
}

TEST(Tree, StaleIndicesNeverPassForValidOnes)
{
    std::vector<Widget> w(5);
    init(w);
    TR_Node* root = &w[0].node;
    for (int i = 1; i <= 3; i++) {
        TR_TreeAddLast(&w[i].node, root);
    }
    ASSERT_EQ(TR_TreeIndex(&w[3].node), 3u);
    TR_TreeAddFirst(&w[4].node, root);
    EXPECT_EQ(TR_TreeIndex(&w[1].node), 2u) << "X moved behind the new first child";
    EXPECT_EQ(TR_TreeIndex(&w[2].node), 3u) << "Y must not keep its old 2, which X holds now";
    EXPECT_EQ(TR_TreeIndex(&w[3].node), 4u);
}

TEST(Tree, DetachingLeavesGapsButKeepsTheOrder)
{
    std::vector<Widget> w(6);
    init(w);
    TR_Node* root = &w[0].node;
    TR_Node* x = &w[1].node;
    TR_Node* y = &w[2].node;
    TR_Node* z = &w[3].node;
    TR_TreeAddLast(x, root);
    TR_TreeAddLast(y, root);
    TR_TreeAddLast(z, root);
    TR_TreeAddLast(&w[4].node, y);
    TR_TreeAddLast(&w[5].node, &w[4].node);
    ASSERT_EQ(TR_TreeIndex(z), 5u);
    TR_TreeDetach(y);
    EXPECT_EQ(TR_TreeIndex(x), 1u);
    EXPECT_EQ(TR_TreeIndex(z), 5u) << "a gap is left where Y's subtree was";
    EXPECT_EQ(root->numberedUpTo, z) << "the mark after the removed subtree stays";
    EXPECT_EQ(y->parent, nullptr);
    EXPECT_EQ(y->root, y);
    EXPECT_EQ(TR_TreeIndex(y), 0u) << "a detached node is a root";
    EXPECT_EQ(TR_TreeIndex(&w[5].node), 2u) << "its subtree is numbered afresh";
    EXPECT_EQ(w[5].node.root, y);

    // The mark inside the subtree that leaves falls back to the node before it.
    TR_TreeAddLast(y, root);
    ASSERT_EQ(TR_TreeIndex(&w[5].node), 8u);
    TR_TreeDetach(&w[4].node);
    EXPECT_EQ(root->numberedUpTo, y);
    EXPECT_EQ(TR_TreeIndex(y), 6u);

    TR_TreeDetachChildren(root);
    EXPECT_EQ(root->children.first, nullptr);
    EXPECT_EQ(x->parent, nullptr);
    EXPECT_EQ(TR_TreeIndex(z), 0u);
    TR_TreeDetach(root);  // a root stays as it is
    EXPECT_EQ(TR_TreeIndex(root), 0u);
}

TEST(Tree, NodesMoveBetweenTreesButNeverUnderThemselves)
{
    std::vector<Widget> w(4);
    init(w);
    TR_TreeAddLast(&w[1].node, &w[0].node);
    TR_TreeAddLast(&w[2].node, &w[1].node);
    TR_TreeAddLast(&w[1].node, &w[2].node);
    EXPECT_EQ(w[1].node.parent, &w[0].node) << "a node cannot become its own descendant";
    TR_TreeAddLast(&w[1].node, &w[3].node);
    EXPECT_EQ(w[0].node.children.first, nullptr) << "the old tree lost the node";
    EXPECT_EQ(w[1].node.parent, &w[3].node);
    EXPECT_EQ(w[2].node.root, &w[3].node) << "the whole subtree belongs to the new tree";
    EXPECT_EQ(TR_TreeIndex(&w[2].node), 2u);
}

TEST(Tree, RandomAttachingAndDetachingKeepsIndicesInOrder)
{
    std::mt19937 random(7);
    std::vector<Widget> w(40);
    init(w);
    for (int step = 0; step < 400; step++) {
        size_t a = random() % w.size();
        size_t b = random() % w.size();
        switch (random() % 4) {
        case 0:
            TR_TreeAddFirst(&w[a].node, &w[b].node);
            break;
        case 1:
        case 2:
            TR_TreeAddLast(&w[a].node, &w[b].node);
            break;
        default:
            TR_TreeDetach(&w[a].node);
            break;
        }
        if (random() % 3 == 0) {
            TR_Node* root = w[random() % w.size()].node.root;
            expect_indices_follow_preorder(root, random, "step " + std::to_string(step));
        }
        if (HasFailure()) {
            return;
        }
    }
}

TEST(Tree, WalkingAndDumping)
{
    std::vector<Widget> w(4);
    init(w);
    TR_TreeAddLast(&w[1].node, &w[0].node);
    TR_TreeAddLast(&w[2].node, &w[1].node);
    TR_TreeAddLast(&w[3].node, &w[0].node);
    static std::string visited;
    visited.clear();
    TR_TreeWalk(&w[0].node, [](TR_Node* n) {
        char name = reinterpret_cast<Widget*>(n)->name;
        visited += name;
        return name == 'B' ? 0 : 1;
    });
    EXPECT_EQ(visited, "ABD") << "B's children are skipped when it says 0";

    FILE* out = tmpfile();
    ASSERT_NE(out, nullptr);
    HEAP_SetOutput(out);
    (void)TR_TreeIndex(&w[3].node);
    TR_TreeDump(&w[1].node);
    TR_TreeDump(nullptr);
    HEAP_SetOutput(nullptr);
    rewind(out);
    char text[256] = {};
    size_t got = fread(text, 1, sizeof text - 1, out);
    fclose(out);
    char expected[256];
    snprintf(expected, sizeof expected, "[%" PRIXPTR " 1]\n{\n\t[%" PRIXPTR " 2]\n\t{\n\t}\n}\n[]",
             reinterpret_cast<uintptr_t>(&w[1].node), reinterpret_cast<uintptr_t>(&w[2].node));
    EXPECT_EQ(std::string(text, got), expected);
}

TEST(Ring, MembersJoinAndLeave)
{
    Member a{{nullptr, nullptr}, 'a'};
    Member b{{nullptr, nullptr}, 'b'};
    Member c{{nullptr, nullptr}, 'c'};
    EXPECT_EQ(ring_names(&a), "a") << "a record in no ring visits itself only";
    TR_RingInsert(&b.ring, &a.ring);
    EXPECT_EQ(a.ring.next, &b.ring);
    EXPECT_EQ(a.ring.prev, &b.ring);
    EXPECT_EQ(b.ring.next, &a.ring) << "an anchor in no ring makes a ring of two";
    TR_RingInsert(&c.ring, &a.ring);
    EXPECT_EQ(a.ring.next, &c.ring);
    EXPECT_EQ(c.ring.next, &b.ring);
    EXPECT_EQ(ring_names(&a), "abc") << "the walk follows the previous links";

    std::string firstTwo;
    TR_RingForEach(&a.ring, [](TR_Ring* r, void* arg) {
        auto* s = static_cast<std::string*>(arg);
        *s += reinterpret_cast<Member*>(r)->name;
        return s->size() < 2 ? 1 : 0;
    }, &firstTwo);
    EXPECT_EQ(firstTwo, "ab") << "a callback returning 0 ends the walk";

    TR_RingInsert(&c.ring, &b.ring);
    EXPECT_EQ(ring_names(&a), "acb") << "inserting moves a member";
    TR_RingRemove(&a.ring);
    EXPECT_EQ(a.ring.next, nullptr);
    EXPECT_EQ(b.ring.next, &c.ring) << "a ring of three leaves a ring of two";
    EXPECT_EQ(c.ring.prev, &b.ring);
    TR_RingRemove(&c.ring);
    EXPECT_EQ(b.ring.next, nullptr) << "a ring of two leaves both outside any ring";
    EXPECT_EQ(b.ring.prev, nullptr);
    EXPECT_EQ(c.ring.next, nullptr);
    TR_RingRemove(&c.ring);
    TR_RingInsert(&a.ring, &a.ring);
    EXPECT_EQ(a.ring.next, nullptr) << "a record is no anchor for itself";
}
