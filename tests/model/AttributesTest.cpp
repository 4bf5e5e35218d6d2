#include "support/Common.h"

#include <vorn/vorn.h>

using namespace vorn;
using support::names;

namespace {

Ref<cls_VornAttributes> bag(std::initializer_list<std::pair<const char*, Variant>> pairs)
{
    auto b = cls_VornAttributes::create();
    for (const auto& [name, value] : pairs)
        b->setVALUE(QString::fromUtf8(name), value);
    return b;
}

} // namespace

// What the bag shares with the value list is in BagTest, bad packages in PersistenceTest.
TEST(AttributesTest, NamesAreUpperCasedDefaultsKeepTheirObject)
{
    auto b = bag({ { "Name", 5 } });
    // NAME put upper-cases, checks no duplicates and ignores bad positions.
    b->setVALUE(QStringLiteral("other"), 1);
    b->setNAME(2, QStringLiteral("name"));
    b->setNAME(3, QStringLiteral("X"));
    b->setNAME(0, QStringLiteral("X"));
    EXPECT_EQ(names(*b), QStringLiteral("NAME,NAME"));
    EXPECT_EQ(b->VALUE(QStringLiteral("name")), Variant(5)); // first match

    auto marker = CoreList::create();
    EXPECT_EQ(b->VALUE(QStringLiteral("nothing"), Ref<Object>(marker)).object(), marker);
    auto empty = cls_VornAttributes::create();
    empty->PACKAGE();
    EXPECT_EQ(empty->CAPACITY(), 0);
    empty->setVALUE(QStringLiteral("A"), 1);
    EXPECT_EQ(empty->CAPACITY(), 11);
}

TEST(AttributesTest, ValueEncodedFollowsTheDefinition)
{
    auto b = bag({ { "n", 5 }, { "t", "x" }, { "arr", VariantArray{ 1, 2 } } });
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("N"), {}), Variant(5));
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("missing"), {}), Variant(""));

    auto def = cls_VornAttributeDef::create();
    def->setDEFAULT(42);
    for (qint32 type : { 70, 71, 80, 81 }) {
        def->setSORT(type);
        EXPECT_EQ(b->VALUEENCODED(QStringLiteral("n"), def), Variant(5)) << type;
        EXPECT_EQ(b->VALUEENCODED(QStringLiteral("missing"), def), Variant(42)) << type;
        EXPECT_TRUE(b->VALUEENCODED(QStringLiteral("arr"), def).isArray()) << type;
    }
    def->setSORT(TypeAtomic);
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("N"), def), Variant("5"));
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("T"), def), Variant("\"x\""));
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("missing"), def), Variant("42"));
    def->setSORT(TypeString);
    EXPECT_EQ(b->VALUEENCODED(1, def), Variant("\"5\""));
    def->setSORT(TypeLong);
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("T"), def), Variant("\"x\"")); // no LONG form: own kind
}
