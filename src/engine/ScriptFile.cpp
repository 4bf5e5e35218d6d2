#include <vorn/ScriptFile.h>

#include <vorn/CoreServices.h>
#include <vorn/ErrorTextBudget.h>

#include <QFile>
#include <QFileInfo>

#include "engine/IncludeScope.h"
#include <algorithm>
#include <optional>

namespace vorn {

namespace {

const QString StdinName = QStringLiteral("<stdin>");
constexpr qint64 MaxInput = qint64(256) * 1024 * 1024;

QString notText(const QString& name)
{
    return QStringLiteral("%1: not a text file (it holds NUL bytes or UTF-16 that does not decode)").arg(name);
}

QString withSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

std::optional<QString> readStandardInput(QString& failure)
{
    QFile in;
    if (!in.open(0, QIODevice::ReadOnly)) {
        failure = QStringLiteral("cannot read standard input: %1").arg(in.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = in.read(MaxInput + 1);
    if (bytes.size() > MaxInput) {
        failure = QStringLiteral("standard input is larger than 256 MiB");
        return std::nullopt;
    }
    bool isText = true;
    QString text = CoreServices::decodeText(bytes, &isText);
    if (!isText) {
        failure = notText(StdinName);
        return std::nullopt;
    }
    return text;
}

// Texts joined by CR LF, one per entry; a stray line break inside a text becomes a blank so
// that every message stays on its line.
QStringList pieces(const QString& joined)
{
    QStringList out;
    if (joined.isEmpty())
        return out;
    for (QString piece : joined.split(QStringLiteral("\r\n"))) {
        piece.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (!piece.isEmpty())
            out.append(piece);
    }
    return out;
}

} // namespace

ScriptFile ScriptFile::read(const QString& path, const ScriptSettings& settings)
{
    ScriptFile file;
    file.m_path = path;
    file.m_name = path == QLatin1String("-") ? StdinName : path;
    std::optional<QString> text;
    if (path == QLatin1String("-")) {
        text = readStandardInput(file.m_failure);
    } else {
        bool isText = true;
        try {
            text = CoreServices::instance().readTextFile(path, QString(), true, &isText);
        } catch (const Error& e) {
            file.m_failure = e.description();
        }
        // Checking a binary file would only bury the user in messages about noise.
        if (text && !isText) {
            text.reset();
            file.m_failure = notText(path);
        }
    }
    if (text)
        file.parseText(*text, settings);
    return file;
}

ScriptFile ScriptFile::parse(const QString& path, const QString& text, const ScriptSettings& settings)
{
    ScriptFile file;
    file.m_path = path;
    file.m_name = path;
    file.parseText(text, settings);
    return file;
}

void ScriptFile::parseText(const QString& text, const ScriptSettings& settings)
{
    const bool named = !m_path.isEmpty() && m_path != QLatin1String("-");
    const Ref<cls_VornStructure> s = cls_VornStructure::create();
    s->setROOT(named ? withSeparator(QFileInfo(m_path).path()) : QStringLiteral("./"));
    s->setSOURCE(m_path);
    for (const QString& folder : settings.includeFolders)
        s->INCLUDEFOLDERS()->ADD(withSeparator(folder));
    m_errorList = CoreList::create();
    try {
        // The file counts as being read, so a file that includes itself is caught at once.
        std::optional<IncludeScope> scope;
        if (named)
            scope.emplace(m_path);
        std::optional<ErrorTextBudget> budget;
        if (settings.keepErrors > 0)
            budget.emplace(settings.keepErrors);
        // The error list would hold every text once more; only a full read hands one over.
        m_parsed = s->PARSE(text, budget ? Ref<CoreList>() : m_errorList);
        m_droppedErrors = budget ? budget->dropped() : 0;
    } catch (const Error& e) {
        m_failure = QStringLiteral("%1: reading the script failed: %2").arg(m_name, e.description());
        return;
    }
    m_structure = s;
}

std::vector<Diagnostic> ScriptFile::diagnostics() const
{
    std::vector<Diagnostic> out;
    if (!m_structure)
        return out;
    cls_VornStructure& s = *m_structure;

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
        out.push_back({ m_name, line, piece });
    }

    const auto report = [&](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>&) {
        const QStringList texts = pieces(e->ERRORTEXT());
        if (texts.isEmpty())
            return false;
        const QString source = e->SOURCEFILE();
        const QString& file = source.isEmpty() ? m_name : source;
        for (const QString& piece : texts)
            out.push_back({ file, e->LINE(), piece });
        return false;
    };
    walkElements(s.ELEMENTS()->entries(), {}, report);
    // Failed command blocks left the tree but their messages belong to the output.
    walkElements(s.droppedWithErrors(), {}, report);

    for (const auto& note : s.notes())
        out.push_back({ note.file.isEmpty() ? m_name : note.file, note.line, note.text, true });

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

bool ScriptFile::hasErrors() const
{
    return m_structure
        && (m_structure->ERRORS() || m_structure->ERRORSGLOBAL() || !m_structure->droppedWithErrors().empty());
}

} // namespace vorn
