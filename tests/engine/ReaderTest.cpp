#include "engine/ReaderSupport.h"

#include <vorn/vorn.h>

#include <gtest/gtest.h>

#include <ostream>
#include <random>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
namespace vorn {
inline void PrintTo(const Variant& v, std::ostream* os)
{
    *os << "kind " << int(v.kind());
    try { *os << " '" << v.toText().toStdString() << "'"; } catch (const Error&) {}
}
} // namespace vorn

using namespace vorn;

namespace {

const QString CrLf = QStringLiteral("\r\n");

// BOX: optional ID (text) and N (any value), allowed anywhere; defined in code so that no
// element line of a definition draws a number.
Ref<cls_VornStructure> boxes()
{
    auto s = cls_VornStructure::create();
    auto box = s->DEFINITIONS()->CREATE("BOX");
    box->ATTRIBUTES()->CREATE("ID", TypeString);
    box->ATTRIBUTES()->CREATE("N", TypeAtomic);
    return s;
}

struct Parsed {
    Ref<cls_VornStructure> s;
    QStringList errors;
    bool ok;
};

Parsed parse(const QString& script, Ref<cls_VornStructure> s = boxes())
{
    auto list = CoreList::create();
    const bool ok = s->PARSE(script, list);
    return { s, list->items(), ok };
}

QStringList errorsOf(const Ref<cls_VornElement>& e) { return e->ERRORTEXT().split(CrLf, Qt::SkipEmptyParts); }
QStringList errorsOf(const Ref<cls_VornStructure>& s) { return s->ERRORTEXT().split(CrLf, Qt::SkipEmptyParts); }

Ref<cls_VornElement> top(const Parsed& p, qint32 i) { return p.s->ELEMENTS()->Item(i); }

QString undefined(const QString& type)
{
    return "Der Element-Typ '" + type
        + "' ist in dieser Struktur nicht definiert. Evtl. müssen Sie erst eine Definitions-Datei mit INCLUDE "
          "einbinden oder den Element-Typ mit BEGIN ELEMENT '"
        + type + "' definieren.";
}
QString invalid(const QString& line, const QString& c) { return "Die Zeile '" + line + "' enthält ungültige Zeichen: " + c; }
QString misplaced(const QString& line, const QString& c)
{
    return "Die Zeile '" + line + "' enthält Fehler: " + c + " ist an dieser Stelle ungültig";
}
QString unterminated(const QString& line) { return "Die Zeile '" + line + "' wurde nicht korrekt abgeschlossen"; }
QString unknownValue(const QString& v) { return "Der Wert '" + v + "' wurde nicht erkannt!"; }
const QString Unclosed = QStringLiteral("Das Element wurde nicht ordentlich mit END abgeschlossen!");

} // namespace

// ---- preparation of the lines ----

TEST(ReaderTest, CommentLinesAreWholeLinesOnly)
{
    const auto p = parse("# hash\n// slashes\n' quote\nREM upper\nrem lower\n\tReM  mixed\nREMARK x\nREM\nBOX \"b\" #");
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 3);
    EXPECT_EQ(top(p, 1)->SORT(), "REMARK");
    EXPECT_EQ(errorsOf(top(p, 1)), QStringList({ unknownValue("x"), undefined("REMARK") }));
    EXPECT_EQ(top(p, 1)->LINE(), 7);
    EXPECT_EQ(top(p, 2)->SORT(), "REM"); // "REM" without a blank after it is no comment
    EXPECT_EQ(top(p, 2)->LINE(), 8);
    // Nothing is cut from the end of a line.
    EXPECT_EQ(errorsOf(p.s), QStringList({ invalid("BOX \"b\" #", "#") }));
    EXPECT_EQ(top(p, 3)->ID(), "b");
    EXPECT_EQ(top(p, 3)->LINE(), 9);
}

TEST(ReaderTest, ContinuationLinesJoinWithoutBlankAndKeepTheFirstLineNumber)
{
    const auto p = parse("BOX ID=\"a\",\n"     // 1
                         "# between\n"         // 2
                         "N=1,\n"              // 3
                         "$\n"                 // 4
                         "BOX ID=\"b\" ...\n"  // 5
                         "N=2 ...\n"           // 6
                         "$\n"                 // 7
                         "BOX ID=\"d\"\n"      // 8
                         "BOX ID=\"c\" $...");  // 9: nothing follows
    EXPECT_EQ(errorsOf(p.s), QStringList({ invalid("BOX ID=\"a\",N=1,$", "$"), invalid("BOX ID=\"b\" N=2 $", "$"),
                                           invalid("BOX ID=\"c\" $", "$") }));
    ASSERT_EQ(p.s->errorLocations().size(), 3u);
    EXPECT_EQ(p.s->errorLocations()[0].line, 1);
    EXPECT_EQ(p.s->errorLocations()[1].line, 5);
    EXPECT_EQ(p.s->errorLocations()[2].line, 9);
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 4);
    const qint32 lines[] = { 1, 5, 8, 9 };
    const char* ids[] = { "a", "b", "d", "c" };
    for (qint32 i = 1; i <= 4; ++i) {
        EXPECT_EQ(top(p, i)->LINE(), lines[i - 1]);
        EXPECT_EQ(top(p, i)->ID(), ids[i - 1]);
    }
    EXPECT_EQ(top(p, 1)->ATTRIBUTES()->VALUE("N"), Variant(1.0));
    EXPECT_EQ(top(p, 2)->ATTRIBUTES()->VALUE("N"), Variant(2.0));
}

TEST(ReaderTest, LineNumbersCountPhysicalLinesWhateverTheLineEnd)
{
    const auto p = parse("BOX ID=\"a\"\r\n\r\nBOX ID=\"b\"\rBOX\tID=\"c\"\n\n\t  BOX ID=\"d\"");
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 4);
    EXPECT_TRUE(p.errors.isEmpty()) << p.errors.join("|").toStdString();
    const qint32 lines[] = { 1, 3, 4, 6 };
    for (qint32 i = 1; i <= 4; ++i)
        EXPECT_EQ(top(p, i)->LINE(), lines[i - 1]);
    EXPECT_EQ(top(p, 3)->ID(), "c"); // a tab is a blank
}

// ---- the state machine and its messages ----

TEST(ReaderTest, CharacterMessagesCarryTheWholePreparedLine)
{
    const auto p = parse("  BOX ID=\"x\" ä  \n"
                         "BOX ID= \"y\"\n"
                         "BEGIN BOX ,1\n"
                         "END\n"
                         "BOX ID=\"z\n"
                         "BOX N=(1, 2\n"
                         "BOX N=\"\n" // an empty unterminated quote leaves no token: no message
                         "BEGIN BOX=1\n"
                         "END");
    EXPECT_EQ(errorsOf(p.s), QStringList({ invalid("BOX ID=\"x\" ä", "ä"), misplaced("BOX ID= \"y\"", " "),
                                           misplaced("BEGIN BOX ,1", ","), unterminated("BOX ID=\"z"),
                                           unterminated("BOX N=(1, 2"), misplaced("BEGIN BOX=1", "=") }));
    // "=" after BEGIN's type is skipped and the type reads on.
    EXPECT_EQ(p.s->ELEMENTS()->Item(p.s->ELEMENTS()->COUNT())->SORT(), "BOX1");
}

TEST(ReaderTest, ErrorsOfALineGoToTheOpenElementAndValueErrorsToTheNewOne)
{
    const auto p = parse("BEGIN BOX ID=\"outer\"\n"
                         "N=1 ä\n"
                         "BOX ID=\"inner\" $, N=zz\n"
                         "END");
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 1);
    EXPECT_FALSE(p.s->ERRORS());
    auto outer = top(p, 1);
    EXPECT_EQ(errorsOf(outer), QStringList({ invalid("N=1 ä", "ä"), invalid("BOX ID=\"inner\" $, N=zz", "$") }));
    EXPECT_EQ(errorsOf(outer->ELEMENTS()->Item(1)), QStringList({ unknownValue("zz") }));
    EXPECT_TRUE(p.ok);
}

TEST(ReaderTest, ValueConversion)
{
    const auto p = parse("FOO A=0, B=0.0, C=0.00, D=ja, E=Ok, F=Nein, G=ID_Main, H=id_main, I=\"x\", J=\"\", "
                         "K=-2.5e1, L=wAhR, M=abc, N=12abc, O=\"0.00\", P=no, Q=Yes, R=FALSE, S=true, T=.5");
    auto e = top(p, 1);
    auto& bag = *e->ATTRIBUTES();
    const std::pair<const char*, Variant> expected[] = {
        { "A", 0.0 },   { "B", 0.0 },       { "C", Variant() }, { "D", true },     { "E", true },
        { "F", false }, { "G", "ID_Main" }, { "H", Variant() }, { "I", "x" },      { "J", "" },
        { "K", -25.0 }, { "L", true },      { "M", Variant() }, { "N", Variant() }, { "O", "0.00" },
        { "P", false }, { "Q", true },      { "R", false },     { "S", true },     { "T", 0.5 },
    };
    ASSERT_EQ(bag.COUNT(), 20);
    for (qint32 i = 1; i <= 20; ++i) {
        const auto& [name, value] = expected[i - 1];
        EXPECT_EQ(bag.NAME(i), name);
        EXPECT_EQ(bag.VALUE(i).kind(), value.kind()) << name;
        EXPECT_EQ(bag.VALUE(i), value) << name;
    }
    EXPECT_TRUE(bag.VALUE("A").isDouble());
    EXPECT_EQ(errorsOf(e), QStringList({ unknownValue("0.00"), unknownValue("id_main"), unknownValue("abc"),
                                         unknownValue("12abc"), undefined("FOO") }));
}

TEST(ReaderTest, EmptyMarkersAndArrays)
{
    QStringList errors;
    auto read = [&](const QString& text) { return readValue(text, [&](const QString& e) { errors.append(e); }); };
    EXPECT_EQ(read(""), Variant("_EMPTY_"));
    EXPECT_EQ(read("_EMPTY_"), Variant("_EMPTY_"));
    EXPECT_EQ(read("\""), Variant()); // one quote is no quoted text
    EXPECT_EQ(errors, QStringList({ unknownValue("\"") }));
    errors.clear();

    const auto p = parse("FOO A=(1, 2), B=(), C=(1, x), (WAHR,ID_a ), E=, F=(\"q\", 3)");
    auto& bag = *top(p, 1)->ATTRIBUTES();
    ASSERT_TRUE(bag.VALUE("A").isArray());
    EXPECT_EQ(bag.VALUE("A"), Variant(VariantArray{ 1.0, 2.0 }));
    ASSERT_TRUE(bag.VALUE("B").isArray());
    EXPECT_TRUE(bag.VALUE("B").array().empty());
    EXPECT_EQ(bag.VALUE("C"), Variant(VariantArray{ 1.0, Variant() }));
    // A positional parenthesis has the slot number 4.
    EXPECT_EQ(bag.VALUE("4"), Variant(VariantArray{ true, "ID_a" }));
    // A quoted text inside parentheses takes the text read so far with it.
    EXPECT_EQ(bag.VALUE("F"), Variant(VariantArray{ "_EMPTY_", 3.0 }));
    EXPECT_FALSE(bag.EXISTS("E")); // "_EMPTY_" is dropped by the check
    EXPECT_TRUE(errorsOf(top(p, 1)).contains(unknownValue("x")));
}

TEST(ReaderTest, SlotKeys)
{
    const auto p = parse("FOO 7, B=8, 9,,10\n"
                         "FOO 1 2\n" // a blank between values drops the first
                         "BEGIN FOO\n"
                         "NAME = 5\n"
                         "X=5\n"
                         "x=6\n"
                         "BEGIN FOO\n"
                         "NAME = 5\n"
                         "x=7, 1, 2, 3, 4, 5, 6, 7, 8\n" // enough values for the reader's name index
                         "END\n"
                         "END");
    auto& first = *top(p, 1)->ATTRIBUTES();
    EXPECT_EQ(first.VALUE("1"), Variant(7.0));
    EXPECT_EQ(first.VALUE("B"), Variant(8.0));
    EXPECT_EQ(first.VALUE("3"), Variant(9.0));
    EXPECT_FALSE(first.EXISTS("4")); // "_EMPTY_" between two commas
    EXPECT_EQ(first.VALUE("5"), Variant(10.0));
    EXPECT_EQ(top(p, 2)->ATTRIBUTES()->COUNT(), 1);
    EXPECT_EQ(top(p, 2)->ATTRIBUTES()->VALUE("1"), Variant(2.0));

    auto block = top(p, 3);
    auto& bag = *block->ATTRIBUTES();
    EXPECT_FALSE(bag.EXISTS("NAME"));
    EXPECT_EQ(bag.VALUE("2"), Variant(5.0));
    EXPECT_EQ(bag.VALUE("X"), Variant(6.0)); // keys are upper-cased, the later value wins
    EXPECT_EQ(bag.COUNT(), 2);
    EXPECT_EQ(errorsOf(block), QStringList({ misplaced("NAME = 5", " "), undefined("FOO") }));
    auto& inner = *block->ELEMENTS()->Item(1)->ATTRIBUTES();
    EXPECT_EQ(inner.COUNT(), 9);
    EXPECT_EQ(inner.VALUE("X"), Variant(7.0));
    for (int k = 2; k <= 9; ++k)
        EXPECT_EQ(inner.VALUE(QString::number(k)), Variant(double(k - 1))) << k;
}

TEST(ReaderTest, BeginWithTwoBlanksHasNoType)
{
    const auto p = parse("begin  BOX\nEND");
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 1);
    auto e = top(p, 1);
    EXPECT_EQ(e->SORT(), "");
    EXPECT_EQ(e->ID(), "begin");
    EXPECT_EQ(errorsOf(e), QStringList({ unknownValue("BOX"), "Jedes Element muss einen Typ haben" }));
}

TEST(ReaderTest, TypeKeepsItsCaseAndBlocksNest)
{
    const auto p = parse("BEGIN box ID=\"a\"\n  Box\n  begin BOX\n    BOX ID=\"d\"\n  end\nEnd\nBOX ID=\"e\"");
    EXPECT_TRUE(p.errors.isEmpty()) << p.errors.join("|").toStdString();
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 2);
    EXPECT_EQ(top(p, 1)->SORT(), "box");
    EXPECT_EQ(top(p, 1)->ELEMENTS()->Item(1)->SORT(), "Box");
    EXPECT_EQ(top(p, 1)->ELEMENTS()->Item(2)->ELEMENTS()->Item(1)->ID(), "d");
}

TEST(ReaderTest, EveryElementLineDrawsANumberAndParseAddsToTheStructure)
{
    auto s = boxes();
    parse("BEGIN BOX ID=\"a\"\nBOX ID=\"b\"\nEND\nBOX ID=\"c\"", s);
    EXPECT_EQ(s->UIDLAST(), 4);
    EXPECT_EQ(s->ELEMENTS()->Item(1)->UID(), 1);
    EXPECT_EQ(s->ELEMENTS()->Item(1)->ELEMENTS()->Item(1)->UID(), 2);
    EXPECT_EQ(s->ELEMENTS()->Item(2)->UID(), 4); // the END line drew 3
    parse("BOX ID=\"d\"\n# only a comment\nEND", s);
    EXPECT_EQ(s->UIDLAST(), 6);
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 3);
    EXPECT_EQ(s->ELEMENTS()->Item(3)->UID(), 5);
}

TEST(ReaderTest, UnclosedBlocksAreCheckedFiledAndReported)
{
    const auto p = parse("BEGIN BOX ID=\"o1\"\nBEGIN BOX ID=\"o2\"\nBOX ID=\"i\"");
    EXPECT_TRUE(p.ok);
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 1);
    auto o1 = top(p, 1);
    auto o2 = o1->ELEMENTS()->Item(1);
    ASSERT_TRUE(o2);
    EXPECT_EQ(o2->ID(), "o2");
    EXPECT_EQ(errorsOf(o1), QStringList({ Unclosed }));
    EXPECT_EQ(errorsOf(o2), QStringList({ Unclosed }));
    EXPECT_FALSE(o2->ELEMENTS()->Item(1)->ERRORS());
    EXPECT_EQ(p.errors, QStringList({ Unclosed, Unclosed }));

    // The check runs before the message: an unclosed command is still carried out.
    const auto q = parse("BEGIN ELEMENT NAME=\"LATE\"");
    EXPECT_TRUE(q.s->DEFINITIONS()->EXISTS("LATE"));
    EXPECT_EQ(q.s->ELEMENTS()->COUNT(), 0);
}

TEST(ReaderTest, StructureLevelErrorsAndTheParseResult)
{
    auto s = boxes();
    auto list = CoreList::create();
    const bool ok = s->PARSE("A=1\n"                       // 1
                             "BEGIN BOX ID=\"p\", Q=1\n"   // 2
                             "  FOO\n"                     // 3
                             "END\n"                       // 4
                             "END\n"                       // 5
                             "   \n"                       // 6
                             "BAR\n",                      // 7
                             list);
    EXPECT_FALSE(ok);
    const QString outside = "Die Zeile 'A=1' enthält Attribute außerhalb eines Elements";
    const QString stray = "Die Zeile 'END' schließt kein mit BEGIN geöffnetes Element";
    EXPECT_EQ(errorsOf(s), QStringList({ outside, stray }));
    ASSERT_EQ(s->errorLocations().size(), 2u);
    EXPECT_EQ(s->errorLocations()[0].line, 1);
    EXPECT_EQ(s->errorLocations()[1].line, 5);
    // The structure's texts first, then every element's, parent before child, in script order.
    EXPECT_EQ(list->items(), QStringList({ outside, stray, "Es wurden Attribute angegeben, die nicht zum Element gehören: Q",
                                           undefined("FOO"), undefined("BAR") }));
    EXPECT_EQ(s->UIDLAST(), 5);

    // A second call lists only its own errors and answers True without a structure error.
    auto second = CoreList::create();
    EXPECT_TRUE(s->PARSE("BOX ID=\"ok\"\nBAZ", second));
    EXPECT_EQ(second->items(), QStringList({ undefined("BAZ") }));
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 4);
}

// ---- input that is not a script ----

TEST(ReaderTest, ControlCharactersAndSurrogates)
{
    const QString nul(QChar(0));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString lone(QChar(0xD800));
    const auto p = parse("FOO\x01\nFOO " + nul + "\nFOO " + emoji + "\nFOO " + lone + "\nBOX ID=\"" + nul + "\x7f\"");
    EXPECT_EQ(errorsOf(p.s), QStringList({ invalid("FOO\x01", "\x01"), invalid("FOO " + nul, nul),
                                           invalid("FOO " + emoji, emoji), invalid("FOO " + lone, lone) }));
    EXPECT_EQ(top(p, 5)->ID(), nul + "\x7f"); // inside quotes anything goes
}

TEST(ReaderTest, LongLinesStayLinear)
{
    const QString big(1 << 20, QLatin1Char('x'));
    auto p = parse("BOX ID=\"" + big + "\", N=1");
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(top(p, 1)->ID(), big);
    EXPECT_TRUE(p.errors.isEmpty());

    // Tens of thousands of values on one line, most of them left over.
    const qint32 count = 60000;
    p = parse("BOX " + QString("1,").repeated(count) + "X=\"last\", x=2");
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 1);
    auto& bag = *top(p, 1)->ATTRIBUTES();
    EXPECT_EQ(bag.COUNT(), count + 1); // ID, N, "3" to the last number, X
    EXPECT_EQ(bag.NAME(3), "3");
    EXPECT_EQ(bag.NAME(bag.COUNT()), "X");
    ASSERT_EQ(p.errors.size(), 1);
    EXPECT_TRUE(p.errors[0].endsWith(", " + QString::number(count) + ", X"));

    // A megabyte of invalid characters: the line is reported, not once per character.
    const QString junk = "FOO " + QString(1 << 20, QLatin1Char('$'));
    p = parse(junk);
    EXPECT_EQ(p.errors, QStringList({ invalid(junk, "$"), undefined("FOO") }));
    // Short lines still report every character.
    p = parse("FOO $$ %");
    EXPECT_EQ(p.errors.size(), 4);
}

TEST(ReaderTest, NestingDeeperThanTheLimitIsReportedOnce)
{
    const int depth = 5000;
    QString script;
    for (int i = 0; i < depth; ++i)
        script += "BEGIN BOX\n";
    for (int i = 0; i < depth; ++i)
        script += "END\n";
    script += "BOX ID=\"after\"\n";
    const auto p = parse(script);
    ASSERT_EQ(p.errors.size(), 1);
    EXPECT_TRUE(p.errors[0].startsWith("Die Zeile 'BEGIN BOX' ")) << p.errors[0].toStdString();
    EXPECT_TRUE(p.errors[0].contains(QString::number(cls_VornStructure::MaxNesting)));
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 2);
    EXPECT_EQ(top(p, 2)->ID(), "after");
    EXPECT_EQ(p.s->ELEMENTS()->COUNT(true), 2 + cls_VornStructure::MaxNesting - 1);

    // Without any END every open block is closed at the end.
    const auto q = parse(QString("BEGIN BOX\n").repeated(depth));
    EXPECT_EQ(q.s->ELEMENTS()->COUNT(true), cls_VornStructure::MaxNesting);
    EXPECT_EQ(q.errors.count(Unclosed), cls_VornStructure::MaxNesting);
}

TEST(ReaderTest, RandomInputNeverBreaksTheReader)
{
    std::mt19937 random(20240611);
    const QStringList pieces = { "BEGIN ", "END", "BOX", "FOO", "ELEMENT", "LONG", "ENUMERATION", "ENUMITEM",
                                 "PARENT", "NAME=", "\"", "(", ")", ",", "...", "=", " ", "  ", "\n", "\r\n",
                                 "1", "0.0", "ID_x", "_EMPTY_", "#", "REM ", "'", "*", "ä", "\t", "x", "-" };
    for (int round = 0; round < 300; ++round) {
        QString script;
        if (round % 3 == 0) {
            QByteArray bytes(512, Qt::Uninitialized);
            for (char& b : bytes)
                b = char(random() & 0xff);
            script = CoreServices::decodeText(bytes);
        } else {
            const int n = int(random() % 200);
            for (int i = 0; i < n; ++i)
                script += pieces[int(random() % pieces.size())];
        }
        auto s = boxes();
        auto list = CoreList::create();
        const bool ok = s->PARSE(script, list);
        EXPECT_EQ(ok, s->errorLocations().empty()) << script.toStdString();
        EXPECT_GE(list->COUNT(), qint32(s->errorLocations().size()));
        EXPECT_GE(s->ELEMENTS()->COUNT(true), 0);
    }
}
