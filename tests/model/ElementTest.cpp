// Element specifics; what every persistent class shares is in PersistenceTest.
#include <vorn/vorn.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

namespace {

// The 19 values of an element package with every reserved slot filled.
VariantArray fullElementValues()
{
    auto attributes = cls_VornAttributes::create();
    attributes->setVALUE("A", 1);
    attributes->setVALUE("B", VariantArray{ "x", 2.5 });
    auto children = cls_VornElements::create();
    children->DATA().setKEY("LISTKEY");
    auto child = children->CREATE("CHILD");
    child->setUID(8);
    child->ELEMENTS()->CREATE("GRANDCHILD")->ERRORSET("deep");
    return { "EL", "Sort", attributes->PACKAGE(), children->DATA().PACKAGE(), "r1", "r2", "r3", "errors", "r4",
             true, false, true, true, true, 11, -12, 13, 2147483647, 7 };
}

Ref<cls_VornElement> sample()
{
    auto e = cls_VornElement::create();
    e->DATA().setPACKAGE(Package::PACK(fullElementValues()));
    return e;
}

// The reserved slots of a package hold their empty values.
void expectNoReserved(const QString& package)
{
    const VariantArray v = Package::UNPACK(package, 19);
    for (int i : { 4, 5, 6, 8, 9, 10, 11, 12, 14, 15, 16, 17 })
        EXPECT_EQ(v[size_t(i)], i < 9 ? Variant("") : Variant(0)) << i;
}

} // namespace

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

TEST(ElementTest, PackageKeepsReservedSlotsCopyLeavesThem)
{
    const VariantArray values = fullElementValues();
    auto e = sample();
    EXPECT_EQ(QStringList({ e->ID(), e->SORT(), e->ERRORTEXT(), QString::number(e->UID()) }),
              QStringList({ "EL", "Sort", "errors", "7" }));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("b"), Variant(VariantArray{ "x", 2.5 }));
    EXPECT_EQ(e->ELEMENTS()->DATA().KEY(), Variant("LISTKEY"));
    EXPECT_EQ(e->ELEMENTS()->Item("child")->ELEMENTS()->Item(1)->ERRORTEXT(), "deep");
    const VariantArray repacked = Package::UNPACK(e->DATA().PACKAGE(), 19);
    for (int i : { 0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18 }) {
        EXPECT_EQ(repacked[size_t(i)].kind(), values[size_t(i)].kind()) << i;
        EXPECT_EQ(repacked[size_t(i)], values[size_t(i)]) << i;
    }
    // Unpacking replaces everything, reserved fields too, inside the same bag object.
    auto bag = e->ATTRIBUTES();
    e->DATA().setPACKAGE(cls_VornElement::create()->DATA().PACKAGE());
    expectNoReserved(e->DATA().PACKAGE());
    EXPECT_EQ(e->ATTRIBUTES(), bag);
    EXPECT_EQ(bag->COUNT(), 0);

    // A copy is deep, shares only object values, and leaves both sides' reserved fields alone.
    auto source = sample();
    auto marker = CoreList::create();
    source->ATTRIBUTES()->setVALUE("OBJ", Ref<Object>(marker));
    const QString before = source->DATA().PACKAGE();
    auto copy = cls_VornElement::create();
    copy->DATA().COPY(source);
    expectNoReserved(copy->DATA().PACKAGE());
    EXPECT_EQ(copy->ELEMENTS()->COUNT(true), 2);
    EXPECT_EQ(copy->ATTRIBUTES()->VALUE("OBJ").object(), marker);
    copy->ELEMENTS()->Item(1)->setID("RENAMED");
    copy->ELEMENTS()->Item(1)->ELEMENTS()->Item(1)->ATTRIBUTES()->setVALUE("NEW", 1);
    EXPECT_EQ(source->DATA().PACKAGE(), before);
    source->DATA().COPY(cls_VornElement::create());
    EXPECT_EQ(Package::UNPACK(source->DATA().PACKAGE(), 19)[4], Variant("r1"));
    EXPECT_EQ(source->ELEMENTS()->COUNT(), 0);
}

TEST(ElementTest, MalformedPackagesPasswordsAndFailedSaves)
{
    auto e = sample();
    auto children = e->ELEMENTS();
    const QString before = e->DATA().PACKAGE();
    auto with = [](int slot, const Variant& v) {
        VariantArray values = fullElementValues();
        values[size_t(slot)] = v;
        return Package::PACK(values);
    };
    QString grandchild = fullElementValues()[3].text(); // a child deep inside whose package is cut short
    grandchild.replace("GRANDCHILD", "GRANDCHILD\x01");
    for (const QString& text : { with(3, "VP1A2:EA2:EO3:abc0:"), with(2, Package::PACK({ 5, VariantArray{}, VariantArray{} })),
                                 with(18, VariantArray{}), with(14, 1e10), with(3, grandchild) }) {
        EXPECT_THROW(e->DATA().setPACKAGE(text), Error);
        EXPECT_EQ(e->DATA().PACKAGE(), before);
        EXPECT_EQ(e->ELEMENTS(), children);
    }

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
