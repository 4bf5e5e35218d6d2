#pragma once
// Every kind of message the engine records, with its published code: a number is never given
// to another kind (docs/diagnostics.md lists them). The texts stay where they are built.

#include <vorn/Diagnostic.h>
#include <vorn/ElementSource.h>
#include <vorn/Object.h>

namespace vorn {

class cls_VornElement;
class cls_VornStructure;

enum class Message : quint16 {
    // reading a line
    InvalidCharacter = 101,
    MisplacedCharacter = 102,
    LineNotClosed = 103,
    UnknownValue = 104,
    ValuesOutsideElement = 105,
    NestedTooDeep = 106,
    EndWithoutBegin = 107,
    BeginWithoutEnd = 108,
    // checking an element
    NoType = 201,
    UndefinedType = 202,
    MustStandAtTop = 203,
    ParentUndefined = 204,
    ParentNotAllowed = 205,
    ParentNotAllowedNorDerived = 206,
    ParentNotDerived = 207,
    FixedAttributeGiven = 208,
    RequiredAttributeMissing = 209,
    IncompatibleValue = 210,
    UnknownAttributes = 211,
    // declaring element types
    ModifyOfUndefined = 301,
    TypeExists = 302,
    CloneOfUndefined = 303,
    DefaultNotInList = 304,
    AttributeNotInType = 305,
    InvalidDeclarationPart = 306,
    ListUndefined = 307,
    // declaring value lists
    ListExists = 401,
    ListPartNotMember = 402,
    MemberExists = 403,
    // including files
    IncludeNotFound = 501,
    IncludeOutsideRoots = 502,
    IncludeFailed = 503,
    // notes
    IncludeLookup = 901,
    IncludeCause = 902,
    IncludeUnreadable = 903,
};

QString codeOf(Message kind);
Severity severityOf(Message kind);

// Sets the error on the element and, while the structure reads a script, records it at `at`
// (in the element's file).
void reportError(cls_VornStructure& structure, cls_VornElement& element, Message kind, const QString& text,
                 const TextRange& at);
// The same for an element held by reference, which the diagnostic then names.
void reportError(cls_VornStructure& structure, const Ref<cls_VornElement>& element, Message kind, const QString& text,
                 const TextRange& at);
// An error of the structure itself, found on the statement that starts on `statementLine`.
void reportError(cls_VornStructure& structure, Message kind, const QString& text, const TextRange& at,
                 qint32 statementLine);
// A note; `file` names an included file, empty for the structure's own script.
void reportNote(cls_VornStructure& structure, Message kind, const QString& text, const TextRange& at,
                const QString& file = QString());

// The place of an element's type word, else of its first word.
TextRange typeRange(const cls_VornElement& element);
// The place of an attribute value given in the script, else of the element's type word.
TextRange valueRange(const cls_VornElement& element, const QString& upperName);
// The place of an attribute's name given in the script, else of the element's type word.
TextRange nameRange(const cls_VornElement& element, const QString& upperName);
// The place of an extent of the element's file, else of the element's type word.
TextRange rangeIn(const cls_VornElement& element, const TextExtent& extent);

} // namespace vorn
