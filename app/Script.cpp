#include "Script.h"

#include <vorn/CoreServices.h>
#include <vorn/ErrorTextBudget.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace vornapp {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString StdinName = QStringLiteral("<stdin>");
constexpr qint64 MaxInput = qint64(256) * 1024 * 1024;

QString withSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool readStandardInput(QString& text, QString& message)
{
    QFile in;
    if (!in.open(0, QIODevice::ReadOnly)) {
        message = QStringLiteral("cannot read standard input: %1").arg(in.errorString());
        return false;
    }
    const QByteArray bytes = in.read(MaxInput + 1);
    if (bytes.size() > MaxInput) {
        message = QStringLiteral("standard input is larger than 256 MiB");
        return false;
    }
    bool isText = true;
    text = vorn::CoreServices::decodeText(bytes, &isText);
    if (!isText) {
        message = QStringLiteral("%1: not a text file (it holds NUL bytes or UTF-16 that does not decode)").arg(StdinName);
        return false;
    }
    return true;
}

// Texts joined by CR LF, one per entry; a stray line break inside a text becomes a blank so
// that every message stays on its line.
QStringList pieces(const QString& joined)
{
    QStringList out;
    if (joined.isEmpty())
        return out;
    for (QString piece : joined.split(CrLf)) {
        piece.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (!piece.isEmpty())
            out.append(piece);
    }
    return out;
}

} // namespace

bool loadScript(const QString& path, const QStringList& includeDirs, LoadedScript& out, QString& message,
                qint64 keepErrors)
{
    const bool fromStdin = path == QLatin1String("-");
    out = LoadedScript();
    out.name = fromStdin ? StdinName : path;
    out.structure = vorn::cls_VornStructure::create();
    out.errorList = vorn::CoreList::create();
    vorn::cls_VornStructure& s = *out.structure;
    s.setROOT(fromStdin ? QStringLiteral("./") : withSeparator(QFileInfo(path).path()));
    s.setSOURCE(path);
    for (const QString& dir : includeDirs)
        s.INCLUDEFOLDERS()->ADD(withSeparator(dir));

    QString text;
    if (fromStdin) {
        if (!readStandardInput(text, message))
            return false;
    } else {
        bool isText = true;
        try {
            text = vorn::CoreServices::instance().readTextFile(path, QString(), true, &isText);
        } catch (const vorn::Error& e) {
            message = e.description();
            return false;
        }
        // Checking a binary file would only bury the user in messages about noise.
        if (!isText) {
            message = QStringLiteral("%1: not a text file (it holds NUL bytes or UTF-16 that does not decode)").arg(path);
            return false;
        }
    }
    try {
        // The top file counts as being read, so a file that includes itself is caught at once.
        std::optional<vorn::IncludeScope> scope;
        if (!fromStdin)
            scope.emplace(path);
        std::optional<vorn::ErrorTextBudget> budget;
        if (keepErrors > 0)
            budget.emplace(keepErrors);
        // The error list would hold every text once more; only a full read hands one over.
        out.parsed = s.PARSE(text, budget ? vorn::Ref<vorn::CoreList>() : out.errorList);
        out.droppedErrors = budget ? budget->dropped() : 0;
    } catch (const vorn::Error& e) {
        message = QStringLiteral("%1: reading the script failed: %2").arg(out.name, e.description());
        return false;
    }
    return true;
}

std::vector<Diagnostic> diagnostics(const LoadedScript& script)
{
    std::vector<Diagnostic> out;
    vorn::cls_VornStructure& s = *script.structure;

    // Every text of ERRORTEXT, with the line the reader noted for it; 0 when it noted none.
    struct Located {
        qint32 line;
        QString text;
    };
    std::vector<Located> located;
    for (const auto& loc : s.errorLocations())
        for (const QString& piece : pieces(loc.text))
            located.push_back({ loc.line, piece });
    size_t next = 0;
    for (const QString& piece : pieces(s.ERRORTEXT())) {
        qint32 line = 0;
        if (next < located.size() && located[next].text == piece)
            line = located[next++].line;
        out.push_back({ script.name, line, piece });
    }

    const auto report = [&](const vorn::Ref<vorn::cls_VornElement>& e, const vorn::Ref<vorn::cls_VornElement>&) {
        const QStringList texts = pieces(e->ERRORTEXT());
        if (texts.isEmpty())
            return false;
        const QString source = e->SOURCEFILE();
        const QString& file = source.isEmpty() ? script.name : source;
        for (const QString& piece : texts)
            out.push_back({ file, e->LINE(), piece });
        return false;
    };
    vorn::walkElements(s.ELEMENTS()->entries(), {}, report);
    // Failed command blocks left the tree but their messages belong to the output.
    vorn::walkElements(s.droppedWithErrors(), {}, report);

    for (const auto& note : s.notes())
        out.push_back({ note.file.isEmpty() ? script.name : note.file, note.line, note.text, true });

    // By line within each file; files in the order they first appear.
    QStringList files;
    for (const Diagnostic& d : out)
        if (!files.contains(d.file))
            files.append(d.file);
    std::stable_sort(out.begin(), out.end(), [&](const Diagnostic& a, const Diagnostic& b) {
        const qsizetype fa = files.indexOf(a.file), fb = files.indexOf(b.file);
        return fa != fb ? fa < fb : a.line < b.line;
    });
    return out;
}

bool hasErrors(const LoadedScript& script)
{
    const vorn::cls_VornStructure& s = *script.structure;
    return s.ERRORS() || script.structure->ERRORSGLOBAL() || !s.droppedWithErrors().empty();
}

} // namespace vornapp
