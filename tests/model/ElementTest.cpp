// Element specifics; what every persistent class shares is in PersistenceTest.
#include "support/Common.h"

#include <vorn/vorn.h>

#include <QTemporaryDir>

using namespace vorn;

TEST(ElementTest, ErrorsAndAttributeList)
{
    auto e = cls_VornElement::create();
    EXPECT_FALSE(e->ERRORS());
    e->ERRORSET("A");
    e->ERRORSET("B");
    EXPECT_TRUE(e->ERRORS());
    EXPECT_EQ(e->ERRORTEXT(), "A\r\nB");
    e->setERRORTEXT(QString());
    e->ERRORSET(QString());
    e->ERRORSET("C");
    EXPECT_EQ(e->ERRORTEXT(), "C");

    EXPECT_EQ(e->ATTRIBUTELIST(), "()");
    e->ATTRIBUTES()->setVALUE("n", 1);
    e->ATTRIBUTES()->setVALUE("t", "x");
    EXPECT_EQ(e->ATTRIBUTELIST(), "(" + DataTypes::FORMAT(1) + ", " + DataTypes::FORMAT("x") + ")");
    EXPECT_EQ(e->ATTRIBUTELIST("<", "; ", ">"), "<1; \"x\">");
}

TEST(ElementTest, UnpackKeepsTheOwnedObjectsCopySharesObjectValues)
{
    auto e = cls_VornElement::create();
    e->ATTRIBUTES()->setVALUE("A", 1);
    e->ELEMENTS()->CREATE("CHILD")->ELEMENTS()->CREATE("GRANDCHILD");
    auto bag = e->ATTRIBUTES();
    auto children = e->ELEMENTS();
    auto marker = CoreList::create();
    e->ATTRIBUTES()->setVALUE("OBJ", Ref<Object>(marker));
    auto copy = cls_VornElement::create();
    copy->DATA().COPY(e);
    EXPECT_EQ(copy->ELEMENTS()->COUNT(true), 2);
    EXPECT_EQ(copy->ATTRIBUTES()->VALUE("OBJ").object(), marker);

    e->DATA().setPACKAGE(cls_VornElement::create()->DATA().PACKAGE());
    EXPECT_EQ(e->ATTRIBUTES(), bag);
    EXPECT_EQ(e->ELEMENTS(), children);
    EXPECT_EQ(bag->COUNT(), 0);
    EXPECT_EQ(children->COUNT(), 0);
}

TEST(ElementTest, SealedRecordsAndFailedSaves)
{
    auto e = cls_VornElement::create();
    e->ELEMENTS()->CREATE("CHILD")->setUID(8);
    const QString before = e->DATA().PACKAGE();
    QTemporaryDir dir;
    const QString file = dir.filePath("e.rec");
    ASSERT_TRUE(e->SAVE(file, "secret"));
    auto sealed = cls_VornElement::create();
    EXPECT_FALSE(sealed->LOAD(file, "wrong"));
    EXPECT_FALSE(sealed->LOAD(file));
    EXPECT_EQ(sealed->ELEMENTS()->COUNT(), 0);
    ASSERT_TRUE(sealed->LOAD(file, "secret"));
    EXPECT_EQ(sealed->DATA().PACKAGE(), before);

    // A save that fails on a value that cannot be stored keeps the file that was there.
    auto bad = cls_VornElement::create();
    bad->ATTRIBUTES()->setVALUE("PLAIN", Ref<Object>(CoreFile::create()));
    EXPECT_FALSE(bad->SAVE(file));
    ASSERT_TRUE(sealed->LOAD(file, "secret"));
}
