// What the attribute bag and the value list share: names looked up upper-cased, texts as names
// and other values as positions, removal with or without order, capacity growth and trimming.
#include "support/Common.h"

#include <vorn/vorn.h>

using namespace vorn;
using support::names;

namespace {

template <class C>
class BagTest : public ::testing::Test {
protected:
    // A bag of x=1, "2"="named two", z=3.
    static Ref<C> xyz()
    {
        auto b = C::create();
        b->setVALUE(QStringLiteral("x"), 1);
        b->setVALUE(QStringLiteral("2"), QStringLiteral("named two"));
        b->setVALUE(QStringLiteral("z"), 3);
        return b;
    }
};

using Bags = ::testing::Types<cls_VornAttributes, cls_VornEnumeration>;
TYPED_TEST_SUITE(BagTest, Bags);

} // namespace

TYPED_TEST(BagTest, TextsAreNamesAndOtherValuesArePositions)
{
    auto b = this->xyz();
    EXPECT_EQ(names(*b), QStringLiteral("X,2,Z"));
    EXPECT_EQ(b->FIND(QStringLiteral("z")), 3);
    EXPECT_TRUE(b->EXISTS(QStringLiteral("x")));
    EXPECT_FALSE(b->EXISTS(QStringLiteral(" x"))); // not trimmed
    EXPECT_EQ(b->VALUE(2), Variant("named two"));
    EXPECT_EQ(b->VALUE(QStringLiteral("2")), Variant("named two"));
    EXPECT_EQ(b->VALUE(QStringLiteral("3")), Variant("")); // no pair named "3"
    EXPECT_EQ(b->VALUE(3), Variant(3));
    EXPECT_EQ(b->VALUE(2.5), Variant("named two")); // halves to even
    EXPECT_EQ(b->VALUE(3.4), Variant(3));
    EXPECT_EQ(b->VALUE(0, 9), Variant(9));
    EXPECT_EQ(b->VALUE(4, 9), Variant(9));
    EXPECT_EQ(b->VALUE(QStringLiteral("nothing"), 9), Variant(9));
    const Variant missing = b->VALUE(QStringLiteral("nothing"));
    EXPECT_TRUE(missing.isText() && missing.text().isEmpty());
    EXPECT_EQ(b->NAME(0), QString());
    EXPECT_EQ(b->NAME(4), QString());

    // A position outside 1..COUNT puts nothing; a number-like text adds a pair; a name replaces.
    b->setVALUE(7, 70);
    b->setVALUE(0, 70);
    EXPECT_EQ(b->COUNT(), 3);
    b->setVALUE(3, 30);
    EXPECT_EQ(b->VALUE(QStringLiteral("Z")), Variant(30));
    b->setVALUE(QStringLiteral("X"), QStringLiteral("replaced"));
    EXPECT_EQ(b->VALUE(1), Variant("replaced"));
    b->setVALUE(QStringLiteral("7"), 70);
    EXPECT_EQ(names(*b), QStringLiteral("X,2,Z,7"));
}

TYPED_TEST(BagTest, RemoveWithAndWithoutKeepingOrder)
{
    auto unordered = this->xyz();
    EXPECT_TRUE(unordered->REMOVE(QStringLiteral("x"), false));
    EXPECT_EQ(names(*unordered), QStringLiteral("Z,2"));
    EXPECT_EQ(unordered->VALUE(1), Variant(3));
    EXPECT_EQ(unordered->VALUE(QStringLiteral("2")), Variant("named two"));

    auto ordered = this->xyz();
    EXPECT_TRUE(ordered->REMOVE(QStringLiteral("X"), true));
    EXPECT_EQ(names(*ordered), QStringLiteral("2,Z"));
    EXPECT_FALSE(ordered->REMOVE(3, true));
    EXPECT_FALSE(ordered->REMOVE(QStringLiteral("1"), true)); // a name, not a position
    EXPECT_FALSE(ordered->REMOVE(QStringLiteral("x"), false));
    EXPECT_TRUE(ordered->REMOVE(2, false)); // the last one
    EXPECT_EQ(names(*ordered), QStringLiteral("2"));
    EXPECT_TRUE(ordered->REMOVE(1.0, true));
    EXPECT_EQ(ordered->COUNT(), 0);
    EXPECT_FALSE(ordered->REMOVE(1, true));
}

TYPED_TEST(BagTest, CapacityGrowsByTenAndShrinksToTheCountOnPackingCopyingAndReading)
{
    auto b = TypeParam::create();
    EXPECT_EQ(b->CAPACITY(), 10);
    for (int i = 1; i <= 10; ++i)
        b->setVALUE(QStringLiteral("A%1").arg(i), i);
    EXPECT_EQ(b->CAPACITY(), 10);
    b->setVALUE(QStringLiteral("A11"), 11);
    EXPECT_EQ(b->CAPACITY(), 21);
    b->setVALUE(QStringLiteral("A1"), 0); // replacing does not grow
    b->REMOVE(1, true);                   // removing never shrinks
    EXPECT_EQ(b->CAPACITY(), 21);

    const QString package = b->PACKAGE();
    EXPECT_EQ(b->CAPACITY(), 10);
    b->setVALUE(QStringLiteral("A12"), 12);
    EXPECT_EQ(b->CAPACITY(), 21);
    auto read = TypeParam::create();
    read->DATA().setPACKAGE(package);
    EXPECT_EQ(read->CAPACITY(), 10);
    auto copy = TypeParam::create();
    copy->COPY(*b);
    EXPECT_EQ(copy->CAPACITY(), 11);
    EXPECT_EQ(names(*copy), QStringLiteral("A2,A3,A4,A5,A6,A7,A8,A9,A10,A11,A12"));
}
