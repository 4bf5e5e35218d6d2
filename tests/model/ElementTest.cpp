#include <vorn/vorn.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

namespace {

// The 19 values of an element package with every reserved slot filled.
VariantArray fullElementValues()
{
    auto attributes = cls_VornAttributes::create();
    attributes->setVALUE(QStringLiteral("A"), 1);
    attributes->setVALUE(QStringLiteral("B"), VariantArray{ "x", 2.5 });
    auto children = cls_VornElements::create();
    children->DATA().setKEY(QStringLiteral("LISTKEY"));
    auto child = children->CREATE(QStringLiteral("CHILD"));
    child->setSORT(QStringLiteral("Kid"));
    child->setUID(8);
    child->ELEMENTS()->CREATE(QStringLiteral("GRANDCHILD"))->ERRORSET(QStringLiteral("deep"));
    return { "EL", "Sort", attributes->PACKAGE(), children->DATA().PACKAGE(), "r1", "r2", "r3", "errors", "r4",
             true, false, true, true, true, 11, -12, 13, 2147483647, 7 };
}

Ref<cls_VornElement> sample()
{
    auto e = cls_VornElement::create();
    e->DATA().setPACKAGE(Package::PACK(fullElementValues()));
    return e;
}

void expectNoReserved(const QString& package)
{
    const VariantArray v = Package::UNPACK(package, 19);
    for (int i : { 4, 5, 6, 8 })
        EXPECT_EQ(v[size_t(i)], Variant("")) << i;
    for (int i : { 9, 10, 11, 12, 14, 15, 16, 17 })
        EXPECT_EQ(v[size_t(i)], Variant(0)) << i;
}

// Writes a record file by hand.
void writeRecord(const QString& file, const VariantArray& values)
{
    auto f = CoreFile::create();
    f->OPEN(file, CoreFile::ModeWrite);
    for (const Variant& v : values)
        f->WRITE(v);
    f->CLOSE();
}

} // namespace

TEST(ElementTest, ErrorSetJoinsWithCrLf)
{
    auto e = cls_VornElement::create();
    EXPECT_FALSE(e->ERRORS());
    e->ERRORSET(QStringLiteral("A"));
    e->ERRORSET(QStringLiteral("B"));
    EXPECT_TRUE(e->ERRORS());
    EXPECT_EQ(e->ERRORTEXT(), QStringLiteral("A\r\nB"));

    auto f = cls_VornElement::create();
    f->ERRORSET(QString());
    EXPECT_TRUE(f->ERRORS());
    EXPECT_EQ(f->ERRORTEXT(), QString());
    f->ERRORSET(QStringLiteral("B"));
    EXPECT_EQ(f->ERRORTEXT(), QStringLiteral("B"));
    f->setERRORTEXT(QString());
    f->setERRORS(false);
    f->ERRORSET(QStringLiteral("C"));
    EXPECT_EQ(f->ERRORTEXT(), QStringLiteral("C"));
}

TEST(ElementTest, AttributeListWithoutStructure)
{
    auto e = cls_VornElement::create();
    EXPECT_EQ(e->ATTRIBUTELIST(), QStringLiteral("()"));
    e->ATTRIBUTES()->setVALUE(QStringLiteral("n"), 1);
    e->ATTRIBUTES()->setVALUE(QStringLiteral("t"), QStringLiteral("x"));
    EXPECT_EQ(e->ATTRIBUTELIST(), QStringLiteral("(") + DataTypes::FORMAT(1) + QStringLiteral(", ")
                                      + DataTypes::FORMAT(QStringLiteral("x")) + QStringLiteral(")"));
    EXPECT_EQ(e->ATTRIBUTELIST(QStringLiteral("<"), QStringLiteral("; "), QStringLiteral(">")),
              QStringLiteral("<1; \"x\">"));
}

TEST(ElementTest, PackageRoundTripKeepsEveryFieldAndReservedSlots)
{
    const VariantArray values = fullElementValues();
    const QString package = Package::PACK(values);
    auto e = sample();
    EXPECT_EQ(e->ID(), QStringLiteral("EL"));
    EXPECT_EQ(e->SORT(), QStringLiteral("Sort"));
    EXPECT_EQ(e->ERRORTEXT(), QStringLiteral("errors"));
    EXPECT_TRUE(e->ERRORS());
    EXPECT_EQ(e->UID(), 7);
    EXPECT_EQ(e->ATTRIBUTES()->VALUE(QStringLiteral("b")), Variant(VariantArray{ "x", 2.5 }));
    EXPECT_EQ(e->ELEMENTS()->DATA().KEY(), Variant("LISTKEY"));
    auto child = e->ELEMENTS()->Item(QStringLiteral("child"));
    ASSERT_TRUE(child);
    EXPECT_EQ(child->UID(), 8);
    EXPECT_EQ(child->ELEMENTS()->Item(1)->ERRORTEXT(), QStringLiteral("deep"));

    // Packing again gives the same values, the reserved ones included, and stays stable.
    const VariantArray repacked = Package::UNPACK(e->DATA().PACKAGE(), 19);
    for (int i : { 0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18 }) {
        EXPECT_EQ(repacked[size_t(i)].kind(), values[size_t(i)].kind()) << i;
        EXPECT_EQ(repacked[size_t(i)], values[size_t(i)]) << i;
    }
    auto again = cls_VornElement::create();
    again->DATA().setPACKAGE(e->DATA().PACKAGE());
    EXPECT_EQ(again->DATA().PACKAGE(), e->DATA().PACKAGE());

    // Unpacking into an element replaces everything it held, reserved fields too.
    auto plain = sample();
    auto bag = plain->ATTRIBUTES();
    plain->DATA().setPACKAGE(cls_VornElement::create()->DATA().PACKAGE());
    expectNoReserved(plain->DATA().PACKAGE());
    EXPECT_EQ(plain->ATTRIBUTES(), bag); // the same bag object, emptied
    EXPECT_EQ(bag->COUNT(), 0);
    EXPECT_EQ(plain->ID(), QString());
}

TEST(ElementTest, CopyIsDeepAndLeavesReservedFieldsBehind)
{
    auto source = sample();
    auto marker = CoreList::create();
    source->ATTRIBUTES()->setVALUE(QStringLiteral("OBJ"), Ref<Object>(marker));
    const QString sourcePackage = source->DATA().PACKAGE();

    auto copy = cls_VornElement::create();
    copy->DATA().COPY(source);
    EXPECT_EQ(copy->ID(), QStringLiteral("EL"));
    EXPECT_EQ(copy->SORT(), QStringLiteral("Sort"));
    EXPECT_EQ(copy->UID(), 7);
    EXPECT_EQ(copy->ERRORTEXT(), QStringLiteral("errors"));
    EXPECT_TRUE(copy->ERRORS());
    EXPECT_EQ(copy->ELEMENTS()->COUNT(true), 2);

    expectNoReserved(copy->DATA().PACKAGE());

    // Nothing but object values is shared.
    EXPECT_NE(copy->ATTRIBUTES(), source->ATTRIBUTES());
    EXPECT_NE(copy->ELEMENTS(), source->ELEMENTS());
    EXPECT_NE(copy->ELEMENTS()->Item(1), source->ELEMENTS()->Item(1));
    EXPECT_NE(copy->ELEMENTS()->Item(1)->ELEMENTS()->Item(1), source->ELEMENTS()->Item(1)->ELEMENTS()->Item(1));
    EXPECT_EQ(copy->ATTRIBUTES()->VALUE(QStringLiteral("OBJ")).object(), marker);
    copy->ATTRIBUTES()->setVALUE(QStringLiteral("A"), 99);
    copy->ELEMENTS()->Item(1)->setID(QStringLiteral("RENAMED"));
    copy->ELEMENTS()->Item(1)->ELEMENTS()->Item(1)->ATTRIBUTES()->setVALUE(QStringLiteral("NEW"), 1);
    copy->ELEMENTS()->CREATE(QStringLiteral("EXTRA"));
    EXPECT_EQ(source->DATA().PACKAGE(), sourcePackage);

    // The copy's own reserved fields stay.
    auto target = sample();
    target->DATA().COPY(cls_VornElement::create());
    EXPECT_EQ(Package::UNPACK(target->DATA().PACKAGE(), 19)[4], Variant("r1"));
    EXPECT_EQ(target->ELEMENTS()->COUNT(), 0);
}

TEST(ElementTest, MalformedPackageLeavesTheElementAsItWas)
{
    auto e = sample();
    auto children = e->ELEMENTS();
    const QString before = e->DATA().PACKAGE();
    VariantArray badChildren = fullElementValues();
    badChildren[3] = QStringLiteral("VP1A2:EA2:EO3:abc0:");
    VariantArray badAttributes = fullElementValues();
    badAttributes[2] = Package::PACK({ 5, VariantArray{}, VariantArray{} });
    VariantArray badKind = fullElementValues();
    badKind[18] = VariantArray{};
    VariantArray badNumber = fullElementValues();
    badNumber[14] = 1e10;
    // A child element deep inside whose own package is cut short.
    VariantArray badGrandchild = fullElementValues();
    QString grandchild = badGrandchild[3].text();
    badGrandchild[3] = grandchild.replace(QStringLiteral("GRANDCHILD"), QStringLiteral("GRANDCHILD\x01"));

    for (const QString& text : { before.left(before.size() / 2), Package::PACK(badChildren), Package::PACK(badAttributes),
                                 Package::PACK(badKind), Package::PACK(badNumber), Package::PACK(badGrandchild),
                                 Package::PACK({ "only", "three", "values" }), QStringLiteral("garbage") }) {
        EXPECT_THROW(e->DATA().setPACKAGE(text), Error);
        EXPECT_EQ(e->DATA().PACKAGE(), before);
        EXPECT_EQ(e->ELEMENTS(), children);
    }
}

TEST(ElementTest, FileRecordRoundTrip)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("e.rec"));
    auto e = sample();
    e->ATTRIBUTES()->setVALUE(QStringLiteral("when"), QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 6), Qt::UTC));
    e->ATTRIBUTES()->setVALUE(QStringLiteral("ref"), Ref<Object>(sample()));
    ASSERT_TRUE(e->SAVE(file));
    auto loaded = cls_VornElement::create();
    ASSERT_TRUE(loaded->LOAD(file));
    EXPECT_EQ(loaded->DATA().PACKAGE(), e->DATA().PACKAGE());

    ASSERT_TRUE(e->SAVE(file, QStringLiteral("secret")));
    auto sealed = cls_VornElement::create();
    EXPECT_FALSE(sealed->LOAD(file, QStringLiteral("wrong")));
    EXPECT_FALSE(sealed->LOAD(file));
    EXPECT_EQ(sealed->ELEMENTS()->COUNT(), 0);
    ASSERT_TRUE(sealed->LOAD(file, QStringLiteral("secret")));
    EXPECT_EQ(sealed->DATA().PACKAGE(), e->DATA().PACKAGE());
}

TEST(ElementTest, FailedLoadsLeaveTheElementAsItWas)
{
    QTemporaryDir dir;
    auto e = sample();
    const QString before = e->DATA().PACKAGE();

    // A record of another version: nothing is taken.
    const QString other = dir.filePath(QStringLiteral("other.rec"));
    writeRecord(other, { "2.0", "NEWID", "NewSort", "", "", "", "", "", false, false, false, false, false, 0, 0, 0, 0, 5 });
    e->LOAD(other);
    EXPECT_EQ(e->DATA().PACKAGE(), before);

    // A record of the right version that ends early.
    const QString cut = dir.filePath(QStringLiteral("cut.rec"));
    writeRecord(cut, { "1.0", "NEWID", "NewSort", "t1" });
    EXPECT_FALSE(e->LOAD(cut));
    EXPECT_EQ(e->DATA().PACKAGE(), before);

    // Missing and garbage files; a save into a missing folder.
    EXPECT_FALSE(e->LOAD(dir.filePath(QStringLiteral("missing.rec"))));
    const QString garbage = dir.filePath(QStringLiteral("garbage.rec"));
    QFile g(garbage);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("VORNREC\0\x01\x00 not a record at all", 30);
    g.close();
    EXPECT_FALSE(e->LOAD(garbage));
    EXPECT_FALSE(e->LOAD(QString()));
    EXPECT_FALSE(e->SAVE(dir.filePath(QStringLiteral("no/such/folder/e.rec"))));
    EXPECT_EQ(e->DATA().PACKAGE(), before);

    // A failed save keeps the file that was there.
    const QString kept = dir.filePath(QStringLiteral("kept.rec"));
    ASSERT_TRUE(e->SAVE(kept));
    auto self = cls_VornElement::create();
    self->ATTRIBUTES()->setVALUE(QStringLiteral("PLAIN"), Ref<Object>(CoreFile::create())); // cannot be stored
    EXPECT_FALSE(self->SAVE(kept));
    auto reloaded = cls_VornElement::create();
    ASSERT_TRUE(reloaded->LOAD(kept));
    EXPECT_EQ(reloaded->DATA().PACKAGE(), before);
}

TEST(ElementTest, DeepTreesFailCleanlyAndAreDestroyedWithoutRecursion)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("deep.rec"));
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
        f->WRITETAG(QStringLiteral("1.0"));
        f->WRITE({ 0, "1.0", Variant(), 1 });
    }
    f->CLOSE();
    EXPECT_FALSE(loaded->LOAD(file));
    EXPECT_EQ(loaded->ELEMENTS()->COUNT(true), 1499);
    EXPECT_EQ(loaded->ELEMENTS()->FIND(1499)->UID(), 1499);

    // A chain of 100000 built in code: walks work, copying raises, saving answers False.
    constexpr int Depth = 100000;
    auto [top, bottom] = chain(Depth);
    bottom->ERRORSET(QStringLiteral("bottom"));
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
