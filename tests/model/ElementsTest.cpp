#include "support/Common.h"

#include <vorn/vorn.h>

#include <QTemporaryDir>

using namespace vorn;

namespace {

Ref<cls_VornElement> add(cls_VornElements& list, const char* id, qint32 uid, const char* sort = "")
{
    auto e = list.CREATE(QString::fromUtf8(id));
    e->setUID(uid);
    e->setSORT(QString::fromUtf8(sort));
    return e;
}

// top: A(1) [ X(2) [ T(3) ], M(4) ], B(5) [ T(6) ], T(7)
struct Tree {
    Ref<cls_VornElements> top = cls_VornElements::create();
    Ref<cls_VornElement> a, x, deepT, m, b, bT, t;
    Tree()
    {
        a = add(*top, "A", 1, "Node");
        x = add(*a->ELEMENTS(), "X", 2);
        deepT = add(*x->ELEMENTS(), "T", 3);
        m = add(*a->ELEMENTS(), "M", 4);
        b = add(*top, "B", 5, "Node");
        bT = add(*b->ELEMENTS(), "T", 6);
        t = add(*top, "T", 7, "Leaf");
    }
};

} // namespace

TEST(ElementsTest, FindWalksDepthFirstInScriptOrder)
{
    Tree tree;
    EXPECT_EQ(tree.top->FIND(QStringLiteral("t")), tree.deepT); // A's subtree before the later T
    EXPECT_EQ(tree.top->FIND(QStringLiteral("M")), tree.m);
    EXPECT_EQ(tree.top->FIND(6.4), tree.bT);
    EXPECT_FALSE(tree.top->FIND(QStringLiteral("nothing")));
    EXPECT_FALSE(tree.top->FIND(99));
    EXPECT_FALSE(tree.top->FIND(QStringLiteral(" T"))); // not trimmed

    // A match at the top is found before a deeper one.
    auto again = add(*tree.t->ELEMENTS(), "A", 8);
    EXPECT_EQ(tree.top->FIND(QStringLiteral("A")), tree.a);
    EXPECT_EQ(tree.b->ELEMENTS()->FIND(QStringLiteral("T")), tree.bT);

    EXPECT_EQ(tree.top->FINDPARENT(QStringLiteral("T")), tree.x);
    EXPECT_EQ(tree.top->FINDPARENT(8), tree.t);
    EXPECT_EQ(tree.top->FINDPARENT(4), tree.a);
    EXPECT_FALSE(tree.top->FINDPARENT(QStringLiteral("A")));
    auto outer = cls_VornElement::create();
    EXPECT_EQ(tree.top->FINDPARENT(QStringLiteral("B"), outer), outer);
    EXPECT_EQ(tree.top->FINDPARENT(5, outer), outer);
    EXPECT_EQ(tree.top->FINDPARENT(3, outer), tree.x);
    EXPECT_FALSE(tree.top->FINDPARENT(QStringLiteral("none"), outer));
}

TEST(ElementsTest, FindTellsNumbersFromTexts)
{
    auto list = cls_VornElements::create();
    auto byUid = add(*list, "FIRST", 7);
    auto byId = add(*list, "7", 1);
    EXPECT_EQ(list->FIND(7), byUid);
    EXPECT_EQ(list->FIND(QStringLiteral("7")), byId);
    EXPECT_EQ(list->FINDPARENT(QStringLiteral("7"), byUid), byUid);

    // An ID with lower-case letters is never found by text; a number key is found by its text.
    auto lower = list->CREATE();
    lower->setID(QStringLiteral("low"));
    lower->setUID(3);
    EXPECT_FALSE(list->FIND(QStringLiteral("low")));
    EXPECT_FALSE(list->FIND(QStringLiteral("LOW")));
    EXPECT_EQ(list->FIND(3), lower);
    auto numeric = list->CREATE();
    numeric->DATA().setKEY(42);
    EXPECT_EQ(list->FIND(QStringLiteral("42")), numeric);
}

// COUNT(True) and ERRORSGLOBAL over a subtree are in DeepTreeTest.
TEST(ElementsTest, CreateUpperCasesTheKey)
{
    auto list = cls_VornElements::create();
    EXPECT_EQ(list->CREATE(QStringLiteral("abc"))->DATA().KEY(), Variant("ABC"));
    const Variant numberKey = list->CREATE(7)->DATA().KEY();
    EXPECT_TRUE(numberKey.isText());
    EXPECT_EQ(numberKey, Variant("7"));
    EXPECT_TRUE(list->CREATE()->DATA().KEY().isEmpty());
    EXPECT_EQ(list->CREATE(2.5)->ID(), QStringLiteral("2.5"));
    EXPECT_EQ(list->Item(QStringLiteral("7")), list->Item(2));
}

TEST(ElementsTest, ItemFallsBackToTheFirstElementOfAType)
{
    Tree tree;
    auto& top = *tree.top;
    EXPECT_EQ(top.Item(QStringLiteral("node")), tree.a);
    EXPECT_EQ(top.Item(QStringLiteral(" LEAF ")), tree.t); // the probe is trimmed
    EXPECT_TRUE(top.EXISTS(QStringLiteral("Leaf")));
    EXPECT_FALSE(top.Item(QStringLiteral("Nothing")));
    EXPECT_FALSE(top.Item(QStringLiteral("T.")));

    // An identifier wins over a type; SORT is not trimmed.
    auto named = add(top, "NODE", 9, "Other");
    EXPECT_EQ(top.Item(QStringLiteral("Node")), named);
    tree.t->setSORT(QStringLiteral(" Spaced"));
    EXPECT_FALSE(top.Item(QStringLiteral("Spaced")));

    // The fallback follows changes of SORT and of the order.
    tree.a->setSORT(QStringLiteral("Changed"));
    EXPECT_EQ(top.Item(QStringLiteral("CHANGED")), tree.a);
    EXPECT_EQ(top.Item(QStringLiteral("other")), named);
    top.SWAP(1, 2);
    tree.b->setSORT(QStringLiteral("Changed"));
    EXPECT_EQ(top.Item(QStringLiteral("changed")), tree.b);
    EXPECT_TRUE(top.REMOVE(QStringLiteral("Changed"))); // removes B, the first of that type
    EXPECT_EQ(top.Item(QStringLiteral("changed")), tree.a);
    tree.a->DATA().setPACKAGE(cls_VornElement::create()->DATA().PACKAGE());
    EXPECT_FALSE(top.Item(QStringLiteral("changed")));
}
