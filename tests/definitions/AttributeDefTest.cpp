// The type text and the attribute list the viewer shows; packages and records are in PersistenceTest.
#include "support/Common.h"

#include <vorn/vorn.h>

using namespace vorn;

TEST(AttributeDefTest, SortTextAndList)
{
    auto defs = cls_VornAttributeDefs::create();
    auto a = defs->CREATE(QStringLiteral("A"), TypeLong);
    auto b = defs->CREATE(QStringLiteral("b"), TypeString);
    auto c = defs->CREATE(QStringLiteral("C"), TypeBool);
    EXPECT_EQ(a->SORTTEXT(), QStringLiteral("LONG"));
    a->setENUMID(QStringLiteral("X"));
    EXPECT_EQ(a->SORTTEXT(), QStringLiteral("ENUM"));
    a->setSORT(12345);
    EXPECT_EQ(a->SORTTEXT(), QStringLiteral("ENUM"));

    EXPECT_EQ(defs->LIST(), QStringLiteral("A, b, C"));
    b->setFIXED(true);
    EXPECT_EQ(defs->LIST(), QStringLiteral("A, C"));
    a->setFIXED(true);
    c->setFIXED(true);
    EXPECT_EQ(defs->LIST(), QString());
    EXPECT_EQ(cls_VornAttributeDefs::create()->LIST(), QString());
}
