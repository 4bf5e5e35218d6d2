#include "engine/Messages.h"

#include <vorn/Structure.h>

namespace vorn {

QString codeOf(Message kind) { return QLatin1Char('V') + QString::number(int(kind)); }

Severity severityOf(Message kind) { return int(kind) >= 900 ? Severity::Note : Severity::Error; }

namespace {

Diagnostic diagnostic(Message kind, const QString& text, const TextRange& at, const QString& file)
{
    Diagnostic d;
    d.code = codeOf(kind);
    d.severity = severityOf(kind);
    static_cast<TextRange&>(d.span) = at;
    d.span.file = file;
    d.text = text;
    return d;
}

} // namespace

void reportError(cls_VornStructure& structure, cls_VornElement& element, Message kind, const QString& text,
                 const TextRange& at)
{
    if (element.addErrorText(text))
        structure.addDiagnostic(diagnostic(kind, text, at, element.SOURCEFILE()), &element);
}

void reportError(cls_VornStructure& structure, const Ref<cls_VornElement>& element, Message kind, const QString& text,
                 const TextRange& at)
{
    if (!element->addErrorText(text))
        return;
    Diagnostic d = diagnostic(kind, text, at, element->SOURCEFILE());
    d.element = element;
    structure.addDiagnostic(std::move(d));
}

void reportError(cls_VornStructure& structure, Message kind, const QString& text, const TextRange& at,
                 qint32 statementLine)
{
    if (structure.errorAt(statementLine, text))
        structure.addDiagnostic(diagnostic(kind, text, at, QString()));
}

void reportNote(cls_VornStructure& structure, Message kind, const QString& text, const TextRange& at,
                const QString& file)
{
    structure.noteAt(at.line, text, file);
    structure.addDiagnostic(diagnostic(kind, text, at, file));
}

TextRange typeRange(const cls_VornElement& element)
{
    const ElementSource* source = element.source();
    if (!source)
        return TextRange{ element.LINE(), 0, element.LINE(), 0 };
    return source->range(source->type.isSet() ? source->type : source->keyword);
}

TextRange rangeIn(const cls_VornElement& element, const TextExtent& extent)
{
    const ElementSource* source = element.source();
    return source && extent.isSet() ? source->range(extent) : typeRange(element);
}

TextRange valueRange(const cls_VornElement& element, const QString& upperName)
{
    return rangeIn(element, element.placeOf(upperName).value);
}

TextRange nameRange(const cls_VornElement& element, const QString& upperName)
{
    return rangeIn(element, element.placeOf(upperName).name);
}

} // namespace vorn
