// Where each message points. The scripts in data/positions mark every expected diagnostic on
// the comment line after the faulty line: carets under the token with the code after them, or
// "# @LINE:COLUMN-ENDLINE:ENDCOLUMN CODE" where carets cannot stand (column 1, tabs, characters
// outside the basic plane before the token). Marks in an included file name that file. Every
// diagnostic must be marked and every mark met.
#include "support/Engine.h"
#include "support/Golden.h"

#include <QFileInfo>
#include <QRegularExpression>

using namespace support;

namespace {

// "file LINE:COLUMN-ENDLINE:ENDCOLUMN CODE", the file relative to the family's folder.
QString entry(const QString& file, const TextRange& r, const QString& code)
{
    return QStringLiteral("%1 %2:%3-%4:%5 %6")
        .arg(file)
        .arg(r.line)
        .arg(r.column)
        .arg(r.endLine)
        .arg(r.endColumn)
        .arg(code);
}

QStringList marks(const QString& file)
{
    static const QRegularExpression caret(QStringLiteral("^#( *)(\\^+) (V\\d+)$"));
    static const QRegularExpression explicitMark(QStringLiteral("^# @(\\d+):(\\d+)-(\\d+):(\\d+) (V\\d+)$"));
    QStringList out;
    const QStringList lines = QString::fromUtf8(support::readAll(golden::folder("positions") + "/" + file)).split('\n');
    qint32 marked = 0; // the last line that is no mark
    for (qint32 i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        if (const auto m = caret.match(line); m.hasMatch()) {
            const qint32 column = qint32(m.capturedLength(1)) + 2;
            out << entry(file, { marked, column, marked, column + qint32(m.capturedLength(2)) }, m.captured(3));
        } else if (const auto e = explicitMark.match(line); e.hasMatch()) {
            out << entry(file,
                         { e.captured(1).toInt(), e.captured(2).toInt(), e.captured(3).toInt(), e.captured(4).toInt() },
                         e.captured(5));
        } else {
            marked = i + 1;
        }
    }
    return out;
}

class PositionGolden : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(PositionGolden, EveryDiagnosticPointsAtItsMark)
{
    const QString name = QString::fromStdString(GetParam()) + ".vorn";
    QString script = golden::script("positions", GetParam());
    if (golden::directive(script, "with") == u"crlf")
        script.replace('\n', QStringLiteral("\r\n"));
    const QString root = golden::folder("positions") + "/";
    const QString confined = golden::directive(script, "with").startsWith(u"include-root ")
        ? root + golden::directive(script, "with").mid(13)
        : QString();
    VORN()->setINCLUDEROOTS(confined.isEmpty() ? QStringList() : QStringList{ confined });
    auto s = golden::directive(script, "with") == u"fixture" ? fixture() : cls_VornStructure::create();
    s->setROOT(root);
    s->PARSE(script);
    VORN()->setINCLUDEROOTS({});

    QStringList files{ name }, found;
    for (const Diagnostic& d : s->DIAGNOSTICS()) {
        EXPECT_FALSE(d.text.isEmpty());
        const QString file = d.span.file.isEmpty() ? name : QDir(root).relativeFilePath(d.span.file);
        if (!files.contains(file))
            files << file;
        found << entry(file, d.span, d.code);
    }
    QStringList expected;
    for (const QString& file : files)
        expected << marks(file);
    expected.sort();
    found.sort();
    EXPECT_EQ(found.join('\n').toStdString(), expected.join('\n').toStdString());
}
INSTANTIATE_TEST_SUITE_P(Golden, PositionGolden, ::testing::ValuesIn(golden::cases("positions")), golden::testName);

// Every kind of message is documented, and every error kind is pointed at by some script above.
TEST(PositionTest, EveryCodeIsDocumentedAndMarked)
{
    const QString docs = QString::fromUtf8(
        support::readAll(QStringLiteral(VORN_TEST_DATA "/../../docs/diagnostics.md")));
    QSet<QString> documented, marked;
    for (const auto& m :
         QRegularExpression(QStringLiteral("^\\| (V\\d+) \\|"), QRegularExpression::MultilineOption).globalMatch(docs))
        documented << m.captured(1);
    QDirIterator it(golden::folder("positions"), { "*.vorn", "*.vsi" }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        for (const QString& mark : marks(QDir(golden::folder("positions")).relativeFilePath(it.next())))
            marked << mark.section(' ', -1);
    // Notes need nested includes or unreadable files: the program's tests show them.
    for (const QString& code : documented) {
        if (!code.startsWith(u"V9")) {
            EXPECT_TRUE(marked.contains(code)) << code.toStdString() << " is marked in no script";
        }
    }
    for (const QString& code : marked)
        EXPECT_TRUE(documented.contains(code)) << code.toStdString() << " is not documented";
}

// A span as LINE:COLUMN-ENDLINE:ENDCOLUMN.
static QString range(const SourceSpan& span)
{
    return QStringLiteral("%1:%2-%3:%4").arg(span.line).arg(span.column).arg(span.endLine).arg(span.endColumn);
}

// Elements, the values given for them, definitions, value lists and members know their place;
// a copy keeps it, an element made in code has none.
TEST(PositionTest, DeclaredThingsKnowTheirSpans)
{
    auto s = cls_VornStructure::create();
    const bool parsed = s->PARSE(
        "BEGIN ENUMERATION NAME=\"KIND\"\n  ENUMITEM NAME=\"A\", VALUE=1\nEND\n"
        "BEGIN ELEMENT NAME=\"NODE\"\n  STRING NAME=\"ID\", REQUIRED=no\n"
        "  ENUM NAME=\"K\", ENUMID=\"KIND\", REQUIRED=no\nEND\n"
        "BEGIN NODE \"root\", ...\n  K=\"A\"\n  NODE ID=\"ä\", K=\"A\"\nEND\n");
    ASSERT_TRUE(parsed) << s->ERRORTEXT().toStdString();
    const Ref<cls_VornEnumeration> kind = s->ENUMERATIONS()->Item("KIND");
    EXPECT_EQ(range(kind->SPAN()), "1:1-3:4");
    EXPECT_EQ(range(kind->MEMBERSPAN("A")), "2:3-2:29");
    const Ref<cls_VornElementDef> node = s->DEFINITIONS()->Item("NODE");
    EXPECT_EQ(range(node->SPAN()), "4:1-7:4");
    EXPECT_EQ(range(node->ATTRIBUTES()->Item("ID")->SPAN()), "5:3-5:32");
    EXPECT_EQ(range(node->ATTRIBUTES()->Item("K")->SPAN()), "6:3-6:44");

    const Ref<cls_VornElement> root = s->ELEMENTS()->Item(1);
    ASSERT_TRUE(root);
    EXPECT_EQ(range(root->SPAN()), "8:1-11:4");
    EXPECT_EQ(range(root->TYPESPAN()), "8:7-8:11");
    EXPECT_EQ(range(root->VALUESPAN("id")), "8:12-8:18"); // given by position, found by its attribute
    EXPECT_EQ(range(root->NAMESPAN("ID")), "8:12-8:18");
    EXPECT_EQ(range(root->NAMESPAN("K")), "9:3-9:4"); // the continued statement's own line
    EXPECT_EQ(range(root->VALUESPAN("K")), "9:5-9:8");
    const Ref<cls_VornElement> child = root->ELEMENTS()->Item(1);
    EXPECT_EQ(range(child->SPAN()), "10:3-10:21");
    EXPECT_EQ(range(child->VALUESPAN("ID")), "10:11-10:14");
    EXPECT_FALSE(child->VALUESPAN("NONE").isValid());
    EXPECT_TRUE(child->SPAN().file.isEmpty());

    auto copy = cls_VornElement::create();
    copy->DATA().COPY(*root);
    EXPECT_EQ(copy->SPAN(), root->SPAN());
    EXPECT_EQ(range(copy->ELEMENTS()->Item(1)->VALUESPAN("ID")), "10:11-10:14");
    EXPECT_FALSE(cls_VornElement::create()->SPAN().isValid());
    EXPECT_TRUE(s->DIAGNOSTICS().empty());
}

// Where values stand when they leave the usual path: an ID the type does not declare becomes the
// element's own, a token split by "..." spans two lines, a long line is read through an index,
// a value given twice keeps its later place, and CRLF line ends count for nothing.
TEST(PositionTest, ValuesKeepTheirPlacesOffTheUsualPath)
{
    auto s = cls_VornStructure::create();
    const bool parsed = s->PARSE(
        "BEGIN ELEMENT NAME=\"T\"\r\n  STRING NAME=\"AB\", REQUIRED=no\r\nEND\r\n"
        "T ID=\"x\", A...\r\nB=\"1\"\r\n"
        "T A1=1, A2=2, A3=3, A4=4, A5=5, A6=6, A7=7, A8=8, A1=\"9\"\r\n");
    ASSERT_TRUE(parsed) << s->ERRORTEXT().toStdString();
    const Ref<cls_VornElement> first = s->ELEMENTS()->Item(1);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->ID(), "x");
    EXPECT_EQ(range(first->NAMESPAN("ID")), "4:3-4:5");
    EXPECT_EQ(range(first->VALUESPAN("ID")), "4:6-4:9");
    EXPECT_EQ(range(first->NAMESPAN("AB")), "4:11-5:2");
    EXPECT_EQ(range(first->VALUESPAN("AB")), "5:3-5:6");
    EXPECT_EQ(range(first->SPAN()), "4:1-5:6");

    const Ref<cls_VornElement> second = s->ELEMENTS()->Item(2);
    ASSERT_TRUE(second);
    EXPECT_EQ(range(second->NAMESPAN("A1")), "6:51-6:53");
    EXPECT_EQ(range(second->VALUESPAN("A1")), "6:54-6:57");
    EXPECT_EQ(range(second->VALUESPAN("A8")), "6:48-6:49");
    // The unknown attributes are reported at the first of them, where it was given last.
    ASSERT_FALSE(s->DIAGNOSTICS().empty());
    EXPECT_EQ(s->DIAGNOSTICS().front().span.line, 6);
    EXPECT_EQ(s->DIAGNOSTICS().front().span.column, 51);

    // Places too long for the bag's compact form: a long value, a long name.
    auto wide = cls_VornStructure::create();
    const QString longName = QString(300, u'N');
    wide->PARSE(
        "BEGIN ELEMENT NAME=\"W\"\n  STRING NAME=\"AB\", REQUIRED=no\n"
        "  STRING NAME=\"C\", REQUIRED=no\nEND\n"
        "W AB=\""
        + QString(70000, u'a') + "\", " + longName + "=1, C=2\n");
    const Ref<cls_VornElement> w = wide->ELEMENTS()->Item(1);
    ASSERT_TRUE(w);
    EXPECT_EQ(range(w->VALUESPAN("AB")), "5:6-5:70008");
    EXPECT_EQ(range(w->NAMESPAN(longName)), "5:70010-5:70310");
    EXPECT_EQ(range(w->NAMESPAN("C")), "5:70314-5:70315");
    EXPECT_EQ(range(w->VALUESPAN("C")), "5:70316-5:70317");
    auto copied = cls_VornAttributes::create();
    copied->COPY(*w->ATTRIBUTES());
    EXPECT_EQ(copied->placeAt(1).value, w->ATTRIBUTES()->placeAt(1).value);
}
