// What every persistent class promises: packages, records and copies, and bad input that
// changes nothing.
#include <vorn/vorn.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

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
    const std::pair<const char*, Variant> pairs[] = {
        { "text", "t" }, { "empty text", "" }, { "empty", Variant() }, { "long", -7 }, { "double", 0.25 }, { "bool", true },
        { "date", When }, { "array", VariantArray{ 1, VariantArray{ "in", false } } },
        { "object", Ref<Object>(sample<cls_VornElement>()) }, { "none", Ref<Object>() } };
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

template <class C>
class PersistenceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    void writeRecord(const QString& file, const VariantArray& values)
    {
        auto f = CoreFile::create();
        f->OPEN(file, CoreFile::ModeWrite);
        for (const Variant& v : values)
            f->WRITE(v);
        f->CLOSE();
    }
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
        if constexpr (!std::is_same_v<TypeParam, cls_VornAttributes>) // a bag packs no key
            EXPECT_EQ(other->DATA().KEY(), Variant("KEY"));
    }
    EXPECT_FALSE(read->DATA().READ(*f));
    EXPECT_EQ(read->DATA().PACKAGE(), package);

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
    for (const QString& bad : { QStringLiteral("garbage"), Package::PACK({ "K" }), Package::PACK({ "K", 1 }) })
        EXPECT_THROW(object->DATA().setPACKAGE(bad), Error);

    // Records: missing, not a record, of another version, cut short; no file name; unwritable.
    ASSERT_TRUE(object->SAVE(this->path("good.rec")));
    auto f = CoreFile::create();
    f->OPEN(this->path("good.rec"), CoreFile::ModeRead);
    const Variant tag = f->READVALUE();
    f->CLOSE();
    this->writeRecord(this->path("other.rec"), { "9.9", "ID", "Sort", 0, 0, false });
    this->writeRecord(this->path("cut.rec"), { tag });
    QFile garbage(this->path("garbage.rec"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("VORNREC\0\x01\x00 not a record at all", 30);
    garbage.close();
    EXPECT_FALSE(object->LOAD(this->path("missing.rec")));
    EXPECT_FALSE(object->LOAD(this->path("garbage.rec")));
    object->LOAD(this->path("other.rec"));
    EXPECT_FALSE(object->LOAD(this->path("cut.rec")));
    EXPECT_FALSE(object->LOAD(QString()));
    EXPECT_FALSE(object->SAVE(this->path("no/such/folder/x.rec")));
    EXPECT_EQ(object->DATA().PACKAGE(), before);
}
