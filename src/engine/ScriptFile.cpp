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
    if (!m_structure)
        return {};
    std::vector<Diagnostic> out;
    for (const Diagnostic& d : m_structure->DIAGNOSTICS())
        if (!d.text.isEmpty())
            out.push_back(d);
    QStringList files;
    for (Diagnostic& d : out) {
        // A stray line break inside a text becomes a blank, so that every message stays on its line.
        d.text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (d.span.file.isEmpty())
            d.span.file = m_name;
        if (!files.contains(d.span.file))
            files.append(d.span.file);
    }
    // By place within each file, a note after the errors of its line; files in the order they
    // first appear.
    std::stable_sort(out.begin(), out.end(), [&](const Diagnostic& a, const Diagnostic& b) {
        const auto key = [&](const Diagnostic& d) {
            return std::tuple(files.indexOf(d.span.file), d.span.line, d.severity == Severity::Note, d.span.column);
        };
        return key(a) < key(b);
    });
    return out;
}

bool ScriptFile::hasErrors() const
{
    return m_structure
        && (m_structure->ERRORS() || m_structure->ERRORSGLOBAL() || !m_structure->droppedWithErrors().empty());
}

} // namespace vorn
