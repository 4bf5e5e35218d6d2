#include <vorn/vorn.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

namespace {

QStringList errorsOf(const Ref<cls_VornElement>& e) { return e->ERRORTEXT().split("\r\n", Qt::SkipEmptyParts); }

QString notFound(const QString& file) { return "Include-Datei '" + file + "' nicht gefunden!"; }
QString notParsed(const QString& path) { return "Fehler beim Parsen der Include-Datei '" + path + "'"; }

class IncludeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Absolute path of a name inside the temporary folder.
    QString path(const QString& name) const { return m_dir.path() + "/" + name; }
    QString folder(const QString& name) const { return name.isEmpty() ? m_dir.path() + "/" : path(name) + "/"; }

    QString write(const QString& name, const QString& text) const
    {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return file;
    }

    // A file that declares a type and holds one element of it, identified by `tag`.
    QString library(const QString& name, const QString& tag) const
    {
        return write(name, "BEGIN ELEMENT NAME=\"" + tag + "\"\n  STRING NAME=\"ID\", REQUIRED=no\nEND\n" + tag + " \"" + tag
                               + "1\"\n");
    }

    static Ref<cls_VornStructure> structure(const QString& root = QString(), const QStringList& folders = {})
    {
        auto s = cls_VornStructure::create();
        s->setROOT(root);
        for (const QString& f : folders)
            s->INCLUDEFOLDERS()->ADD(f);
        return s;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(IncludeTest, CandidatesRootThenAsWrittenThenIncludeFolders)
{
    const QString inRoot = library("root/inc.vs", "FROMROOT");
    const QString inF1 = library("f1/inc.vs", "FROMF1");
    const QString inF2 = library("f2/inc.vs", "FROMF2");
    QDir().mkpath(path("empty"));

    auto s = structure(folder("root"), { folder("f1"), folder("f2") });
    EXPECT_TRUE(s->PARSE("INCLUDE FILE=\"inc.vs\""));
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SORT(), "FROMROOT");
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), inRoot);
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("FROMF1"));

    s = structure(folder("empty"), { folder("f1") });
    s->PARSE("INCLUDE FILE=\"" + inF2 + "\"");
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), inF2);

    s = structure(folder("empty"), { folder("f1"), folder("f2") });
    s->PARSE("INCLUDE FILE=\"inc.vs\"");
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), inF1);

    s = structure(QString(), { folder("f2") });
    s->PARSE("INCLUDE FILE=\"inc.vs\"");
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), inF2);

    // Prefixes are put in front as they are: without the separator nothing matches.
    s = structure(path("root"), { path("f2") });
    s->PARSE("INCLUDE FILE=\"inc.vs\"");
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)), QStringList({ notFound("inc.vs") }));
}

TEST_F(IncludeTest, NotFoundKeepsTheBlockAndReportsIt)
{
    QDir().mkpath(path("dir.vs"));
    auto s = structure(folder(""));
    auto list = CoreList::create();
    EXPECT_TRUE(s->PARSE("INCLUDE FILE=\"missing.vs\"\nINCLUDE FILE=\"dir.vs\"\nINCLUDE FILE=\"/dev/null\"\n"
                         "INCLUDE FILE=\"\"",
                         list));
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 4);
    for (qint32 i = 1; i <= 4; ++i)
        EXPECT_EQ(s->ELEMENTS()->Item(i)->SORT(), "INCLUDE");
    EXPECT_EQ(list->items(), QStringList({ notFound("missing.vs"), notFound("dir.vs"), notFound("/dev/null"), notFound("") }));
    EXPECT_FALSE(s->ERRORS());

    try {
        VORN()->PARSE("INCLUDE FILE=\"missing.vs\"", {}, true);
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 4000);
    }
}

TEST_F(IncludeTest, IncludedDefinitionsAndElementsTakeThePlaceOfTheBlock)
{
    const QString lib = write("lib.vs", "BEGIN ELEMENT NAME=\"POINT\"\n"
                                        "  STRING NAME=\"ID\", REQUIRED=no\n"
                                        "  LONG NAME=\"X\", REQUIRED=no\n"
                                        "END\n"
                                        "POINT \"P1\", X=1\n"
                                        "# note\n"
                                        "BEGIN POINT \"P2\"\n"
                                        "  POINT \"P3\", X=\"bad\"\n"
                                        "END\n"
                                        "BEGIN ENUMERATION NAME=\"E\"\n  ENUMITEM NAME=\"A\", VALUE=1\nEND\n");
    auto s = structure(folder(""));
    s->setSOURCE("main.vs");
    auto list = CoreList::create();
    EXPECT_TRUE(s->PARSE("BEGIN ELEMENT NAME=\"OTHER\"\nEND\nOTHER\nINCLUDE FILE=\"lib.vs\"\nPOINT \"P4\", X=4\n", list));
    auto& top = *s->ELEMENTS();
    ASSERT_EQ(top.COUNT(), 4);
    EXPECT_EQ(top.Item(1)->SORT(), "OTHER");
    EXPECT_EQ(top.Item(2)->ID(), "P1");
    EXPECT_EQ(top.Item(3)->ID(), "P2");
    EXPECT_EQ(top.Item(4)->ID(), "P4");
    auto p3 = top.Item(3)->ELEMENTS()->Item(1);
    ASSERT_TRUE(p3);
    EXPECT_EQ(p3->ID(), "P3");

    EXPECT_EQ(top.Item(1)->SOURCEFILE(), "");
    EXPECT_EQ(top.Item(2)->SOURCEFILE(), lib);
    EXPECT_EQ(p3->SOURCEFILE(), lib);
    EXPECT_EQ(top.Item(4)->SOURCEFILE(), "");
    EXPECT_EQ(top.Item(2)->LINE(), 5);
    EXPECT_EQ(p3->LINE(), 8);
    EXPECT_FALSE(top.Item(4)->ERRORS());
    EXPECT_EQ(top.Item(4)->ATTRIBUTES()->VALUE("X"), Variant(4));

    EXPECT_EQ(s->DEFINITIONS()->Item("POINT")->SOURCE(), lib);
    EXPECT_EQ(s->DEFINITIONS()->Item("OTHER")->SOURCE(), "main.vs");
    EXPECT_TRUE(s->ENUMERATIONS()->EXISTS("E"));
    // Errors of included elements are listed with the including script's.
    const QString badX = "Der für das Attribut 'X' angegebene Wert 'bad' ist inkomaptibel zum geforderten Datentyp 'LONG'";
    EXPECT_EQ(list->items(), QStringList({ badX }));

    // Included once more (no cycle): read and merged again.
    auto again = CoreList::create();
    EXPECT_TRUE(s->PARSE("INCLUDE FILE=\"lib.vs\"", again));
    EXPECT_EQ(top.COUNT(), 6);
    EXPECT_EQ(top.Item(6)->ID(), "P2");
    EXPECT_EQ(again->items(), QStringList({ badX }));
}

TEST_F(IncludeTest, AFileThatDoesNotParseIsNotTakenOver)
{
    const QString bad = write("bad.vs", "BEGIN ELEMENT NAME=\"BAD\"\nEND\nEND\nBAD\n");
    write("sub/outer.vs", "INCLUDE FILE=\"inner.vs\"\n");
    write("sub/inner.vs", "BEGIN ELEMENT NAME=\"INNER\"\nEND\n");
    auto s = structure(folder(""), { folder("sub") });
    auto list = CoreList::create();
    EXPECT_TRUE(s->PARSE("INCLUDE FILE=\"bad.vs\"\nINCLUDE FILE=\"outer.vs\"", list));
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("BAD"));
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 2);
    auto block = s->ELEMENTS()->Item(1);
    EXPECT_EQ(block->SORT(), "INCLUDE");
    EXPECT_EQ(errorsOf(block), QStringList({ notParsed(bad) }));
    // The included file sees neither ROOT nor the include folders of the including one.
    auto nested = s->ELEMENTS()->Item(2);
    EXPECT_EQ(nested->SORT(), "INCLUDE");
    EXPECT_EQ(errorsOf(nested), QStringList({ notFound("inner.vs") }));
    EXPECT_EQ(nested->SOURCEFILE(), path("sub/outer.vs"));
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("INNER"));
}

TEST_F(IncludeTest, CyclesEndWhereAFileIsMetAgain)
{
    // Written with "/./" so only the canonical path shows it is the same file.
    const QString self = write("self.vs", "INCLUDE FILE=\"" + m_dir.path() + "/./self.vs\"\nBEGIN ELEMENT NAME=\"SELF\"\nEND\n");
    auto s = structure();
    ASSERT_TRUE(s->LOAD(self));
    EXPECT_EQ(s->DEFINITIONS()->COUNT(), 20); // nothing was included: the built-ins and SELF
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), ""); // the top file's own block
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)), QStringList({ notParsed(m_dir.path() + "/./self.vs") }));

    const QString a = path("a.vs");
    const QString b = write("b.vs", "INCLUDE FILE=\"" + a + "\"\nBEGIN ELEMENT NAME=\"FROMB\"\nEND\n");
    write("a.vs", "INCLUDE FILE=\"" + b + "\"\nBEGIN ELEMENT NAME=\"FROMA\"\nEND\n");
    s = structure();
    ASSERT_TRUE(s->LOAD(a));
    EXPECT_TRUE(s->DEFINITIONS()->EXISTS("FROMA"));
    EXPECT_EQ(s->DEFINITIONS()->COUNT(), 19 + 20 + 1); // b was included once, with its built-ins
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    auto failed = s->ELEMENTS()->Item(1);
    EXPECT_EQ(failed->SOURCEFILE(), b);
    EXPECT_EQ(errorsOf(failed), QStringList({ notParsed(a) }));
    EXPECT_EQ(IncludeScope::depth(), 0);

    // Without a scope for the top text the cycle ends one level later.
    s = VORN()->PARSE("INCLUDE FILE=\"" + a + "\"");
    EXPECT_TRUE(s->DEFINITIONS()->EXISTS("FROMA"));
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), b);
    EXPECT_EQ(IncludeScope::depth(), 0);
}

TEST_F(IncludeTest, LongIncludeChainsEndAtTheDepthLimit)
{
    const int files = cls_VornStructure::MaxIncludeDepth + 8;
    for (int i = 0; i < files; ++i)
        write(QString("c%1.vs").arg(i), "INCLUDE FILE=\"" + path(QString("c%1.vs").arg(i + 1)) + "\"\nBEGIN ELEMENT NAME=\"T"
                                            + QString::number(i) + "\"\nEND\n");
    auto s = structure();
    ASSERT_TRUE(s->LOAD(path("c0.vs")));
    const int last = cls_VornStructure::MaxIncludeDepth - 1;
    EXPECT_TRUE(s->DEFINITIONS()->EXISTS("T" + QString::number(last)));
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("T" + QString::number(last + 1)));
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)), QStringList({ notParsed(path(QString("c%1.vs").arg(last + 1))) }));
}
