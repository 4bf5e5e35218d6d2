// Element specifics; what every persistent class shares is in PersistenceTest.
#include <vorn/vorn.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

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

TEST(ElementTest, DeepTreesFailCleanlyAndAreDestroyedWithoutRecursion)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("deep.rec");
    auto chain = [](int depth) {
        auto top = cls_VornElement::create();
        auto e = top;
        for (int i = 1; i < depth; ++i) {
            e = e->ELEMENTS()->CREATE();
            e->setUID(i);
        }
        return std::pair(top, e);
    };
    // Deeper than scripts nest: copies, saves and loads.
    auto [moderate, moderateBottom] = chain(1500);
    ASSERT_TRUE(moderate->SAVE(file));
    auto loaded = cls_VornElement::create();
    ASSERT_TRUE(loaded->LOAD(file));
    EXPECT_EQ(loaded->ELEMENTS()->COUNT(true), 1499);
    auto copy = cls_VornElement::create();
    copy->DATA().COPY(moderate);
    EXPECT_EQ(copy->ELEMENTS()->FIND(1499)->UID(), 1499);

    // A record nesting far deeper: LOAD answers False and changes nothing.
    auto f = CoreFile::create();
    f->OPEN(file, CoreFile::ModeWrite);
    for (int i = 0; i < 100000; ++i) {
        f->WRITE({ "1.0", "ID", "S", "", "", "", "", "", false, false, false, false, false, 0, 0, 0, 0, i });
        f->WRITETAG("1.0");
        f->WRITE({ 0, "1.0", Variant(), 1 });
    }
    f->CLOSE();
    EXPECT_FALSE(loaded->LOAD(file));
    EXPECT_EQ(loaded->ELEMENTS()->COUNT(true), 1499);

    // A chain of 100000 built in code: walks work, copying raises, saving answers False.
    constexpr int Depth = 100000;
    auto [top, bottom] = chain(Depth);
    bottom->ERRORSET("bottom");
    EXPECT_EQ(top->ELEMENTS()->COUNT(true), Depth - 1);
    EXPECT_TRUE(top->ELEMENTS()->ERRORSGLOBAL());
    EXPECT_EQ(top->ELEMENTS()->FIND(Depth - 1), bottom);
    EXPECT_EQ(top->ELEMENTS()->FINDPARENT(Depth - 1)->UID(), Depth - 2);
    EXPECT_THROW(cls_VornElement::create()->DATA().COPY(top), Error);
    EXPECT_FALSE(top->SAVE(file));
    bottom.reset();
    top.reset(); // must not recurse once per level
    // Also when the chain hangs in a list that is released.
    auto list = cls_VornElements::create();
    auto x = list->CREATE();
    for (int i = 1; i < Depth; ++i)
        x = x->ELEMENTS()->CREATE();
    x.reset();
    list.reset();
}
