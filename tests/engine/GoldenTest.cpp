// Scripts read and written back, compared with golden files (see support/Golden.h; regenerate
// with VORN_UPDATE_GOLDEN=1).
//   data/parse/NAME.vorn  -> NAME.expected: what PARSE answered and listed, the element tree with
//                            typed values and errors, the definitions and value lists it made.
//   data/write/NAME.vorn  -> NAME.expected: the element tree written back as script text, or the
//                            lines written before the writer failed and its message.
// "# with: fixture" starts from the test definitions of support/Engine.h, "# with: builtins"
// shows the language's own definitions as well, "# read back: no" skips reading the written
// text again. ROOT is the family's folder.
#include "support/Golden.h"
#include "support/Dump.h"
#include "support/Engine.h"

using namespace support;

namespace {

Ref<cls_VornStructure> structureFor(const char* family, const QString& script)
{
    auto s = golden::directive(script, "with") == u"fixture" ? fixture() : cls_VornStructure::create();
    s->setROOT(golden::folder(family) + "/");
    return s;
}

// The written lines, and the writer's message when it failed.
QString written(const Ref<cls_VornStructure>& s)
{
    auto lines = CoreList::create();
    QString failure;
    try {
        s->ELEMENTS()->STORE(lines, 0, s);
    } catch (const Error& e) {
        failure = "! " + e.description() + "\n";
    }
    return lines->items().join('\n') + (lines->COUNT() ? "\n" : "") + failure;
}

class ParseGolden : public ::testing::TestWithParam<std::string> {};
class WriteGolden : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(ParseGolden, MatchesExpected)
{
    const QString script = golden::script("parse", GetParam());
    auto s = structureFor("parse", script);
    s->setSOURCE(QString::fromStdString(GetParam()) + ".vorn");
    auto list = CoreList::create();
    const bool parsed = s->PARSE(script, list);
    expectNumbered(*s);
    QString text = dump(*s, parsed, list->items(), { s->SOURCE(), golden::directive(script, "with") == u"builtins" });
    golden::expectMatches("parse", GetParam(), text.replace(golden::folder("parse"), QStringLiteral("$DATA")));
}
INSTANTIATE_TEST_SUITE_P(Golden, ParseGolden, ::testing::ValuesIn(golden::cases("parse")), golden::testName);

// A tree read without errors is written so that it reads back without errors and writes the
// same text again.
TEST_P(WriteGolden, MatchesExpectedAndReadsBack)
{
    const QString script = golden::script("write", GetParam());
    auto s = structureFor("write", script);
    const QStringList errors = parseList(s, script);
    const QString text = written(s);
    golden::expectMatches("write", GetParam(), text);
    if (!errors.isEmpty() || text.contains("\n! ") || text.startsWith("! ")
        || golden::directive(script, "read back") == u"no")
        return;
    auto again = structureFor("write", script);
    again->DEFINITIONS()->DATA().COPY(s->DEFINITIONS());
    again->ENUMERATIONS()->DATA().COPY(s->ENUMERATIONS());
    EXPECT_EQ(parseList(again, text), QStringList()) << text.toStdString();
    EXPECT_EQ(written(again).toStdString(), text.toStdString());
}
INSTANTIATE_TEST_SUITE_P(Golden, WriteGolden, ::testing::ValuesIn(golden::cases("write")), golden::testName);
