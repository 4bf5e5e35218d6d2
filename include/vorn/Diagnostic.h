#pragma once
// One message the reader or the check recorded about a script, with its code and its place.

#include <vorn/SourceSpan.h>

#include <memory>

namespace vorn {

class cls_VornElement;

enum class Severity {
    Error,   // a fault of the script: the same text stands on the element or the structure
    Warning, // a trap that is no fault of the language
    Note,    // a hint about an error: why an included file failed, which file an INCLUDE took
};

struct Diagnostic {
    // "V" and a number; each kind of message keeps its code (docs/diagnostics.md lists them).
    QString code;
    Severity severity = Severity::Error;
    // The token at fault: the unknown type word, the value that did not convert, the attribute
    // name that is not declared, the BEGIN never closed, the END that closes nothing.
    SourceSpan span;
    // The message exactly as ERRORTEXT holds it.
    QString text;
    // The element that carries the text; none for the structure's own errors and for notes.
    std::weak_ptr<cls_VornElement> element;
};

} // namespace vorn
