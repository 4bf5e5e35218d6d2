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
};

// Reads `path` ("-" for standard input) and parses it with ROOT, SOURCE and the include folders
// set. Answers False with a message when the file cannot be read.
bool loadScript(const QString& path, const QStringList& includeDirs, LoadedScript& out, QString& message);

struct Diagnostic {
    QString file;
    qint32 line = 0;
    QString text;
};

// One entry per error text of the structure and its elements (walked depth-first in script
// order), sorted by line within each file; files in the order they first appear.
std::vector<Diagnostic> diagnostics(const LoadedScript& script);

// True when the structure or any element carries errors, even errors without text.
bool hasErrors(const LoadedScript& script);

} // namespace vornapp
