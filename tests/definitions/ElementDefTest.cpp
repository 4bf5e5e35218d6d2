// Definitions chosen by parent; their slots, lists and copies are in PersistenceTest.
#include "support/Common.h"

#include <vorn/vorn.h>

using namespace vorn;

TEST(ElementDefTest, ItemParentChoosesTheParentSpecificVariant)
{
    auto defs = cls_VornElementDefs::create();
    auto general = defs->CREATE(QStringLiteral("ITEM"));
    auto underList = defs->CREATE(QStringLiteral("ITEM"));
    underList->PARENTSALLOWED()->ADD(QStringLiteral("LIST"));
    auto lower = defs->CREATE(QStringLiteral("Other"));
    auto blank = defs->CREATE(QStringLiteral(" ITEM"));
    blank->PARENTSALLOWED()->ADD(QStringLiteral("BLANK"));

    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral("item"), QString()), general);
    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral("Item"), QStringLiteral("list")), underList);
    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral("ITEM"), QStringLiteral("NONE")), general);
    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral("ITEM"), QStringLiteral("BLANK")), general); // " ITEM" is another name
    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral(" item"), QStringLiteral("BLANK")), blank);
    EXPECT_FALSE(defs->ITEMPARENT(QStringLiteral("Other"), QString())); // stored in lower case
    EXPECT_FALSE(defs->ITEMPARENT(QStringLiteral("MISSING"), QString()));

    // Renames and other kinds of keys after the first lookup.
    lower->setNAME(QStringLiteral("ITEM"));
    defs->SWAP(1, 3);
    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral("item"), QString()), lower);
    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral("item"), QStringLiteral("List")), underList);
    auto numbered = defs->CREATE(QStringLiteral("x"));
    numbered->DATA().setKEY(7);
    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral("7"), QString()), numbered);
    EXPECT_EQ(defs->ITEMPARENT(QStringLiteral("item"), QStringLiteral("list")), underList);
}
