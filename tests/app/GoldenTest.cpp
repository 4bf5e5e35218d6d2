// The vorn program on the scripts in data/cli, compared with golden files (see
// support/Golden.h; regenerate with VORN_UPDATE_GOLDEN=1). NAME.expected holds standard output
// (JSON one value a line), then standard error and the exit status.
// "# run: ARGS" gives the command (default "check"); the file name follows, or, when ARGS end
// in "-", the script comes on standard input. "# cwd: DIR" runs it in that folder below
// data/cli instead of data/cli itself. The folder's own path shows as $DATA.
#include "support/Golden.h"
#include "support/Program.h"

namespace {

// JSON with every value, key and bracket on a line of its own, so that a golden file diffs well.
QString linedJson(const QString& json)
{
    QString out;
    bool inText = false;
    int depth = 0;
    auto newline = [&] { out += '\n' + QString(2 * depth, u' '); };
    for (qsizetype i = 0; i < json.size(); ++i) {
        const QChar c = json[i];
        if (inText) {
            out += c;
            if (c == u'\\')
                out += json[++i];
            else if (c == u'"')
                inText = false;
        } else if (c == u'{' || c == u'[') {
            out += c;
            ++depth;
            newline();
        } else if (c == u'}' || c == u']') {
            --depth;
            newline();
            out += c;
        } else if (c == u',') {
            out += c;
            newline();
        } else {
            inText = c == u'"';
            if (c != u'\n')
                out += c;
        }
    }
    return out + '\n';
}

class ProgramGolden : public AppTest, public ::testing::WithParamInterface<std::string> {};

} // namespace

TEST_P(ProgramGolden, MatchesExpected)
{
    const QString name = QString::fromStdString(GetParam()) + ".vorn";
    const QString script = golden::script("cli", GetParam());
    const QString args = golden::directive(script, "run", QStringLiteral("check"));
    const QString cwd = golden::directive(script, "cwd");
    const bool fromInput = args.endsWith(u'-');
    const Outcome r = run(fromInput ? args : args + ' ' + (cwd.isEmpty() ? name : "../" + name),
                          fromInput ? script.toUtf8() : QByteArray(), golden::folder("cli") + '/' + cwd);
    QString text = args.startsWith(u"dump") && r.code != 2 ? linedJson(r.outText()) : r.outText();
    if (!r.err.isEmpty())
        text += "--- standard error\n" + r.errText();
    text += "--- exit " + QString::number(r.code) + '\n';
    golden::expectMatches("cli", GetParam(), text.replace(golden::folder("cli"), QStringLiteral("$DATA")));
}
INSTANTIATE_TEST_SUITE_P(Golden, ProgramGolden, ::testing::ValuesIn(golden::cases("cli")), golden::testName);
