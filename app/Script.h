#pragma once
// Reading a script file into a structure, and the errors it holds as located messages.

#include <vorn/Structure.h>

#include <QStringList>

#include <vector>

namespace vornapp {

struct LoadedScript {
    vorn::Ref<vorn::cls_VornStructure> structure;
    vorn::Ref<vorn::CoreList> errorList; // the texts PARSE appended
    bool parsed = false;                 // PARSE's answer
    QString name;                        // the file as messages name it
    qint64 droppedErrors = 0;            // error texts counted but not kept
};

// Reads `path` ("-" for standard input) and parses it with ROOT, SOURCE and the include folders
// set. Answers False with a message when the file cannot be read.
// With keepErrors > 0, at most that many error texts are kept (the rest only counted), so that
// a file of noise costs memory in proportion to what is shown.
bool loadScript(const QString& path, const QStringList& includeDirs, LoadedScript& out, QString& message,
                qint64 keepErrors = 0);

struct Diagnostic {
    QString file;
    qint32 line = 0;
    QString text;
    bool note = false; // a hint, not an error: it changes no exit status
};

// One entry per error text of the structure and its elements (walked depth-first in script
// order) and per note, sorted by line within each file (a note after the errors of its line);
// files in the order they first appear.
std::vector<Diagnostic> diagnostics(const LoadedScript& script);

// True when the structure or any element carries errors, even errors without text.
bool hasErrors(const LoadedScript& script);

} // namespace vornapp
