#include <vorn/vorn.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

namespace {

QString listPackage(std::initializer_list<const char*> items)
{
    auto l = CoreList::create();
    for (const char* item : items)
        l->ADD(QString::fromUtf8(item));
    return l->DATA().PACKAGE();
}

// The 28 values of an element definition package, every slot distinct and the reserved ones filled.
VariantArray fullValues()
{
    auto attributes = cls_VornAttributeDefs::create();
    attributes->DATA().setKEY(QStringLiteral("ATTRS"));
    attributes->CREATE(QStringLiteral("ID"), TypeString, QString(), true);
    attributes->CREATE(QStringLiteral("SIZE"), TypeLong, 4)->setFIXED(true);
    return { "Type", attributes->DATA().PACKAGE(), "description", listPackage({ "CLONEPARENT" }),
             listPackage({ "NONE", "Parent" }), listPackage({ "REQ" }), listPackage({ "NEXT1", "NEXT2" }),
             listPackage({ "PREV" }), 1, 9, true, "rt1", "rt2", "icon.png", "group", "source.vorn",
             true, false, true, true, true, -1, 2, -3, 4, 0x123456, listPackage({ "CHILD" }), listPackage({ "ANCESTOR" }) };
}

Ref<cls_VornElementDef> sample()
{
    auto d = cls_VornElementDef::create();
    d->DATA().setPACKAGE(Package::PACK(fullValues()));
    return d;
}

// The fields a copy carries, as one comparable text.
QString visible(cls_VornElementDef& d)
{
    QStringList out{ d.NAME(), d.DESCRIPTION(), d.GROUP(), d.ICON(), d.SOURCE(), QString::number(d.COLOR()),
                     QString::number(d.CHILDRENMIN()), QString::number(d.CHILDRENMAX()), QString::number(d.UNIQUE()),
                     QString::number(d.INTERNAL()), d.ATTRIBUTES()->LIST() };
    for (const auto& l : { d.PARENTSALLOWED(), d.PARENTCLONESALLOWED(), d.CHILDRENREQUIRED(), d.NEXTALLOWED(),
                           d.PREVIOUSALLOWED(), d.CHILDRENALLOWED(), d.ANCESTORS() })
        out << l->JOIN(QStringLiteral("["), QStringLiteral(","), QStringLiteral("]"));
    return out.join(QLatin1Char('|'));
}

} // namespace

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
    EXPECT_EQ(defs->Item(QStringLiteral("other")), lower); // the collection's own lookup normalizes

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

TEST(ElementDefTest, PackageKeepsAllValuesIncludingReserved)
{
    const VariantArray values = fullValues();
    const QString package = Package::PACK(values);
    auto d = sample();
    EXPECT_EQ(visible(*d), QStringLiteral("Type|description|group|icon.png|source.vorn|1193046|1|9|1|1|ID|"
                                          "[NONE,Parent]|[CLONEPARENT]|[REQ]|[NEXT1,NEXT2]|[PREV]|[CHILD]|[ANCESTOR]"));
    EXPECT_EQ(d->ATTRIBUTES()->DATA().KEY(), Variant("ATTRS"));
    EXPECT_EQ(d->ATTRIBUTES()->Item(QStringLiteral("size"))->DEFAULT(), Variant(4));
    EXPECT_EQ(d->DATA().PACKAGE(), package);

    // Unpacking replaces the lists' contents in the objects already there.
    auto target = sample();
    auto parents = target->PARENTSALLOWED();
    target->DATA().setPACKAGE(cls_VornElementDef::create()->DATA().PACKAGE());
    EXPECT_EQ(target->PARENTSALLOWED(), parents);
    EXPECT_EQ(parents->COUNT(), 0);
    EXPECT_EQ(Package::UNPACK(target->DATA().PACKAGE(), 28)[11], Variant(""));

    // A list or attribute package of the wrong class raises and changes nothing.
    VariantArray badList = fullValues(), badAttributes = fullValues();
    badList[4] = Package::PACK({ Variant(), 8 });
    badAttributes[1] = listPackage({ "not", "definitions" });
    for (const QString& bad : { Package::PACK(badList), Package::PACK(badAttributes) }) {
        EXPECT_THROW(d->DATA().setPACKAGE(bad), Error);
        EXPECT_EQ(d->DATA().PACKAGE(), package);
    }
}

TEST(ElementDefTest, CopyIsDeepAndLeavesReservedFieldsBehind)
{
    auto source = sample();
    const QString before = source->DATA().PACKAGE();
    auto copy = cls_VornElementDef::create();
    copy->DATA().COPY(source);
    EXPECT_EQ(visible(*copy), visible(*source));
    const VariantArray v = Package::UNPACK(copy->DATA().PACKAGE(), 28);
    for (int i : { 11, 12 })
        EXPECT_EQ(v[size_t(i)], Variant("")) << i;
    for (int i : { 16, 17, 18, 19, 21, 22, 23, 24 })
        EXPECT_EQ(v[size_t(i)], Variant(0)) << i;

    EXPECT_NE(copy->ATTRIBUTES(), source->ATTRIBUTES());
    EXPECT_NE(copy->ATTRIBUTES()->Item(1), source->ATTRIBUTES()->Item(1));
    for (auto field : { &cls_VornElementDef::PARENTSALLOWED, &cls_VornElementDef::PARENTCLONESALLOWED,
                        &cls_VornElementDef::CHILDRENREQUIRED, &cls_VornElementDef::NEXTALLOWED,
                        &cls_VornElementDef::PREVIOUSALLOWED, &cls_VornElementDef::CHILDRENALLOWED,
                        &cls_VornElementDef::ANCESTORS }) {
        EXPECT_NE(((*copy).*field)(), ((*source).*field)());
        ((*copy).*field)()->ADD(QStringLiteral("ADDED"));
    }
    copy->ATTRIBUTES()->Item(1)->setDEFAULT(QStringLiteral("changed"));
    copy->ATTRIBUTES()->CREATE(QStringLiteral("NEW"), TypeBool);
    copy->setNAME(QStringLiteral("Renamed"));
    EXPECT_EQ(source->DATA().PACKAGE(), before);
}
