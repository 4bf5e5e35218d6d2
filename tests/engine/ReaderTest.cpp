// What the golden files in data/parse cannot hold: other line ends, characters no text file
// should carry, huge and random input, and a structure read in several calls.
#include "engine/ReaderSupport.h"
#include "support/Engine.h"

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

TEST(ReaderTest, LineEndsAndRepeatedParses)
{
    // CR LF, CR and LF each end a line; a continuation keeps its first line's number.
    auto p = parse("BOX ID=\"a\",\r\n# between\r\nN=1\r\n\r\nBOX ID=\"b\" ...\rN=2\nBOX ID=\"c\"\r$");
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 3);
    EXPECT_EQ(QList<qint32>({ p.top(1)->LINE(), p.top(2)->LINE(), p.top(3)->LINE() }), QList<qint32>({ 1, 5, 7 }));
    EXPECT_EQ(p.top(2)->ATTRIBUTES()->VALUE("N"), Variant(2.0));
    ASSERT_EQ(p.s->errorLocations().size(), 1u);
    EXPECT_EQ(p.s->errorLocations()[0].line, 8);

    // A second PARSE adds to the structure, numbers on and lists only its own errors.
    auto s = fixture();
    EXPECT_TRUE(parse("BEGIN BOX\n  BOX\nEND", s).ok);
    p = parse("END\nBOX ID=\"f\"\nFOO", s);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.errors,
              QStringList({ "Die Zeile 'END' schließt kein mit BEGIN geöffnetes Element", undefined("FOO") }));
    EXPECT_EQ(s->ELEMENTS()->Item(2)->UID(), 5);
    EXPECT_EQ(s->UIDLAST(), 6);
    EXPECT_TRUE(parse("BOX", s).ok); // no new structure error

    QStringList errors;
    auto read = [&](const QString& text) {
        return readValue(text, ValueForm::Plain, [&](const QString& e) { errors.append(e); });
    };
    EXPECT_EQ(read("\""), Variant()); // one quote is no quoted text
    EXPECT_EQ(errors, QStringList({ "Der Wert '\"' wurde nicht erkannt!" }));
}

TEST(ReaderTest, InputThatIsNoScript)
{
    const QString nul(QChar(0)), emoji = QString::fromUtf8("\xF0\x9F\x98\x80"), lone(QChar(0xD800));
    auto p = parse("FOO\x01\nFOO " + nul + "\nFOO " + emoji + "\nFOO " + lone + "\nBOX ID=\"" + nul + "\x7f\"");
    EXPECT_EQ(errorsOf(p.s),
              QStringList({ invalid("FOO\x01", "\x01"), invalid("FOO " + nul, nul), invalid("FOO " + emoji, emoji),
                            invalid("FOO " + lone, lone) }));
    EXPECT_EQ(p.top(5)->ID(), nul + "\x7f"); // inside quotes anything goes
    // Characters that share a byte with a line end or a tab are no line end or tab.
    const QString lookAlikes = QString::fromUtf16(u"\u010A\u0D0A\u0A0A\u090D\u0D09\u0A00");
    p = parse("BOX ID=\"" + lookAlikes + "\"\r\nBOX ID=\"" + lookAlikes + lookAlikes + "\"");
    ASSERT_EQ(p.s->ELEMENTS()->COUNT(), 2);
    EXPECT_EQ(p.top(1)->ID(), lookAlikes);
    EXPECT_EQ(p.top(2)->ID(), lookAlikes + lookAlikes);
    EXPECT_EQ(p.top(2)->LINE(), 2);

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
    const QStringList pieces = { "BEGIN ", "END",   "BOX",  "FOO", "ELEMENT", "LONG", "ENUMERATION", "ENUMITEM",
                                 "PARENT", "NAME=", "\"",   "(",   ")",       ",",    "...",         "=",
                                 " ",      "\n",    "\r\n", "1",   "0.0",     "ID_x", "_EMPTY_",     "#",
                                 "REM ",   "'",     "ä",    "\t",  "x",       "-" };
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

TEST(ReaderTest, TextValuesAreTextsOfTheirOwn)
{
    // The values of many lines share the reader's storage; each must still behave as a text of
    // its own: outlive the tree, change without changing another, end where it ends.
    QString script;
    const int count = 3000;
    for (int i = 0; i < count; ++i)
        script += QStringLiteral("BOX ID=\"box %1\", N=\"%2\"\n").arg(i).arg(QString(i % 300, QLatin1Char('n')));
    QStringList ids, names;
    {
        auto p = parse(script);
        ASSERT_TRUE(p.errors.isEmpty());
        for (qint32 i = 1; i <= count; ++i) {
            ids.append(p.top(i)->ID());
            names.append(p.top(i)->ATTRIBUTES()->VALUE("N").toText());
        }
    }
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(ids[i], QStringLiteral("box %1").arg(i));
        ASSERT_EQ(names[i], QString(i % 300, QLatin1Char('n')));
        EXPECT_EQ(names[i].utf16()[names[i].size()], u'\0');
    }
    const QString before = ids[1];
    ids[0].append(QStringLiteral(" and more"));
    ids[0][0] = u'B';
    ids[2].resize(1);
    EXPECT_EQ(ids[0], "Box 0 and more");
    EXPECT_EQ(ids[1], before);
    EXPECT_EQ(ids[3], "box 3");
    ids = QStringList(ids.mid(count - 1)); // the last text alone keeps its storage
    ids[0].append(QString(10000, QLatin1Char('z')));
    EXPECT_EQ(ids[0].size(), 8 + 10000);
    EXPECT_TRUE(ids[0].startsWith(QStringLiteral("box %1z").arg(count - 1)));
}
