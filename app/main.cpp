// vorn: checks, dumps and writes Vorn Script files from the command line.

#include "JsonDump.h"
#ifdef VORN_WITH_WIDGETS
#include "EditorWindow.h"
#include "ViewCommand.h"
#endif

#ifdef VORN_WITH_WIDGETS
#include <vorn/viewer/Viewer.h>
#endif

#include <QCommandLineParser>

#include <cstdio>
#include <exception>

namespace vornapp {
namespace {

enum ExitCode { ExitOk = 0, ExitScriptErrors = 1, ExitUsage = 2 };

void writeTo(FILE* stream, const QByteArray& bytes)
{
    if (!bytes.isEmpty())
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void out(const QString& text) { writeTo(stdout, text.toUtf8()); }
void err(const QString& text) { writeTo(stderr, text.toUtf8()); }
void fail(const QString& message) { err(QStringLiteral("vorn: %1\n").arg(message)); }

struct Options {
    QStringList files;
    QStringList includeDirs;
    int maxErrors = 100; // check: messages shown per file; 0 shows all
    QString screenshot;  // view: render to this PNG and exit
    int startPage = -1;  // view: -1 auto, 1 elements, 2 definitions
    QString preselect;   // view: a definition name or an element's UID
    int argc = 0;
    char** argv = nullptr;
};

const char* const HelpText =
    "Usage: vorn [options] <command> FILE...\n"
    "\n"
    "Reads Vorn Script files.\n"
    "\n"
    "Commands:\n"
    "  check FILE...   parse and validate; print each error as FILE:LINE:COLUMN: message\n"
    "  dump FILE       print the parsed structure as one JSON object\n"
    "  write FILE      print the element tree as script text\n"
    "  view FILE       show the structure in the viewer dialog\n"
    "  edit [FILE]     edit a script in the editor window\n"
    "\n"
    "Options:\n"
    "  -I, --include <dir>     add a folder to search for included files (repeatable)\n"
    "  --include-root <dir>    refuse included files outside this folder, symbolic links\n"
    "                          resolved (repeatable; default: no confinement)\n"
    "  --max-errors <n>        check: show at most n messages per file (default 100; 0: all)\n"
    "  --screenshot <png>      view: render the dialog offscreen to a PNG and exit\n"
    "  --page <page>           view: start on 'elements' or 'definitions' (default: auto)\n"
    "  --select <name>         view: preselect a definition by name or an element by UID\n"
    "  -h, --help              show this help\n"
    "  -v, --version           show the version\n"
    "\n"
    "FILE '-' reads standard input. An INCLUDE in FILE looks for its file in FILE's folder,\n"
    "then as written (from the working folder), then in each -I folder. An INCLUDE inside\n"
    "an included file looks for its file as written only: from the working folder, not\n"
    "next to the included file, and without -I folders; check prints a note when that\n"
    "takes another file than the one next to it.\n"
    "\n"
    "Exit status: 0 success; 1 script errors (check) or a script that cannot be written\n"
    "(write); 2 usage error or a file that cannot be read or is not text.\n";

int usageError(const QString& message)
{
    fail(message);
    err(QStringLiteral("Try 'vorn --help'.\n"));
    return ExitUsage;
}

QString plural(qsizetype n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// A source line quoted in a message is cut to this many characters in the output; the
// object model keeps the whole text.
constexpr qsizetype MaxQuoted = 120;

QString cutQuoted(const QString& quoted)
{
    return quoted.size() <= MaxQuoted ? quoted : quoted.left(MaxQuoted) + QStringLiteral("...");
}

// Shortens what a message quotes. A quoted line or value runs from the first quote to the tail
// the message puts after it (the line itself may hold quotes); elsewhere each quoted name or
// value stands between a pair of quotes.
QString shortened(const QString& text)
{
    for (const QLatin1String prefix : { QLatin1String("Die Zeile '"), QLatin1String("Der Wert '") }) {
        if (!text.startsWith(prefix))
            continue;
        qsizetype close = -1;
        for (const char* tail : { "' enthält ", "' wurde nicht ", "' schließt kein", "' öffnet mehr" })
            close = std::max(close, text.lastIndexOf(QString::fromUtf8(tail)));
        if (close < prefix.size())
            break;
        return prefix + cutQuoted(text.mid(prefix.size(), close - prefix.size())) + text.mid(close);
    }
    QStringList parts = text.split(QLatin1Char('\''));
    for (qsizetype i = 1; i < parts.size(); i += 2)
        parts[i] = cutQuoted(parts[i]);
    return parts.join(QLatin1Char('\''));
}

int runCheck(const Options& o)
{
    int result = ExitOk;
    for (const QString& file : o.files) {
        const vorn::ScriptFile script = vorn::ScriptFile::read(file, { o.includeDirs, o.maxErrors });
        if (!script.isOpen()) {
            fail(script.failure());
            result = ExitUsage;
            continue;
        }
        const std::vector<vorn::Diagnostic> found = script.diagnostics();
        qint64 errors = script.droppedErrors(), shown = 0;
        QString lines;
        for (const vorn::Diagnostic& d : found) {
            const bool note = d.severity == vorn::Severity::Note;
            if (!note)
                ++errors;
            // A note goes with the error before it: shown when that was.
            if (o.maxErrors > 0 && errors - script.droppedErrors() > o.maxErrors)
                continue;
            if (!note)
                ++shown;
            lines += QStringLiteral("%1:%2:%3: %4%5\n")
                         .arg(d.span.file)
                         .arg(d.span.line)
                         .arg(d.span.column)
                         .arg(note ? QStringLiteral("note: ") : QString(), shortened(d.text));
            // Printed in pieces, so a long list never sits in memory twice.
            if (lines.size() > 1 << 16) {
                out(lines);
                lines.clear();
            }
        }
        if (shown < errors)
            lines += QStringLiteral("%1: %2 not shown (--max-errors 0 shows all)\n")
                         .arg(script.name(), plural(errors - shown, "more error", "more errors"));
        out(lines);
        const bool bad = errors > 0 || script.hasErrors();
        const QString count = plural(script.structure()->ELEMENTS()->COUNT(true), "element", "elements");
        const QString verdict = !bad ? QStringLiteral("no errors")
            : errors == 0            ? QStringLiteral("errors without text")
                                     : plural(errors, "error", "errors");
        err(QStringLiteral("%1: %2, %3\n").arg(script.name(), count, verdict));
        if (bad && result == ExitOk)
            result = ExitScriptErrors;
    }
    return result;
}

int runDump(const Options& o)
{
    const vorn::ScriptFile script = vorn::ScriptFile::read(o.files.first(), { o.includeDirs });
    if (!script.isOpen()) {
        fail(script.failure());
        return ExitUsage;
    }
    writeTo(stdout, dumpJson(script));
    return ExitOk;
}

int runWrite(const Options& o)
{
    const vorn::ScriptFile script = vorn::ScriptFile::read(o.files.first(), { o.includeDirs });
    if (!script.isOpen()) {
        fail(script.failure());
        return ExitUsage;
    }
    // Our own list keeps the lines written before a failure.
    const auto lines = vorn::CoreList::create();
    lines->setITEMKIND(8);
    QString failure;
    try {
        script.structure()->ELEMENTS()->STORE(lines, 0, script.structure());
    } catch (const vorn::Error& e) {
        failure = e.description();
    }
    // Line by line: a large tree never needs the whole script as one text and again as UTF-8.
    QByteArray bytes;
    for (const QString& line : lines->items()) {
        bytes = line.toUtf8();
        bytes += '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    }
    std::fflush(stdout);
    if (!failure.isNull()) {
        fail(QStringLiteral("%1: cannot be written: %2").arg(script.name(), failure));
        return ExitScriptErrors;
    }
    return ExitOk;
}

#ifdef VORN_WITH_WIDGETS
int runView(const Options& o)
{
    return runViewer(o.argc, o.argv, o.files.first(), o.includeDirs, o.startPage, o.preselect, o.screenshot);
}

int runEdit(const Options& o)
{
    vorn::installViewer(); // "Struktur anzeigen" opens the viewer
    return runEditor(o.argc, o.argv, o.files.isEmpty() ? QString() : o.files.first());
}
#else
int runWithoutWidgets(const Options&)
{
    return usageError(QStringLiteral("this vorn was built without the viewer and the editor (VORN_BUILD_WIDGETS=OFF)"));
}
const auto runView = runWithoutWidgets;
const auto runEdit = runWithoutWidgets;
#endif

struct Command {
    const char* name;
    int minFiles;
    int maxFiles; // -1: any number
    int (*run)(const Options&);
};

// view and edit join this table with the viewer and the editor.
const Command Commands[] = {
    { "check", 1, -1, runCheck }, { "dump", 1, 1, runDump }, { "write", 1, 1, runWrite },
    { "view", 1, 1, runView },    { "edit", 0, 1, runEdit },
};

int run(const QStringList& arguments, int argc, char** argv)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption include({ QStringLiteral("I"), QStringLiteral("include") },
                                     QStringLiteral("Folder searched for included files."), QStringLiteral("dir"));
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show help."));
    const QCommandLineOption version({ QStringLiteral("v"), QStringLiteral("version") },
                                     QStringLiteral("Show the version."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("Render the viewer to a PNG."),
                                        QStringLiteral("png"));
    const QCommandLineOption page(QStringLiteral("page"), QStringLiteral("Start page of the viewer."),
                                  QStringLiteral("page"));
    const QCommandLineOption select(QStringLiteral("select"), QStringLiteral("Preselected definition or UID."),
                                    QStringLiteral("name"));
    const QCommandLineOption includeRoot(QStringLiteral("include-root"),
                                         QStringLiteral("Folder that included files must lie in."),
                                         QStringLiteral("dir"));
    const QCommandLineOption maxErrors(QStringLiteral("max-errors"), QStringLiteral("Messages shown per file."),
                                       QStringLiteral("n"));
    parser.addOptions({ include, includeRoot, maxErrors, help, version, screenshot, page, select });
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        out(QString::fromLatin1(HelpText));
        return ExitOk;
    }
    if (parser.isSet(version)) {
        out(QStringLiteral("vorn %1\n").arg(QLatin1String(VORN_VERSION)));
        return ExitOk;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString name = positional.takeFirst();
    for (const Command& c : Commands) {
        if (name != QLatin1String(c.name))
            continue;
        const qsizetype n = positional.size();
        if (n < c.minFiles)
            return usageError(QStringLiteral("%1: no file given").arg(name));
        if (c.maxFiles >= 0 && n > c.maxFiles)
            return usageError(QStringLiteral("%1 takes one file").arg(name));
        Options o;
        o.files = positional;
        o.argc = argc;
        o.argv = argv;
        o.screenshot = parser.value(screenshot);
        o.preselect = parser.value(select);
        const QString startPage = parser.value(page);
        if (startPage == QLatin1String("elements"))
            o.startPage = 1;
        else if (startPage == QLatin1String("definitions"))
            o.startPage = 2;
        else if (!startPage.isEmpty() && startPage != QLatin1String("auto"))
            return usageError(QStringLiteral("--page takes elements, definitions or auto"));
        o.includeDirs = parser.values(include);
        for (const QString& dir : o.includeDirs)
            if (dir.isEmpty())
                return usageError(QStringLiteral("-I needs a folder"));
        if (parser.isSet(maxErrors)) {
            bool ok = false;
            o.maxErrors = parser.value(maxErrors).toInt(&ok);
            if (!ok || o.maxErrors < 0)
                return usageError(QStringLiteral("--max-errors takes a whole number, 0 for all"));
        }
        const QStringList roots = parser.values(includeRoot);
        for (const QString& dir : roots)
            if (dir.isEmpty())
                return usageError(QStringLiteral("--include-root needs a folder"));
        vorn::VORN()->setINCLUDEROOTS(roots);
        return c.run(o);
    }
    return usageError(QStringLiteral("unknown command '%1'").arg(name));
}

} // namespace
} // namespace vornapp

int main(int argc, char** argv)
{
    // No QCoreApplication: these commands need no event loop.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    try {
        return vornapp::run(arguments, argc, argv);
    } catch (const vorn::Error& e) {
        vornapp::fail(e.description());
    } catch (const std::exception& e) {
        vornapp::fail(QString::fromLocal8Bit(e.what()));
    }
    return vornapp::ExitUsage;
}
