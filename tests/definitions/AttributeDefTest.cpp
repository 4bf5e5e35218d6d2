#include <vorn/vorn.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

namespace {

// The 11 values of an attribute definition package, reserved slots filled.
VariantArray fullValues(const Variant& defaultValue)
{
    return { "Name", "described", 103, true, defaultValue, "reserved text", "COLORS", true, true, -5, 2147483647 };
}

Ref<cls_VornAttributeDef> unpacked(const VariantArray& values)
{
    auto d = cls_VornAttributeDef::create();
    d->DATA().setPACKAGE(Package::PACK(values));
    return d;
}

void expectSameValues(const QString& package, const VariantArray& expected)
{
    const VariantArray got = Package::UNPACK(package, 11);
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i].isObject())
            continue;
        EXPECT_EQ(got[i].kind(), expected[i].kind()) << i;
        EXPECT_EQ(got[i], expected[i]) << i;
    }
}

} // namespace

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

TEST(AttributeDefTest, PackageKeepsEveryFieldAndTheReservedOnes)
{
    auto element = cls_VornElement::create();
    element->setID(QStringLiteral("DEFAULT"));
    const Variant defaults[] = { 7, 2.5, QString(), Variant(), true, QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC),
                                 VariantArray{ 1, VariantArray{ "x" } }, Ref<Object>(element) };
    for (const Variant& defaultValue : defaults) {
        SCOPED_TRACE(int(defaultValue.kind()));
        const VariantArray values = fullValues(defaultValue);
        auto d = unpacked(values);
        EXPECT_EQ(d->NAME(), QStringLiteral("Name"));
        EXPECT_EQ(d->DESCRIPTION(), QStringLiteral("described"));
        EXPECT_EQ(d->SORT(), 103);
        EXPECT_TRUE(d->REQUIRED());
        EXPECT_EQ(d->ENUMID(), QStringLiteral("COLORS"));
        EXPECT_TRUE(d->FIXED());
        EXPECT_EQ(d->DEFAULT().kind(), defaultValue.kind());
        expectSameValues(d->DATA().PACKAGE(), values);
    }
    auto withObject = unpacked(fullValues(Ref<Object>(element)));
    auto object = std::dynamic_pointer_cast<cls_VornElement>(withObject->DEFAULT().object());
    ASSERT_TRUE(object);
    EXPECT_EQ(object->ID(), QStringLiteral("DEFAULT"));
}

TEST(AttributeDefTest, CopyIsIndependentAndLeavesReservedFieldsBehind)
{
    auto source = unpacked(fullValues(VariantArray{ 1, 2 }));
    const QString before = source->DATA().PACKAGE();
    auto copy = unpacked({ "Old", "", 0, false, Variant(), "mine", "", false, false, 1, 2 });
    copy->DATA().COPY(source);
    EXPECT_EQ(copy->NAME(), QStringLiteral("Name"));
    EXPECT_EQ(copy->DEFAULT(), Variant(VariantArray{ 1, 2 }));
    // The copy keeps its own reserved fields.
    const VariantArray v = Package::UNPACK(copy->DATA().PACKAGE(), 11);
    EXPECT_EQ(v[5], Variant("mine"));
    EXPECT_EQ(v[7], Variant(false));
    EXPECT_EQ(v[9], Variant(1));
    EXPECT_EQ(v[10], Variant(2));
    EXPECT_EQ(Package::UNPACK(cls_VornAttributeDef::create()->DATA().PACKAGE(), 11)[5], Variant(""));

    copy->setNAME(QStringLiteral("Changed"));
    copy->setDEFAULT(3);
    copy->setENUMID(QString());
    EXPECT_EQ(source->DATA().PACKAGE(), before);
    EXPECT_THROW(copy->DATA().COPY(cls_VornElementDef::create()), Error);
}

TEST(AttributeDefTest, MalformedPackagesChangeNothing)
{
    auto d = unpacked(fullValues(5));
    const QString before = d->DATA().PACKAGE();
    VariantArray badSort = fullValues(5);
    badSort[2] = "LONG";
    VariantArray badFlag = fullValues(5);
    badFlag[3] = VariantArray{};
    for (const QString& bad : { before.left(before.size() - 4), Package::PACK(badSort), Package::PACK(badFlag),
                                Package::PACK({ "too", "few" }), QStringLiteral("VP1A11:") }) {
        EXPECT_THROW(d->DATA().setPACKAGE(bad), Error);
        EXPECT_EQ(d->DATA().PACKAGE(), before);
    }
}
