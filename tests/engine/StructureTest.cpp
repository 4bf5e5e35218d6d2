// The tool, the structure's files and what its package, record and copy rebuild.
#include "support/Engine.h"

#include <QTemporaryDir>

#include <fstream>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

using namespace support;

namespace {

// The parts of a structure that persistence and copies must keep, as one text.
QString content(cls_VornStructure& s)
{
    QStringList out{ s.DATA().KEY().toText(),
                     s.ERRORTEXT(),
                     s.ROOT(),
                     QString::number(s.UIDLAST()),
                     s.INCLUDEFOLDERS()->items().join(','),
                     s.ENUMERATIONS()->ENCODE("KIND", "A").toText() };
    for (qint32 i = 1; i <= s.DEFINITIONS()->COUNT(); ++i)
        out << s.DEFINITIONS()->Item(i)->NAME() + QString::number(s.DEFINITIONS()->Item(i)->ATTRIBUTES()->COUNT());
    for (const char* id : { "ROOT", "CHILD", "BAD" }) {
        auto e = s.ELEMENT(id);
        out << (e ? QStringList{ e->SORT(), QString::number(e->UID()), e->ERRORTEXT(), e->ATTRIBUTELIST() }.join(' ')
                  : "-");
    }
    auto parent = s.ELEMENTPARENT("CHILD");
    return out.join('|') + "|" + (parent ? parent->ID() : "-");
}

} // namespace

TEST(StructureTest, ToolIsPerThreadAndRaisesOnlyOnRequest)
{
    Ref<cls_VornTool> mine = VORN(), theirs, theirsAgain;
    EXPECT_EQ(VORN(), mine);
    std::thread([&] { theirs = VORN(), theirsAgain = VORN(); }).join();
    EXPECT_TRUE(theirs && theirs == theirsAgain && theirs != mine);

    auto filled = CoreList::create();
    filled->ADD("from before");
    // A structure error, an element error, a list that already holds an entry.
    for (const auto& [script, list] :
         { std::pair<QString, Ref<CoreList>>("END", {}), { "UNKNOWN", {} }, { "", filled } }) {
        try {
            VORN()->PARSE(script, list, true);
            ADD_FAILURE() << "no error for " << script.toStdString();
        } catch (const Error& e) {
            EXPECT_EQ(QStringList({ QString::number(e.number()), e.source(), e.description() }),
                      QStringList({ "4000", "VORN.PARSE", "Input script could not be parsed" }));
        }
    }
    auto list = CoreList::create();
    auto s = VORN()->PARSE("BEGIN ELEMENT NAME=\"OK\"\nEND\nOK", list, true);
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 1);
    s = VORN()->PARSE("END\nUNKNOWN", list);
    EXPECT_TRUE(s->ERRORS() && s->ERRORSGLOBAL());
    EXPECT_EQ(list->COUNT(), 2);
    EXPECT_NE(VORN()->PARSE(""), s); // a new structure every time
    // A spawned structure holds the language as a new one does; without a viewer VIEW raises.
    EXPECT_EQ(std::dynamic_pointer_cast<cls_VornStructure>(s->DATA().SPAWN())->DEFINITIONS()->COUNT(), 19);
    EXPECT_THROW(s->VIEW(), Error);
}

TEST(StructureTest, LoadAndSave)
{
    QTemporaryDir dir;
    const QString second = dir.path() + "/second/";
    writeFile(second + "main.vs", "BEGIN ELEMENT NAME=\"LOADED\"\nEND\nLOADED\n");
    QDir().mkpath(dir.path() + "/first");
    // LOAD searches the name as given, then the include folders; ROOT takes no part.
    auto s = cls_VornStructure::create();
    s->INCLUDEFOLDERS()->ADD(dir.path() + "/first/");
    s->INCLUDEFOLDERS()->ADD(second);
    EXPECT_TRUE(s->LOAD("main.vs"));
    EXPECT_TRUE(s->LOAD(second + "main.vs"));
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 2);
    auto t = cls_VornStructure::create();
    t->setROOT(second);
    t->INCLUDEFOLDERS()->ADD(dir.path() + "/second");
    for (const QString& name : { QString("main.vs"), second, QString("/dev/null") })
        EXPECT_FALSE(t->LOAD(name)) << name.toStdString();
    EXPECT_EQ(t->UIDLAST(), 0);

    // SAVE writes the script text as UTF-8; a failed save leaves the file as it was.
    s = sampleStructure();
    const QString file = dir.path() + "/out.vs";
    ASSERT_TRUE(s->SAVE(file));
    const QByteArray text = (s->scriptLines()->items().join("\n") + "\n").toUtf8();
    EXPECT_EQ(readAll(file), text);
    s->ELEMENT("CHILD")->ATTRIBUTES()->setVALUE("TEXT", "a\"b");
    EXPECT_FALSE(s->SAVE(file));
    EXPECT_EQ(readAll(file), text);
    EXPECT_FALSE(cls_VornStructure::create()->SAVE(dir.path() + "/missing/out.vs"));

    // Reading a small file must not reserve memory in proportion to the size limit for files.
#if !defined(__SANITIZE_ADDRESS__)
    auto loadWithLittleRoom = [](const QString& name) {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(64) << 20);
        const rlimit both{ limit, limit };
        setrlimit(RLIMIT_AS, &both);
        return cls_VornStructure::create()->LOAD(name) ? 0 : 1;
    };
    EXPECT_EXIT(std::exit(loadWithLittleRoom(second + "main.vs")), ::testing::ExitedWithCode(0), "");
#endif
}

// Reserved slots and bad packages are in PersistenceTest; here what a structure rebuilds from a
// package, record or copy, SOURCE left alone, and the older record version.
TEST(StructureTest, PackageRecordAndCopyRebuildTheStructure)
{
    auto s = sampleStructure();
    auto t = cls_VornStructure::create();
    t->setSOURCE("fresh");
    t->DATA().setPACKAGE(s->DATA().PACKAGE());
    EXPECT_EQ(content(*t), content(*s));
    EXPECT_EQ(t->SOURCE(), "fresh");
    auto c = cls_VornStructure::create();
    c->setSOURCE("mine");
    c->DATA().COPY(*s);
    EXPECT_EQ(content(*c), content(*s));
    EXPECT_EQ(c->SOURCE(), "mine");
    const QString before = content(*s); // the copy shares nothing
    c->ELEMENT("CHILD")->ATTRIBUTES()->setVALUE("TEXT", "changed");
    c->DEFINITIONS()->Item("NODE")->ATTRIBUTES()->CREATE("MORE", TypeLong);
    c->INCLUDEFOLDERS()->ADD("/more/");
    EXPECT_EQ(content(*s), before);

    // Records: version "1.1" written, "1.0" read as well, any other refused.
    QTemporaryDir dir;
    const QString file = dir.path() + "/s.rec";
    auto out = CoreFile::create();
    out->OPEN(file, CoreFile::ModeWrite);
    s->DATA().STORE(*out);
    out->CLOSE();
    auto in = CoreFile::create();
    in->OPEN(file, CoreFile::ModeRead);
    EXPECT_EQ(in->READVALUE(), Variant("1.1"));
    for (const char* version : { "", "1.0", "2.0" }) {
        if (*version) {
            out->OPEN(file, CoreFile::ModeWrite);
            out->WRITE({ version, s->DATA().KEY(), "", "", "", s->ERRORTEXT(), s->ROOT(), false, false, false, false,
                         s->ERRORS(), 0, 0, 0, 0, s->UIDLAST() });
            for (DataEvents* part : std::initializer_list<DataEvents*>{
                     s->DEFINITIONS().get(), s->ELEMENTS().get(), s->ENUMERATIONS().get(), s->INCLUDEFOLDERS().get() })
                part->DATA().STORE(*out);
            out->CLOSE();
        }
        t = cls_VornStructure::create();
        in->OPEN(file, CoreFile::ModeRead);
        EXPECT_EQ(t->DATA().READ(*in), QByteArray(version) != "2.0") << version;
        EXPECT_EQ(content(*t) == content(*s), QByteArray(version) != "2.0") << version;
    }
}
