#include "engine/ReaderSupport.h"
#include "engine/Support.h"

#include <array>
#include <random>

using namespace support;

namespace {

struct Parsed {
    Ref<cls_VornStructure> s;
    QStringList errors;
    bool ok;
    Ref<cls_VornElement> top(qint32 i) const { return s->ELEMENTS()->Item(i); }
};

Parsed parse(const QString& script, Ref<cls_VornStructure> s = fixture())
{
    auto list = CoreList::create();
    const bool ok = s->PARSE(script, list);
    return { s, list->items(), ok };
}

} // namespace

TEST(ReaderTest, CommentsContinuationsAndLineNumbers)
{
    // Comments are whole lines; "REM" without a blank is none. Continuations keep the first line's
    // number; every line end counts; a tab is a blank.
    const auto p = parse("# hash\n// slashes\n' quote\nrem lower\n\tReM  mixed\nREM\n" // 1-6
                         "BOX ID=\"a\",\n# between\nN=1\r\n\r\n"                       // 7-10
                         "BOX ID=\"b\" ...\rN=2\n\t  BOX\tID=\"c\"");                   // 11-13
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 4);
    const std::tuple<const char*, qint32, const char*> expected[] = {
        { "REM", 6, "" }, { "BOX", 7, "a" }, { "BOX", 11, "b" }, { "BOX", 13, "c" } };
    for (qint32 i = 1; i <= 4; ++i) {
        const auto& [sort, line, id] = expected[i - 1];
        EXPECT_EQ(p.top(i)->SORT(), sort);
        EXPECT_EQ(p.top(i)->LINE(), line);
        EXPECT_EQ(p.top(i)->ID(), id);
    }
    EXPECT_EQ(p.top(2)->ATTRIBUTES()->VALUE("N"), Variant(1.0));
    EXPECT_EQ(p.top(3)->ATTRIBUTES()->VALUE("N"), Variant(2.0));
    EXPECT_EQ(p.errors, QStringList({ undefined("REM") }));

    // Structure errors carry the line their (first) physical line began on.
    const auto q = parse("BOX ID=\"a\",\nN=1,\n$\nEND\nBOX ID=\"c\" $...");
    ASSERT_EQ(q.s->errorLocations().size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(q.s->errorLocations()[size_t(i)].line, (std::array{ 1, 4, 5 })[size_t(i)]);
    EXPECT_FALSE(q.ok);
}

TEST(ReaderTest, ValueConversion)
{
    const auto p = parse("FOO A=0, B=0.0, C=0.00, D=ja, E=Ok, F=Nein, G=ID_Main, H=id_main, I=\"x\", J=\"\", "
                         "K=-2.5e1, L=wAhR, M=abc, N=12abc, O=\"0.00\", P=no, Q=Yes, R=FALSE, S=true, T=.5");
    auto& bag = *p.top(1)->ATTRIBUTES();
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
    EXPECT_EQ(errorsOf(p.top(1)), QStringList({ unknownValue("0.00"), unknownValue("id_main"), unknownValue("abc"),
                                                unknownValue("12abc"), undefined("FOO") }));

    QStringList errors;
    auto read = [&](const QString& text) { return readValue(text, [&](const QString& e) { errors.append(e); }); };
    EXPECT_EQ(read(""), Variant("_EMPTY_"));
    EXPECT_EQ(read("\""), Variant()); // one quote is no quoted text
    EXPECT_EQ(errors, QStringList({ unknownValue("\"") }));
}

TEST(ReaderTest, ArraysAndSlotKeys)
{
    const auto p = parse("FOO A=(1, 2), B=(), C=(1, x), (WAHR,ID_a ), E=, F=(\"q\", 3), G=(1,,2), H=(\"a,b\", 2, \"\")\n"
                         "FOO 7, B=8, 9,,10\n"
                         "FOO 1 2\n" // a blank between values drops the first
                         "BEGIN FOO\nNAME = 5\nX=5\nx=6, 1, 2, 3, 4, 5, 6, 7, 8\nEND"); // enough for the name index
    auto& bag = *p.top(1)->ATTRIBUTES();
    EXPECT_EQ(bag.VALUE("A"), Variant(VariantArray{ 1.0, 2.0 }));
    ASSERT_TRUE(bag.VALUE("B").isArray());
    EXPECT_TRUE(bag.VALUE("B").array().empty());
    EXPECT_EQ(bag.VALUE("C"), Variant(VariantArray{ 1.0, Variant() }));
    EXPECT_EQ(bag.VALUE("4"), Variant(VariantArray{ true, "ID_a" })); // a positional value's slot number
    EXPECT_EQ(bag.VALUE("F"), Variant(VariantArray{ "q", 3.0 }));
    // An empty piece is an empty item; a comma inside quotes does not split.
    ASSERT_EQ(bag.VALUE("G").array().size(), 3u);
    EXPECT_TRUE(bag.VALUE("G").array()[1].isEmpty());
    ASSERT_EQ(bag.VALUE("H").array().size(), 3u);
    EXPECT_EQ(bag.VALUE("H").array()[0].text(), "a,b");
    EXPECT_TRUE(bag.VALUE("H").array()[2].isText());
    EXPECT_FALSE(bag.EXISTS("E")); // "_EMPTY_" is dropped by the check

    auto& second = *p.top(2)->ATTRIBUTES();
    EXPECT_EQ(attributeNames(p.top(2)), QStringList({ "1", "B", "3", "5" }));
    EXPECT_EQ(second.VALUE("5"), Variant(10.0));
    EXPECT_EQ(attributeNames(p.top(3)), QStringList({ "1" }));
    EXPECT_EQ(p.top(3)->ATTRIBUTES()->VALUE("1"), Variant(2.0));
    // In a block slots count on over the lines; keys are upper-cased, the later value wins.
    QStringList names = attributeNames(p.top(4));
    names.sort();
    EXPECT_EQ(names, QStringList({ "2", "3", "4", "5", "6", "7", "8", "9", "X" }));
    EXPECT_EQ(p.top(4)->ATTRIBUTES()->VALUE("X"), Variant(6.0));
    for (int k = 2; k <= 9; ++k)
        EXPECT_EQ(p.top(4)->ATTRIBUTES()->VALUE(QString::number(k)), Variant(double(k - 1))) << k;
}

TEST(ReaderTest, BlocksNumbersAndTheParseResult)
{
    // Types keep their case, blocks nest, every element line (END too) draws a number.
    auto s = fixture();
    auto p = parse("BEGIN box ID=\"a\"\n  Box\n  begin BOX\n    BOX ID=\"d\"\n  end\nEnd\nBOX ID=\"e\"", s);
    EXPECT_TRUE(p.errors.isEmpty() && p.ok);
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 2);
    EXPECT_EQ(p.top(1)->SORT(), "box");
    EXPECT_EQ(p.top(1)->ELEMENTS()->Item(1)->SORT(), "Box");
    EXPECT_EQ(p.top(1)->ELEMENTS()->Item(2)->ELEMENTS()->Item(1)->ID(), "d");
    EXPECT_EQ(p.top(1)->ELEMENTS()->Item(2)->ELEMENTS()->Item(1)->UID(), 4);
    EXPECT_EQ(p.top(2)->UID(), 7);
    // A second PARSE adds to the structure and lists only its own errors.
    p = parse("END\nBOX ID=\"f\"\nFOO", s);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.errors, QStringList({ "Die Zeile 'END' schließt kein mit BEGIN geöffnetes Element", undefined("FOO") }));
    EXPECT_EQ(s->UIDLAST(), 10);
    EXPECT_EQ(s->ELEMENTS()->Item(3)->UID(), 9);
    p = parse("BOX", s);
    EXPECT_TRUE(p.ok); // no new structure error

    // Unclosed blocks are filed where they belong and checked; an unclosed command still acts.
    p = parse("BEGIN BOX ID=\"o1\"\nBEGIN BOX ID=\"o2\"\nBOX ID=\"i\"");
    EXPECT_TRUE(p.ok);
    auto o2 = p.top(1)->ELEMENTS()->Item(1);
    EXPECT_EQ(o2->ID(), "o2");
    EXPECT_EQ(errorsOf(o2), QStringList({ Unclosed }));
    EXPECT_FALSE(o2->ELEMENTS()->Item(1)->ERRORS());
    p = parse("BEGIN ELEMENT NAME=\"LATE\"");
    EXPECT_TRUE(p.s->DEFINITIONS()->EXISTS("LATE"));
    EXPECT_EQ(p.s->ELEMENTS()->COUNT(), 0);
}

TEST(ReaderTest, InputThatIsNoScript)
{
    const QString nul(QChar(0)), emoji = QString::fromUtf8("\xF0\x9F\x98\x80"), lone(QChar(0xD800));
    auto p = parse("FOO\x01\nFOO " + nul + "\nFOO " + emoji + "\nFOO " + lone + "\nBOX ID=\"" + nul + "\x7f\"");
    EXPECT_EQ(errorsOf(p.s), QStringList({ invalid("FOO\x01", "\x01"), invalid("FOO " + nul, nul),
                                           invalid("FOO " + emoji, emoji), invalid("FOO " + lone, lone) }));
    EXPECT_EQ(p.top(5)->ID(), nul + "\x7f"); // inside quotes anything goes

    // Long lines: a megabyte text, tens of thousands of values, a megabyte of bad characters
    // reported once (short lines report every character).
    const QString big(1 << 20, QLatin1Char('x'));
    p = parse("BOX ID=\"" + big + "\", N=1");
    EXPECT_EQ(p.top(1)->ID(), big);
    const qint32 count = 60000;
    p = parse("BOX " + QString("1,").repeated(count) + "X=\"last\", x=2");
    EXPECT_EQ(p.top(1)->ATTRIBUTES()->COUNT(), count + 1);
    ASSERT_EQ(p.errors.size(), 1);
    EXPECT_TRUE(p.errors[0].endsWith(", " + QString::number(count) + ", X"));
    const QString junk = "FOO " + QString(1 << 20, QLatin1Char('$'));
    EXPECT_EQ(parse(junk).errors, QStringList({ invalid(junk, "$"), undefined("FOO") }));
    EXPECT_EQ(parse("FOO $$ %").errors.size(), 4);

    // Nesting deeper than the limit is reported once; open blocks are closed at the end.
    const int depth = 5000, limit = cls_VornStructure::MaxNesting;
    p = parse(QString("BEGIN BOX\n").repeated(depth) + QString("END\n").repeated(depth) + "BOX ID=\"after\"\n");
    ASSERT_EQ(p.errors.size(), 1);
    EXPECT_TRUE(p.errors[0].startsWith("Die Zeile 'BEGIN BOX' ") && p.errors[0].contains(QString::number(limit)));
    EXPECT_EQ(p.top(2)->ID(), "after");
    EXPECT_EQ(p.s->ELEMENTS()->COUNT(true), 2 + limit - 1);
    p = parse(QString("BEGIN BOX\n").repeated(depth));
    EXPECT_EQ(p.s->ELEMENTS()->COUNT(true), limit);
    EXPECT_EQ(p.errors.count(Unclosed), limit);

    // Random bytes and random pieces of the language.
    std::mt19937 random(20240611);
    const QStringList pieces = { "BEGIN ", "END", "BOX", "FOO", "ELEMENT", "LONG", "ENUMERATION", "ENUMITEM",
                                 "PARENT", "NAME=", "\"", "(", ")", ",", "...", "=", " ", "\n", "\r\n",
                                 "1", "0.0", "ID_x", "_EMPTY_", "#", "REM ", "'", "ä", "\t", "x", "-" };
    for (int round = 0; round < 300; ++round) {
        QString script;
        if (round % 3 == 0) {
            QByteArray bytes(512, Qt::Uninitialized);
            for (char& b : bytes)
                b = char(random() & 0xff);
            script = CoreServices::decodeText(bytes);
        } else {
            for (int i = int(random() % 200); i > 0; --i)
                script += pieces[int(random() % pieces.size())];
        }
        p = parse(script);
        EXPECT_EQ(p.ok, p.s->errorLocations().empty()) << script.toStdString();
        EXPECT_GE(p.errors.size(), qsizetype(p.s->errorLocations().size()));
    }
}
