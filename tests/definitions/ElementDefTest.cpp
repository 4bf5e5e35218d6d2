#include "support/Common.h"

#include <vorn/vorn.h>

using namespace vorn;

using support::listPackage;

namespace {

// The fields a copy carries, as one comparable text.
QString visible(cls_VornElementDef& d)
{
    QStringList out{ d.NAME(),
                     d.DESCRIPTION(),
                     d.GROUP(),
                     d.ICON(),
                     d.SOURCE(),
                     QString::number(d.COLOR()),
                     QString::number(d.CHILDRENMIN()),
                     QString::number(d.CHILDRENMAX()),
                     QString::number(d.UNIQUE()),
                     QString::number(d.INTERNAL()),
                     d.ATTRIBUTES()->LIST() };
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

// Slots, copies and bad packages are in PersistenceTest; here the lists, which unpacking
// refills in place and a copy duplicates.
TEST(ElementDefTest, ListsAreRefilledInPlaceAndCopiedDeep)
{
    auto source = cls_VornElementDef::create();
    source->DATA().setPACKAGE(Package::PACK({ "Type",
                                              cls_VornAttributeDefs::create()->DATA().PACKAGE(),
                                              "description",
                                              listPackage({ "CLONEPARENT" }),
                                              listPackage({ "NONE", "Parent" }),
                                              listPackage({ "REQ" }),
                                              listPackage({ "NEXT1", "NEXT2" }),
                                              listPackage({ "PREV" }),
                                              1,
                                              9,
                                              true,
                                              "",
                                              "",
                                              "icon.png",
                                              "group",
                                              "source.vorn",
                                              false,
                                              false,
                                              false,
                                              false,
                                              true,
                                              0,
                                              0,
                                              0,
                                              0,
                                              0x123456,
                                              listPackage({ "CHILD" }),
                                              listPackage({ "ANCESTOR" }) }));
    source->ATTRIBUTES()->CREATE(QStringLiteral("ID"), TypeString);
    const QString expected = QStringLiteral(
        "Type|description|group|icon.png|source.vorn|1193046|1|9|1|1|ID|"
        "[NONE,Parent]|[CLONEPARENT]|[REQ]|[NEXT1,NEXT2]|[PREV]|[CHILD]|[ANCESTOR]");
    EXPECT_EQ(visible(*source), expected);
    auto copy = cls_VornElementDef::create();
    copy->DATA().COPY(source);
    EXPECT_EQ(visible(*copy), expected);
    EXPECT_NE(copy->ATTRIBUTES()->Item(1), source->ATTRIBUTES()->Item(1));

    auto parents = copy->PARENTSALLOWED();
    auto attributes = copy->ATTRIBUTES();
    copy->DATA().setPACKAGE(cls_VornElementDef::create()->DATA().PACKAGE());
    EXPECT_EQ(copy->PARENTSALLOWED(), parents);
    EXPECT_EQ(copy->ATTRIBUTES(), attributes);
    EXPECT_EQ(parents->COUNT(), 0);
    EXPECT_EQ(visible(*source), expected);
}
