// What every persistent class promises: packages, records and copies, and bad input that
// changes nothing.
#include "support/Engine.h"

#include <vorn/vorn.h>

#include <QFile>
#include <QTemporaryDir>

using namespace vorn;
using support::listPackage;

namespace {

const QDateTime When(QDate(2024, 2, 29), QTime(23, 59, 58, 123), Qt::UTC);

// A filled object of each class, built through its own interface (no reserved fields set).
template <class C>
Ref<C> sample();

// Gives every children list a key: an Empty list key does not come back alike on every path.
void keyLists(const Ref<cls_VornElement>& e)
{
    e->ELEMENTS()->DATA().setKEY("L");
    for (qint32 i = 1; i <= e->ELEMENTS()->COUNT(); ++i)
        keyLists(e->ELEMENTS()->Item(i));
}

template <>
Ref<CoreList> sample()
{
    auto l = CoreList::create();
    for (const char* s : { "", " padded ", "x", "\xc3\xa9" })
        l->ADD(QString::fromUtf8(s));
    return l;
}
template <>
Ref<cls_VornElement> sample()
{
    auto e = cls_VornElement::create();
    e->setID("EL");
    e->setSORT("Sort");
    e->setUID(7);
    e->ERRORSET("errors");
    e->ATTRIBUTES()->setVALUE("when", When);
    e->ATTRIBUTES()->setVALUE("list", VariantArray{ "a", VariantArray{ 2.5, Variant() } });
    auto child = e->ELEMENTS()->CREATE("CHILD");
    child->setUID(8);
    child->ELEMENTS()->CREATE("GRANDCHILD")->ATTRIBUTES()->setVALUE("ref", Ref<Object>(CoreList::create()));
    e->ELEMENTS()->CREATE("CHILD"); // a duplicate key survives every path
    keyLists(e);
    return e;
}
template <>
Ref<cls_VornAttributes> sample()
{
    auto b = cls_VornAttributes::create();
    const std::pair<const char*, Variant> pairs[] = { { "text", "t" },
                                                      { "empty text", "" },
                                                      { "empty", Variant() },
                                                      { "long", -7 },
                                                      { "double", 0.25 },
                                                      { "bool", true },
                                                      { "date", When },
                                                      { "array", VariantArray{ 1, VariantArray{ "in", false } } },
                                                      { "object", Ref<Object>(sample<cls_VornElement>()) },
                                                      { "none", Ref<Object>() } };
    for (const auto& [name, value] : pairs)
        b->setVALUE(name, value);
    return b;
}
template <>
Ref<cls_VornElements> sample()
{
    auto l = cls_VornElements::create();
    l->ADD(sample<cls_VornElement>());
    l->CREATE("B")->setSORT("Node");
    keyLists(l->Item(2));
    return l;
}
template <>
Ref<cls_VornAttributeDefs> sample()
{
    auto defs = cls_VornAttributeDefs::create();
    defs->CREATE("Name", TypeString);
    defs->CREATE("Count", TypeLong, 3, true, "how many")->setFIXED(true);
    defs->CREATE("When", TypeDate, When)->setENUMID("LIST");
    defs->CREATE("Plain", TypeAtomic, Ref<Object>(CoreList::create()));
    defs->CREATE("name", TypeArray, VariantArray{ "a", VariantArray{ 2.5, Variant() } });
    return defs;
}
template <>
Ref<cls_VornAttributeDef> sample()
{
    return sample<cls_VornAttributeDefs>()->Item(2);
}
template <>
Ref<cls_VornElementDef> sample()
{
    auto d = cls_VornElementDef::create();
    d->setNAME("Type");
    d->setDESCRIPTION("description");
    d->setGROUP("group"), d->setICON("icon.png"), d->setCOLOR(0x123456), d->setCHILDRENMAX(9), d->setUNIQUE(true);
    d->ATTRIBUTES()->DATA().setPACKAGE(sample<cls_VornAttributeDefs>()->DATA().PACKAGE());
    d->ATTRIBUTES()->DATA().setKEY("ATTRS");
    d->PARENTSALLOWED()->ADD("NONE");
    d->PARENTCLONESALLOWED()->ADD("CLONEPARENT");
    d->ANCESTORS()->ADD("ANCESTOR");
    return d;
}
template <>
Ref<cls_VornElementDefs> sample()
{
    auto defs = cls_VornElementDefs::create();
    defs->ADD(sample<cls_VornElementDef>());
    defs->CREATE("Second")->ATTRIBUTES()->DATA().setKEY("ATTRS");
    return defs;
}
template <>
Ref<cls_VornEnumeration> sample()
{
    auto e = cls_VornEnumeration::create();
    e->setID("LIST");
    e->setENUMDESCRIPTION("described");
    e->CREATE("A", 1, "first");
    e->CREATE("B", "two");
    e->CREATE("D", When, "date");
    e->CREATE("O", Ref<Object>(CoreList::create()));
    e->CREATE("ARR", VariantArray{ 1, "x" });
    return e;
}
template <>
Ref<cls_VornEnumerations> sample()
{
    auto lists = cls_VornEnumerations::create();
    lists->ADD(sample<cls_VornEnumeration>());
    lists->CREATE("Sizes", "how big")->CREATE("ONE", 1);
    return lists;
}

// Packages of a class's own shape whose counts or parts do not fit together.
template <class C>
std::vector<QString> misfits()
{
    return {};
}
template <>
std::vector<QString> misfits<cls_VornAttributes>()
{
    return {
        Package::PACK({ 1, VariantArray{ Variant(), "A" } }),                               // two values
        Package::PACK({ 2, VariantArray{ Variant(), "A" }, VariantArray{ Variant(), 1 } }), // count too big
        Package::PACK({ -1, VariantArray{}, VariantArray{} }),
        Package::PACK({ 1, VariantArray{ Variant(), VariantArray{} }, VariantArray{ Variant(), 1 } }), // name no text
        Package::PACK({ 1, "names", VariantArray{ Variant(), 1 } }),
    };
}
template <>
std::vector<QString> misfits<cls_VornEnumeration>()
{
    return {
        Package::PACK({ "K", "", 3, VariantArray{ "", "A" }, VariantArray{ 0, 1 }, VariantArray{ "", "" } }),
        Package::PACK({ "K", "", 1, VariantArray{ "", "A" }, VariantArray{ 0 }, VariantArray{ "", "" } }),
        Package::PACK({ "K", "", -1, VariantArray{}, VariantArray{}, VariantArray{} }),
        Package::PACK({ "K", "", 1, VariantArray{ "", VariantArray{} }, VariantArray{ 0, 1 }, VariantArray{ "", "" } }),
    };
}

template <class C>
class PersistenceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

using Classes = ::testing::Types<CoreList, cls_VornAttributes, cls_VornElement, cls_VornElements, cls_VornAttributeDef,
                                 cls_VornAttributeDefs, cls_VornElementDef, cls_VornElementDefs, cls_VornEnumeration,
                                 cls_VornEnumerations>;
TYPED_TEST_SUITE(PersistenceTest, Classes);

} // namespace

TYPED_TEST(PersistenceTest, PackageRecordAndCopyKeepEverything)
{
    auto source = sample<TypeParam>();
    source->DATA().setKEY("KEY");
    const QString package = source->DATA().PACKAGE();

    auto unpacked = TypeParam::create();
    unpacked->DATA().setPACKAGE(package);
    ASSERT_TRUE(source->SAVE(this->path("a.rec")));
    auto loaded = TypeParam::create();
    ASSERT_TRUE(loaded->LOAD(this->path("a.rec")));
    auto copy = TypeParam::create();
    copy->DATA().setKEY("OLD");
    copy->DATA().COPY(source);
    // A record read directly, followed by one of another version that is refused.
    auto f = CoreFile::create();
    f->OPEN(this->path("b.rec"), CoreFile::ModeWrite);
    source->DATA().STORE(*f);
    f->WRITETAG("9.9");
    f->WRITE({ "ID", "", 0 });
    f->CLOSE();
    auto read = TypeParam::create();
    f->OPEN(this->path("b.rec"), CoreFile::ModeRead);
    EXPECT_TRUE(read->DATA().READ(*f));

    for (TypeParam* other : { unpacked.get(), loaded.get(), copy.get(), read.get() }) {
        EXPECT_EQ(other->DATA().PACKAGE(), package);
        if constexpr (!std::is_same_v<TypeParam, cls_VornAttributes>) { // a bag packs no key
            EXPECT_EQ(other->DATA().KEY(), Variant("KEY"));
        }
    }
    EXPECT_FALSE(read->DATA().READ(*f));
    EXPECT_EQ(read->DATA().PACKAGE(), package);

    // Keys keep their kind through a package and a record (an empty key once came back as "").
    for (const Variant& key : { Variant(), Variant(7), Variant(QStringLiteral("K")) }) {
        auto keyed = TypeParam::create();
        keyed->DATA().setKEY(key);
        auto again = TypeParam::create();
        again->DATA().setPACKAGE(keyed->DATA().PACKAGE());
        EXPECT_EQ(again->DATA().PACKAGE(), keyed->DATA().PACKAGE());
        ASSERT_TRUE(keyed->SAVE(this->path("k.rec")));
        ASSERT_TRUE(again->LOAD(this->path("k.rec")));
        if constexpr (!std::is_same_v<TypeParam, cls_VornAttributes>) {
            EXPECT_EQ(again->DATA().KEY().kind(), key.kind());
        }
    }

    // The copy shares no owned part: emptying it in place leaves the source as it was.
    copy->DATA().setPACKAGE(TypeParam::create()->DATA().PACKAGE());
    EXPECT_NE(copy->DATA().PACKAGE(), package);
    EXPECT_EQ(source->DATA().PACKAGE(), package);
    if constexpr (std::is_same_v<TypeParam, CoreList>)
        EXPECT_THROW(copy->DATA().COPY(cls_VornElement::create()), Error);
    else
        EXPECT_THROW(copy->DATA().COPY(CoreList::create()), Error);
}

TYPED_TEST(PersistenceTest, BadInputChangesNothing)
{
    auto object = sample<TypeParam>();
    const QString before = object->DATA().PACKAGE();
    // Every proper prefix of a package, and packages of the wrong shape.
    for (qsizetype cut = 0; cut < before.size(); cut += 1 + cut / 64) {
        EXPECT_THROW(object->DATA().setPACKAGE(before.left(cut)), Error) << cut;
        ASSERT_EQ(object->DATA().PACKAGE(), before) << cut;
    }
    std::vector<QString> bad = misfits<TypeParam>();
    bad.insert(bad.end(), { QStringLiteral("garbage"), Package::PACK({ "K" }), Package::PACK({ "K", 1 }) });
    for (const QString& text : bad) {
        EXPECT_THROW(object->DATA().setPACKAGE(text), Error) << text.toStdString();
        ASSERT_EQ(object->DATA().PACKAGE(), before);
    }

    // Records: missing, not a record, of another version, cut short; no file name; unwritable.
    ASSERT_TRUE(object->SAVE(this->path("good.rec")));
    const Variant tag = support::openRecord(this->path("good.rec"))->READVALUE();
    support::writeRecord(this->path("other.rec"), { "9.9", "ID", "Sort", 0, 0, false });
    support::writeRecord(this->path("cut.rec"), { tag });
    support::writeFile(this->path("garbage.rec"), QByteArray("VORNREC\0\x01\x00 not a record at all", 30));
    EXPECT_FALSE(object->LOAD(this->path("missing.rec")));
    EXPECT_FALSE(object->LOAD(this->path("garbage.rec")));
    object->LOAD(this->path("other.rec"));
    EXPECT_FALSE(object->LOAD(this->path("cut.rec")));
    EXPECT_FALSE(object->LOAD(QString()));
    EXPECT_FALSE(object->SAVE(this->path("no/such/folder/x.rec")));
    EXPECT_EQ(object->DATA().PACKAGE(), before);
}

namespace {

// A package given value by value, with every reserved slot filled: unpacking and packing keep
// all slots; a copy carries all but the reserved ones, in either direction; a slot of the
// wrong kind raises and changes nothing.
template <class C>
void checkSlots(const VariantArray& full, std::initializer_list<int> reserved, std::initializer_list<int> skip,
                std::initializer_list<std::pair<int, Variant>> bad)
{
    const auto n = qsizetype(full.size());
    const VariantArray fresh = Package::UNPACK(C::create()->DATA().PACKAGE(), n);
    auto isIn = [](int i, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), i) != set.end(); };
    auto expectSlots = [&](const Ref<C>& object, const VariantArray& forReserved, const VariantArray& forOthers) {
        const VariantArray got = Package::UNPACK(object->DATA().PACKAGE(), n);
        for (int i = 0; i < int(n); ++i) {
            const Variant& want = isIn(i, reserved) ? forReserved[size_t(i)] : forOthers[size_t(i)];
            if (isIn(i, skip))
                continue;
            EXPECT_EQ(got[size_t(i)].kind(), want.kind()) << "slot " << i;
            EXPECT_EQ(got[size_t(i)], want) << "slot " << i;
        }
    };
    auto filled = C::create();
    filled->DATA().setPACKAGE(Package::PACK(full));
    expectSlots(filled, full, full);
    auto copy = C::create();
    copy->DATA().COPY(filled);
    expectSlots(copy, fresh, full);
    auto target = C::create();
    target->DATA().setPACKAGE(Package::PACK(full));
    target->DATA().COPY(C::create());
    expectSlots(target, full, fresh);

    const QString before = filled->DATA().PACKAGE();
    for (const auto& [slot, value] : bad) {
        VariantArray wrong = full;
        wrong[size_t(slot)] = value;
        EXPECT_THROW(filled->DATA().setPACKAGE(Package::PACK(wrong)), Error) << "slot " << slot;
        EXPECT_EQ(filled->DATA().PACKAGE(), before);
    }
}

// The fields of a definition, as one comparable text.
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

TEST(PersistenceSlotsTest, ElementKeepsReservedSlots)
{
    auto attributes = cls_VornAttributes::create();
    attributes->setVALUE("A", 1);
    attributes->setVALUE("B", VariantArray{ "x", 2.5 });
    auto children = cls_VornElements::create();
    children->DATA().setKEY("LISTKEY");
    auto child = children->CREATE("CHILD");
    child->setUID(8);
    child->ELEMENTS()->CREATE("GRANDCHILD")->ERRORSET("deep");
    QString damagedChild = children->DATA().PACKAGE(); // a child deep inside whose package is cut short
    damagedChild.replace("GRANDCHILD", "GRANDCHILD\x01");
    checkSlots<cls_VornElement>({ "EL", "Sort", attributes->PACKAGE(), children->DATA().PACKAGE(), "r1", "r2", "r3",
                                  "errors", "r4", true, false, true, true, true, 11, -12, 13, 2147483647, 7 },
                                { 4, 5, 6, 8, 9, 10, 11, 12, 14, 15, 16, 17 }, { 2, 3 },
                                { { 3, "VP1A2:EA2:EO3:abc0:" },
                                  { 2, Package::PACK({ 5, VariantArray{}, VariantArray{} }) },
                                  { 18, VariantArray{} },
                                  { 14, 1e10 },
                                  { 3, damagedChild } });
}

TEST(PersistenceSlotsTest, AttributeDefKeepsReservedSlots)
{
    checkSlots<cls_VornAttributeDef>(
        { "Name", "described", 103, true, 5, "reserved text", "COLORS", true, true, -5, 2147483647 }, { 5, 7, 9, 10 },
        {}, { { 2, "LONG" }, { 3, VariantArray{} } });
}

// Each slot lands in its field; the lists and attributes are refilled in place by unpacking and
// duplicated by a copy.
TEST(PersistenceSlotsTest, ElementDefKeepsReservedSlots)
{
    auto attributes = cls_VornAttributeDefs::create();
    attributes->DATA().setKEY(QStringLiteral("ATTRS"));
    attributes->CREATE(QStringLiteral("ID"), TypeString, QString(), true);
    attributes->CREATE(QStringLiteral("SIZE"), TypeLong, 4)->setFIXED(true);
    const VariantArray full = { "Type",
                                attributes->DATA().PACKAGE(),
                                "description",
                                listPackage({ "CLONEPARENT" }),
                                listPackage({ "NONE", "Parent" }),
                                listPackage({ "REQ" }),
                                listPackage({ "NEXT1", "NEXT2" }),
                                listPackage({ "PREV" }),
                                1,
                                9,
                                true,
                                "rt1",
                                "rt2",
                                "icon.png",
                                "group",
                                "source.vorn",
                                true,
                                false,
                                true,
                                true,
                                true,
                                -1,
                                2,
                                -3,
                                4,
                                0x123456,
                                listPackage({ "CHILD" }),
                                listPackage({ "ANCESTOR" }) };
    checkSlots<cls_VornElementDef>(
        full, { 11, 12, 16, 17, 18, 19, 21, 22, 23, 24 }, {},
        { { 4, Package::PACK({ Variant(), 8 }) }, { 1, listPackage({ "not", "definitions" }) } });

    auto source = cls_VornElementDef::create();
    source->DATA().setPACKAGE(Package::PACK(full));
    const QString expected = QStringLiteral(
        "Type|description|group|icon.png|source.vorn|1193046|1|9|1|1|ID|"
        "[NONE,Parent]|[CLONEPARENT]|[REQ]|[NEXT1,NEXT2]|[PREV]|[CHILD]|[ANCESTOR]");
    EXPECT_EQ(visible(*source), expected);
    auto copy = cls_VornElementDef::create();
    copy->DATA().COPY(source);
    EXPECT_EQ(visible(*copy), expected);
    EXPECT_NE(copy->ATTRIBUTES()->Item(1), source->ATTRIBUTES()->Item(1));
    auto parents = copy->PARENTSALLOWED();
    auto defs = copy->ATTRIBUTES();
    copy->DATA().setPACKAGE(cls_VornElementDef::create()->DATA().PACKAGE());
    EXPECT_EQ(copy->PARENTSALLOWED(), parents);
    EXPECT_EQ(copy->ATTRIBUTES(), defs);
    EXPECT_EQ(parents->COUNT(), 0);
    EXPECT_EQ(visible(*source), expected);
}

TEST(PersistenceSlotsTest, StructureKeepsReservedSlots)
{
    VariantArray full = Package::UNPACK(support::sampleStructure()->DATA().PACKAGE(), 20);
    for (auto [i, v] : { std::pair<int, Variant>(0, "KEY"),
                         { 3, "r1" },
                         { 4, "r2" },
                         { 5, "r3" },
                         { 8, true },
                         { 9, true },
                         { 10, true },
                         { 11, true },
                         { 13, 13 },
                         { 14, 14 },
                         { 15, 15 },
                         { 16, 16 } })
        full[size_t(i)] = v;
    checkSlots<cls_VornStructure>(full, { 3, 4, 5, 8, 9, 10, 11, 13, 14, 15, 16 }, { 1, 2, 18, 19 },
                                  { { 17, VariantArray{} }, { 2, "VP1A2:EA2:EO3:abc0:" } });
}
