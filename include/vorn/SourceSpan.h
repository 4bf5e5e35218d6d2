#pragma once
// Where something stands in a script. Lines are the file's physical lines and columns count
// UTF-16 code units, both from 1, as editors and the Language Server Protocol count them (less
// one there).

#include <QString>

namespace vorn {

// A stretch of one file's text: from (line, column) up to, not including, (endLine, endColumn).
// Line 0 means nowhere: made in code, unpacked from a package or read from a record.
struct TextRange {
    qint32 line = 0;
    qint32 column = 0;
    qint32 endLine = 0;
    qint32 endColumn = 0;

    bool isValid() const noexcept { return line > 0; }
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// A range in a named file.
struct SourceSpan : TextRange {
    // The file as the reader was given it: empty for the structure's own script, the path of an
    // included file otherwise.
    QString file;

    friend bool operator==(const SourceSpan&, const SourceSpan&) = default;
};

} // namespace vorn
