#include <vorn/vorn.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

namespace {

const QString Definitions = QStringLiteral("BEGIN ENUMERATION NAME=\"KIND\"\n  ENUMITEM NAME=\"A\", VALUE=1\nEND\n"
                                           "BEGIN ELEMENT NAME=\"NODE\", ICON=\"n\"\n"
                                           "  STRING NAME=\"ID\", REQUIRED=no\n"
                                           "  STRING NAME=\"TEXT\", REQUIRED=no, DEFAULT=\"t\"\n"
                                           "  ENUM ENUMID=\"KIND\", NAME=\"K\", REQUIRED=no, DEFAULT=\"A\"\n"
                                           "END\n");

// A structure with definitions, a value list, nested elements, element and structure errors.
Ref<cls_VornStructure> sample()
{
    auto s = cls_VornStructure::create();
    s->PARSE(Definitions + "BEGIN NODE \"ROOT\", TEXT=\"Grüße €\"\n  NODE \"CHILD\", K=\"A\"\nEND\nNODE \"BAD\", Q=1\nEND");
    s->setROOT("/some/root/");
    s->INCLUDEFOLDERS()->ADD("/inc/");
    s->DATA().setKEY("KEY1");
    s->setSOURCE("not persisted");
    return s;
}

// The parts of a structure that persistence and copies must keep.
void expectSameContent(cls_VornStructure& a, cls_VornStructure& b)
{
    EXPECT_EQ(a.DATA().KEY(), b.DATA().KEY());
    EXPECT_EQ(a.ERRORTEXT(), b.ERRORTEXT());
    EXPECT_EQ(a.ERRORS(), b.ERRORS());
    EXPECT_EQ(a.ROOT(), b.ROOT());
    EXPECT_EQ(a.UIDLAST(), b.UIDLAST());
    EXPECT_EQ(a.INCLUDEFOLDERS()->items(), b.INCLUDEFOLDERS()->items());
    ASSERT_EQ(a.DEFINITIONS()->COUNT(), b.DEFINITIONS()->COUNT());
    for (qint32 i = 1; i <= a.DEFINITIONS()->COUNT(); ++i) {
        EXPECT_EQ(a.DEFINITIONS()->Item(i)->NAME(), b.DEFINITIONS()->Item(i)->NAME());
        EXPECT_EQ(a.DEFINITIONS()->Item(i)->ATTRIBUTES()->COUNT(), b.DEFINITIONS()->Item(i)->ATTRIBUTES()->COUNT());
    }
    ASSERT_EQ(a.ENUMERATIONS()->COUNT(), b.ENUMERATIONS()->COUNT());
    EXPECT_EQ(b.ENUMERATIONS()->ENCODE("KIND", "A"), Variant(1.0));
    ASSERT_EQ(a.ELEMENTS()->COUNT(true), b.ELEMENTS()->COUNT(true));
    for (const char* id : { "ROOT", "CHILD", "BAD" }) {
        auto x = a.ELEMENT(id);
        auto y = b.ELEMENT(id);
        ASSERT_TRUE(x && y) << id;
        EXPECT_EQ(x->UID(), y->UID());
        EXPECT_EQ(x->SORT(), y->SORT());
        EXPECT_EQ(x->ERRORTEXT(), y->ERRORTEXT());
        ASSERT_EQ(x->ATTRIBUTES()->COUNT(), y->ATTRIBUTES()->COUNT());
        for (qint32 i = 1; i <= x->ATTRIBUTES()->COUNT(); ++i)
            EXPECT_EQ(x->ATTRIBUTES()->VALUE(i), y->ATTRIBUTES()->VALUE(i));
    }
    EXPECT_EQ(b.ELEMENTPARENT("CHILD")->ID(), "ROOT");
}

QString readAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void writeFile(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

// ---- the built-in language ----

TEST(BuiltinLanguageTest, NineteenInternalDefinitionsInOrder)
{
    auto s = cls_VornStructure::create();
    auto& defs = *s->DEFINITIONS();
    const QStringList names = { "INCLUDE", "ENUMERATION", "ENUMITEM", "ELEMENT", "MODIFY", "CLONE", "FIX",
                                "DEFAULT", "REQUIRE", "UNFIX", "FIXALL", "PARENT", "STRING", "LONG",
                                "DOUBLE", "BOOL", "DATE", "ATOMIC", "ENUM" };
    const int counts[] = { 1, 2, 3, 5, 5, 6, 2, 2, 1, 1, 0, 9, 4, 4, 4, 4, 4, 4, 5 };
    ASSERT_EQ(defs.COUNT(), 19);
    for (qint32 i = 1; i <= 19; ++i) {
        auto d = defs.Item(i);
        EXPECT_EQ(d->NAME(), names[i - 1]);
        EXPECT_TRUE(d->INTERNAL());
        EXPECT_EQ(d->ATTRIBUTES()->COUNT(), counts[i - 1]) << d->NAME().toStdString();
        EXPECT_EQ(d->GROUP(), "");
        EXPECT_EQ(d->COLOR(), 0);
        EXPECT_EQ(d->PARENTCLONESALLOWED()->COUNT(), 0);
        for (qint32 k = 1; k <= d->ATTRIBUTES()->COUNT(); ++k) {
            auto a = d->ATTRIBUTES()->Item(k);
            EXPECT_FALSE(a->FIXED());
            EXPECT_EQ(a->DEFAULT(), a->NAME() == "REQUIRED" ? Variant(true) : Variant(""));
            EXPECT_EQ(a->DEFAULT().kind(), a->NAME() == "REQUIRED" ? Variant::Kind::Bool : Variant::Kind::Text);
        }
    }
    auto parents = [&](const char* name) { return defs.Item(name)->PARENTSALLOWED()->items(); };
    EXPECT_EQ(parents("INCLUDE"), QStringList({ "NONE" }));
    EXPECT_EQ(parents("ENUMITEM"), QStringList({ "ENUMERATION" }));
    EXPECT_EQ(parents("FIXALL"), QStringList({ "CLONE", "MODIFY" }));
    EXPECT_EQ(parents("PARENT"), QStringList({ "ELEMENT" }));
    EXPECT_EQ(parents("ENUM"), QStringList({ "ELEMENT", "MODIFY", "CLONE" }));
    EXPECT_EQ(parents("DATE"), QStringList({ "ELEMENT", "MODIFY", "CLONE" }));

    // A spawned structure is constructed the same way.
    auto spawned = std::dynamic_pointer_cast<cls_VornStructure>(s->DATA().SPAWN());
    ASSERT_TRUE(spawned);
    EXPECT_EQ(spawned->DEFINITIONS()->COUNT(), 19);
}

TEST(BuiltinLanguageTest, AttributesTypesAndDescriptions)
{
    auto s = cls_VornStructure::create();
    auto definition = [&](const char* name) { return s->DEFINITIONS()->Item(name); };
    auto attribute = [&](const char* def, const char* name) { return definition(def)->ATTRIBUTES()->Item(name); };
    EXPECT_EQ(definition("ENUMITEM")->DESCRIPTION(), "");
    EXPECT_EQ(definition("LONG")->DESCRIPTION(), "Erstellt ein Attribut mit dem Datentyp LONG");
    EXPECT_EQ(definition("ENUM")->DESCRIPTION(), "Erstellt ein Attribut mit dem Datentyp Werte-Liste");
    EXPECT_EQ(attribute("DEFAULT", "VALUE")->DESCRIPTION(), "Wert für die Fixierung");
    EXPECT_EQ(attribute("PARENT", "ELEMENT7")->DESCRIPTION(), "Übergeordnetes Element 7");
    EXPECT_EQ(definition("ENUM")->ATTRIBUTES()->Item(1)->NAME(), "ENUMID");
    EXPECT_EQ(attribute("ENUMITEM", "VALUE")->SORT(), TypeEnum);
    EXPECT_EQ(attribute("FIX", "VALUE")->SORT(), TypeAtomic);
    EXPECT_EQ(attribute("CLONE", "COLOR")->SORT(), TypeColor);
    EXPECT_EQ(attribute("BOOL", "REQUIRED")->SORT(), TypeBool);
    for (qint32 i = 1; i <= 9; ++i)
        EXPECT_EQ(definition("PARENT")->ATTRIBUTES()->Item(i)->REQUIRED(), i == 1);
    EXPECT_TRUE(attribute("ENUM", "NAME")->REQUIRED());
    EXPECT_FALSE(attribute("ENUM", "REQUIRED")->REQUIRED());
}

// ---- entry objects ----

TEST(StructureTest, OneToolPerThread)
{
    Ref<cls_VornTool> mine = VORN();
    EXPECT_EQ(VORN(), mine);
    Ref<cls_VornTool> theirs, theirsAgain;
    std::thread([&] {
        theirs = VORN();
        theirsAgain = VORN();
    }).join();
    ASSERT_TRUE(theirs);
    EXPECT_EQ(theirs, theirsAgain);
    EXPECT_NE(theirs, mine);
}

TEST(StructureTest, ToolParseRaisesOnlyOnRequest)
{
    auto expectRaise = [](const QString& script, const Ref<CoreList>& list) {
        try {
            VORN()->PARSE(script, list, true);
            ADD_FAILURE() << "no error for " << script.toStdString();
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), 4000);
            EXPECT_EQ(e.source(), "VORN.PARSE");
            EXPECT_EQ(e.description(), "Input script could not be parsed");
        }
    };
    expectRaise("END", {});              // a structure error
    expectRaise("UNKNOWN", {});          // an element error, through the list
    auto filled = CoreList::create();
    filled->ADD("from before");
    expectRaise("", filled);             // a list that already holds an entry

    auto list = CoreList::create();
    auto s = VORN()->PARSE("BEGIN ELEMENT NAME=\"OK\"\nEND\nOK", list, true);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(list->COUNT(), 0);

    s = VORN()->PARSE("END\nUNKNOWN", list);
    EXPECT_TRUE(s->ERRORS());
    EXPECT_TRUE(s->ERRORSGLOBAL());
    EXPECT_EQ(list->COUNT(), 2);
    EXPECT_NE(VORN()->PARSE(""), s); // a new structure every time
}

TEST(StructureTest, LoadSearchesTheNameThenTheIncludeFolders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString second = dir.path() + "/second/";
    writeFile(second + "main.vs", "BEGIN ELEMENT NAME=\"LOADED\"\nEND\nLOADED\n");
    QDir().mkpath(dir.path() + "/first");

    auto s = cls_VornStructure::create();
    s->INCLUDEFOLDERS()->ADD(dir.path() + "/first/");
    s->INCLUDEFOLDERS()->ADD(second);
    EXPECT_TRUE(s->LOAD("main.vs"));
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_TRUE(s->LOAD(second + "main.vs"));
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 2);

    auto t = cls_VornStructure::create();
    t->setROOT(second); // ROOT takes no part in LOAD
    t->INCLUDEFOLDERS()->ADD(dir.path() + "/second");
    EXPECT_FALSE(t->LOAD("main.vs"));
    EXPECT_FALSE(t->LOAD(second)); // a folder is no file
    EXPECT_FALSE(t->LOAD("/dev/null"));
    EXPECT_EQ(t->UIDLAST(), 0);
    EXPECT_EQ(t->ELEMENTS()->COUNT(), 0);
}

// Reading a small script must not reserve memory in proportion to the size limit for files.
TEST(StructureTest, LoadOfASmallFileNeedsLittleMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer reserves address space of its own";
#else
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeFile(dir.path() + "/small.vs", "BEGIN ELEMENT NAME=\"SMALL\"\nEND\n");
    // In the child: 64 MiB more address space than it uses now, then LOAD.
    auto loadWithLittleRoom = [](const QString& file) {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(64) << 20);
        const rlimit both{ limit, limit };
        setrlimit(RLIMIT_AS, &both);
        return cls_VornStructure::create()->LOAD(file) ? 0 : 1;
    };
    EXPECT_EXIT(std::exit(loadWithLittleRoom(dir.path() + "/small.vs")), ::testing::ExitedWithCode(0), "");
#endif
}

TEST(StructureTest, SaveWritesTheScriptTextAsUtf8)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto s = cls_VornStructure::create();
    s->PARSE(Definitions + "BEGIN NODE \"ROOT\", TEXT=\"Grüße €\"\n  NODE \"CHILD\", K=\"A\"\nEND");
    const QString file = dir.path() + "/out.vs";
    ASSERT_TRUE(s->SAVE(file));
    const QStringList lines = s->scriptLines()->items();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(readAll(file), lines.join("\n") + "\n");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"));


    // A failed save answers False and leaves the file as it was.
    s->ELEMENT("CHILD")->ATTRIBUTES()->setVALUE("TEXT", "a\"b");
    EXPECT_FALSE(s->SAVE(file));
    EXPECT_EQ(readAll(file), lines.join("\n") + "\n");
    EXPECT_FALSE(cls_VornStructure::create()->SAVE(dir.path() + "/missing/out.vs"));
}

TEST(StructureTest, ViewWithoutViewerRaises)
{
    auto s = cls_VornStructure::create();
    EXPECT_THROW(s->VIEW(), Error);
}

// ---- persistence ----

TEST(StructureTest, PackageHoldsTwentyValuesAndRestoresEverything)
{
    auto s = sample();
    const QString package = s->DATA().PACKAGE();
    VariantArray values = Package::UNPACK(package, 20);
    EXPECT_EQ(values[0], Variant("KEY1"));
    EXPECT_EQ(values[6], Variant(s->ERRORTEXT()));
    EXPECT_EQ(values[7], Variant("/some/root/"));
    EXPECT_EQ(values[12], Variant(true));
    EXPECT_EQ(values[17], Variant(s->UIDLAST()));
    EXPECT_EQ(values[1], Variant(s->DEFINITIONS()->DATA().PACKAGE()));
    EXPECT_EQ(values[19], Variant(s->INCLUDEFOLDERS()->DATA().PACKAGE()));

    auto t = cls_VornStructure::create();
    t->setSOURCE("fresh");
    t->DATA().setPACKAGE(package);
    expectSameContent(*s, *t);
    EXPECT_EQ(t->SOURCE(), "fresh");

    // The reserved fields travel with the package.
    values[3] = "r1";
    values[5] = "r3";
    values[8] = true;
    values[11] = true;
    values[13] = 13;
    values[16] = 16;
    auto u = cls_VornStructure::create();
    u->DATA().setPACKAGE(Package::PACK(values));
    const VariantArray again = Package::UNPACK(u->DATA().PACKAGE(), 20);
    for (int i : { 3, 5, 8, 11, 13, 16 })
        EXPECT_EQ(again[size_t(i)], values[size_t(i)]) << i;

    // A damaged package raises and changes nothing.
    EXPECT_THROW(u->DATA().setPACKAGE(package.left(package.size() / 2)), Error);
    EXPECT_EQ(u->ELEMENTS()->COUNT(true), 3);
}

// Found by fuzzing: an empty key came back as an empty text, so a fresh structure's package
// changed on its way through a fresh object. Keys keep their kind in every class.
TEST(StructureTest, PackagesKeepTheKindOfEveryKey)
{
    const std::vector<Ref<DataEvents>> objects = {
        cls_VornStructure::create(),  cls_VornElements::create(),     cls_VornElement::create(),
        cls_VornElementDefs::create(), cls_VornElementDef::create(),   cls_VornAttributeDefs::create(),
        cls_VornAttributeDef::create(), cls_VornEnumerations::create(), cls_VornEnumeration::create(),
        CoreList::create() };
    for (const Ref<DataEvents>& o : objects) {
        for (const Variant& key : { Variant(), Variant(7), Variant(QStringLiteral("K")) }) {
            o->DATA().setKEY(key);
            const QString package = o->DATA().PACKAGE();
            auto fresh = std::dynamic_pointer_cast<DataEvents>(o->DATA().SPAWN());
            fresh->DATA().setPACKAGE(package);
            EXPECT_EQ(fresh->DATA().KEY().kind(), key.kind()) << o->className().toStdString();
            EXPECT_EQ(fresh->DATA().PACKAGE(), package) << o->className().toStdString();
        }
    }
}

TEST(StructureTest, RecordVersionsAndCopies)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto s = sample();
    const QString file = dir.path() + "/s.rec";
    {
        auto out = CoreFile::create();
        out->OPEN(file, CoreFile::ModeWrite);
        s->DATA().STORE(*out);
        out->CLOSE();
    }
    {
        auto in = CoreFile::create();
        in->OPEN(file, CoreFile::ModeRead);
        EXPECT_EQ(in->READVALUE(), Variant("1.1"));
    }
    auto readInto = [&](const Ref<cls_VornStructure>& target) {
        auto in = CoreFile::create();
        in->OPEN(file, CoreFile::ModeRead);
        return target->DATA().READ(*in);
    };
    auto t = cls_VornStructure::create();
    ASSERT_TRUE(readInto(t));
    expectSameContent(*s, *t);

    // The same record under the older version "1.0" is read as well; another version is not.
    auto writeVersion = [&](const QString& version) {
        auto out = CoreFile::create();
        out->OPEN(file, CoreFile::ModeWrite);
        out->WRITE({ version, s->DATA().KEY(), "", "", "", s->ERRORTEXT(), s->ROOT(), false, false, false, false,
                     s->ERRORS(), 0, 0, 0, 0, s->UIDLAST() });
        s->DEFINITIONS()->DATA().STORE(*out);
        s->ELEMENTS()->DATA().STORE(*out);
        s->ENUMERATIONS()->DATA().STORE(*out);
        s->INCLUDEFOLDERS()->DATA().STORE(*out);
        out->CLOSE();
    };
    writeVersion("1.0");
    t = cls_VornStructure::create();
    ASSERT_TRUE(readInto(t));
    expectSameContent(*s, *t);
    writeVersion("2.0");
    t = cls_VornStructure::create();
    EXPECT_FALSE(readInto(t));
    EXPECT_EQ(t->DEFINITIONS()->COUNT(), 19);
    EXPECT_EQ(t->ELEMENTS()->COUNT(), 0);

    // A copy is deep and leaves SOURCE alone.
    auto c = cls_VornStructure::create();
    c->setSOURCE("mine");
    c->DATA().COPY(*s);
    expectSameContent(*s, *c);
    EXPECT_EQ(c->SOURCE(), "mine");
    c->ELEMENT("CHILD")->ATTRIBUTES()->setVALUE("TEXT", "changed");
    c->DEFINITIONS()->Item("NODE")->ATTRIBUTES()->Item("TEXT")->setDEFAULT("changed");
    c->INCLUDEFOLDERS()->ADD("/more/");
    EXPECT_EQ(s->ELEMENT("CHILD")->ATTRIBUTES()->VALUE("TEXT"), Variant("t"));
    EXPECT_EQ(s->DEFINITIONS()->Item("NODE")->ATTRIBUTES()->Item("TEXT")->DEFAULT(), Variant("t"));
    EXPECT_EQ(s->INCLUDEFOLDERS()->COUNT(), 1);
}
