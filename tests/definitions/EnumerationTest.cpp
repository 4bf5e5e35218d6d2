#include "support/Common.h"

#include <vorn/vorn.h>

#include <QTemporaryDir>

using namespace vorn;
using support::names;

namespace {

Ref<cls_VornEnumeration> abc()
{
    auto e = cls_VornEnumeration::create();
    e->CREATE(QStringLiteral("A"), 1, QStringLiteral("first"));
    e->CREATE(QStringLiteral("B"), QStringLiteral("two"), QStringLiteral("second"));
    e->CREATE(QStringLiteral("C"), 3.5);
    return e;
}

} // namespace

// What the value list shares with the attribute bag is in BagTest, bad packages in PersistenceTest.
TEST(EnumerationTest, CreateKeepsTheCaseAndDescriptionsFollowTheMembers)
{
    auto e = abc();
    EXPECT_EQ(e->DESCRIPTION(QStringLiteral("A")), QStringLiteral("first"));
    EXPECT_EQ(e->DESCRIPTION(3), QString());
    EXPECT_EQ(e->DESCRIPTION(QStringLiteral("none")), QString());

    // CREATE keeps the letter case, so such a member is never found by name.
    e->CREATE(QStringLiteral("lower"), 4);
    EXPECT_FALSE(e->EXISTS(QStringLiteral("lower")));
    EXPECT_EQ(e->VALUE(QStringLiteral("lower"), -1), Variant(-1));
    e->setVALUE(QStringLiteral("lower"), 5);
    e->setDESCRIPTION(QStringLiteral("new"), QStringLiteral("appended"));
    e->setDESCRIPTION(1, QStringLiteral("changed"));
    e->setDESCRIPTION(0, QStringLiteral("ignored"));
    EXPECT_EQ(names(*e), QStringLiteral("A,B,C,lower,LOWER,NEW"));
    EXPECT_EQ(e->DESCRIPTION(QStringLiteral("New")), QStringLiteral("appended"));
    EXPECT_EQ(e->DESCRIPTION(1), QStringLiteral("changed"));
    e->setNAME(4, QStringLiteral("fixed"));
    e->setNAME(7, QStringLiteral("X"));
    EXPECT_EQ(e->VALUE(QStringLiteral("fixed")), Variant(4));
    EXPECT_EQ(e->COUNT(), 6);

    // Removing without order moves the last member with its description.
    EXPECT_TRUE(e->REMOVE(1, false));
    EXPECT_EQ(e->DESCRIPTION(1), QStringLiteral("appended"));
    EXPECT_EQ(e->DESCRIPTION(QStringLiteral("B")), QStringLiteral("second"));
}

TEST(EnumerationTest, EncodeAndDecode)
{
    auto lists = cls_VornEnumerations::create();
    auto sizes = lists->CREATE(QStringLiteral("Sizes"), QStringLiteral("how big"));
    sizes->CREATE(QStringLiteral("ONE"), 1);
    sizes->CREATE(QStringLiteral("TEXTONE"), QStringLiteral("1"));
    sizes->CREATE(QStringLiteral("BIG"), 100);

    // By name in data/parse/commands-lists; here by value, a number and a text apart.
    EXPECT_EQ(lists->ENCODE(QStringLiteral("SIZES"), 100), Variant(100));
    EXPECT_EQ(lists->ENCODE(QStringLiteral("SIZES"), 1), Variant(1));
    const Variant textOne = lists->ENCODE(QStringLiteral("SIZES"), QStringLiteral("1"));
    EXPECT_TRUE(textOne.isText() && textOne == Variant("1"));
    EXPECT_EQ(lists->ENCODE(QStringLiteral("SIZES"), 7), Variant("!ERROR!"));
    EXPECT_EQ(lists->ENCODE(QStringLiteral("COLORS"), QStringLiteral("one")), Variant("!ERROR!"));
    // A member whose value is the failure text does not stand for its name; the name may still
    // be another member's value, which stands for itself.
    sizes->CREATE(QStringLiteral("BROKEN"), QStringLiteral("!ERROR!"));
    sizes->CREATE(QStringLiteral("1"), QStringLiteral("!ERROR!"));
    EXPECT_EQ(lists->ENCODE(QStringLiteral("SIZES"), QStringLiteral("BROKEN")), Variant("!ERROR!"));
    const Variant named = lists->ENCODE(QStringLiteral("SIZES"), QStringLiteral("1"));
    EXPECT_TRUE(named.isText() && named == Variant("1"));

    EXPECT_EQ(lists->DECODE(QStringLiteral("Sizes"), 1), QStringLiteral("ONE"));
    EXPECT_EQ(lists->DECODE(QStringLiteral("Sizes"), 1.0), QStringLiteral("ONE"));
    EXPECT_EQ(lists->DECODE(QStringLiteral("Sizes"), QStringLiteral("1")), QStringLiteral("TEXTONE"));
    EXPECT_EQ(lists->DECODE(QStringLiteral("Sizes"), 2), QStringLiteral("???"));
    EXPECT_EQ(lists->DECODE(QStringLiteral("COLORS"), 1), QStringLiteral("???"));

    // The first list of a name wins; a list ID with lower-case letters is never found;
    // the lookup follows a renamed list.
    auto second = lists->CREATE(QStringLiteral("SIZES"));
    second->CREATE(QStringLiteral("ONE"), 111);
    EXPECT_EQ(lists->ENCODE(QStringLiteral("SIZES"), QStringLiteral("ONE")), Variant(1));
    auto lower = lists->CREATE();
    lower->setID(QStringLiteral("mixed"));
    lower->CREATE(QStringLiteral("X"), 1);
    EXPECT_EQ(lists->DECODE(QStringLiteral("mixed"), 1), QStringLiteral("???"));
    sizes->setID(QStringLiteral("OLD"));
    EXPECT_EQ(lists->ENCODE(QStringLiteral("SIZES"), QStringLiteral("ONE")), Variant(111));
    EXPECT_EQ(lists->DECODE(QStringLiteral("old"), 100), QStringLiteral("BIG"));
}

// Found by fuzzing: a record stored the key as text, so a value list without a name (as a list
// of another record version leaves it) came back from SAVE and LOAD with an empty text as key.
TEST(EnumerationTest, RecordsKeepTheKindOfTheKey)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("keys.rec"));
    for (const Variant& key : { Variant(), Variant(7), Variant(QStringLiteral("K")) }) {
        auto lists = cls_VornEnumerations::create();
        auto e = abc();
        e->DATA().setKEY(key);
        lists->ADD(e);
        ASSERT_TRUE(lists->SAVE(file));
        auto back = cls_VornEnumerations::create();
        ASSERT_TRUE(back->LOAD(file));
        EXPECT_EQ(back->Item(1)->DATA().KEY().kind(), key.kind());
        EXPECT_EQ(back->DATA().PACKAGE(), lists->DATA().PACKAGE());
    }
}
