#pragma once
// A script file opened for a program: read from disk, standard input or an editor's text,
// parsed into a structure, and its errors and notes as located messages. The `vorn` program,
// the editor window and the language server all open scripts this way.

#include <vorn/Diagnostic.h>
#include <vorn/Structure.h>

#include <QStringList>

#include <vector>

namespace vorn {

struct ScriptSettings {
    // Folders searched for included files after the script's own folder (`-I`).
    QStringList includeFolders;
    // Above 0: keep at most that many error texts and only count the rest, so that a
    // file of noise costs memory in proportion to what is shown.
    qint64 keepErrors = 0;
};

class ScriptFile {
public:
    // Reads and parses `path` ("-" is standard input). A file that cannot be read or is not
    // text (NUL bytes, UTF-16 that does not decode) gives a ScriptFile with failure() set and
    // no structure.
    static ScriptFile read(const QString& path, const ScriptSettings& settings = {});
    // Parses `text` as the content of `path` (empty: a script not saved yet, whose includes
    // are looked up from the working folder).
    static ScriptFile parse(const QString& path, const QString& text, const ScriptSettings& settings = {});

    // Why the script could not be read or parsed; empty when it was.
    const QString& failure() const noexcept { return m_failure; }
    bool isOpen() const noexcept { return m_structure != nullptr; }

    const QString& path() const noexcept { return m_path; }
    // The name messages use: the path, or "<stdin>".
    const QString& name() const noexcept { return m_name; }
    const Ref<cls_VornStructure>& structure() const noexcept { return m_structure; }
    // PARSE's answer: False when the structure itself recorded an error.
    bool parsed() const noexcept { return m_parsed; }
    // The error texts PARSE handed out, in the order found; left empty with keepErrors set.
    const Ref<CoreList>& errorList() const noexcept { return m_errorList; }
    // The error texts counted but not kept (see ScriptSettings::keepErrors).
    qint64 droppedErrors() const noexcept { return m_droppedErrors; }

    // The structure's DIAGNOSTICS with every file named (this script by name()), sorted by
    // place within each file (a note after the errors of its line), files in the order they
    // first appear.
    std::vector<Diagnostic> diagnostics() const;
    // Whether the structure or any element carries errors, even errors without text.
    bool hasErrors() const;

private:
    void parseText(const QString& text, const ScriptSettings& settings);

    QString m_path, m_name, m_failure;
    Ref<cls_VornStructure> m_structure;
    Ref<CoreList> m_errorList;
    bool m_parsed = false;
    qint64 m_droppedErrors = 0;
};

} // namespace vorn
