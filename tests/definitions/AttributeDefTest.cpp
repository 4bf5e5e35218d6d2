#include "support/Common.h"

#include <vorn/vorn.h>

#include <QTemporaryDir>

using namespace vorn;

TEST(AttributeDefTest, CreateSetsTheGivenFieldsOnly)
{
    auto defs = cls_VornAttributeDefs::create();
    auto d = defs->CREATE(QStringLiteral("Name"), TypeString);
    EXPECT_EQ(d->NAME(), QStringLiteral("Name"));
    EXPECT_EQ(d->DATA().KEY(), Variant("Name"));
    EXPECT_TRUE(d->DEFAULT().isText());
    EXPECT_EQ(d->DEFAULT().text(), QString());
    EXPECT_FALSE(d->REQUIRED());
    EXPECT_FALSE(d->FIXED());
    EXPECT_EQ(d->DESCRIPTION(), QString());
    EXPECT_EQ(d->ENUMID(), QString());
    EXPECT_EQ(d->SORT(), TypeString);
    EXPECT_EQ(defs->Item(QStringLiteral("NAME")), d);

    auto full = defs->CREATE(QStringLiteral("Count"), TypeLong, 3, true, QStringLiteral("how many"));
    EXPECT_EQ(full->DEFAULT(), Variant(3));
    EXPECT_TRUE(full->REQUIRED());
    EXPECT_EQ(full->DESCRIPTION(), QStringLiteral("how many"));
    auto again = defs->CREATE(QStringLiteral("name"), TypeBool); // no check for the name
    EXPECT_EQ(again, defs->Item(3));
    EXPECT_EQ(defs->Item(QStringLiteral("name")), d);
}

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

// Slots, copies and bad packages are in PersistenceTest; here the default of every kind.
TEST(AttributeDefTest, DefaultKeepsItsKindThroughAPackage)
{
    auto element = cls_VornElement::create();
    element->setID(QStringLiteral("DEFAULT"));
    const Variant defaults[] = { 7, 2.5, QString(), Variant(), true, QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC),
                                 VariantArray{ 1, VariantArray{ "x" } }, Ref<Object>(element) };
    for (const Variant& defaultValue : defaults) {
        auto source = cls_VornAttributeDefs::create()->CREATE(QStringLiteral("Name"), TypeLong, defaultValue);
        auto d = cls_VornAttributeDef::create();
        d->DATA().setPACKAGE(source->DATA().PACKAGE());
        EXPECT_EQ(d->DEFAULT().kind(), defaultValue.kind()) << int(defaultValue.kind());
        if (!defaultValue.isObject())
            EXPECT_EQ(d->DEFAULT(), defaultValue);
    }
    auto d = cls_VornAttributeDef::create();
    d->setDEFAULT(Ref<Object>(element));
    d->DATA().setPACKAGE(d->DATA().PACKAGE());
    auto object = std::dynamic_pointer_cast<cls_VornElement>(d->DEFAULT().object());
    ASSERT_TRUE(object);
    EXPECT_NE(object, element);
    EXPECT_EQ(object->ID(), QStringLiteral("DEFAULT"));
}
