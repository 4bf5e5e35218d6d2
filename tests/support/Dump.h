#pragma once
// A structure as plain text, one fact a line, for golden files: what PARSE answered and listed,
// the structure's errors, the element tree with typed values, the definitions and value lists
// the script made, and the notes.

#include <vorn/vorn.h>

#include <QTextStream>

namespace support {
using namespace vorn;

// Control characters and backslashes escaped, so that every text stays on its line.
inline QString escaped(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.isSurrogate())
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}
inline QString quoted(const QString& text) { return '"' + escaped(text) + '"'; }

// A value with its kind: long 5, double 0.5, text "x", array (long 1, empty), ...
inline QString described(const Variant& v)
{
    switch (v.kind()) {
    case Variant::Kind::Empty: return QStringLiteral("empty");
    case Variant::Kind::Missing: return QStringLiteral("missing");
    case Variant::Kind::Text: return "text " + quoted(v.text());
    case Variant::Kind::Long: return "long " + QString::number(v.longValue());
    case Variant::Kind::Double: return "double " + numberText(v.doubleValue());
    case Variant::Kind::Bool: return v.boolValue() ? QStringLiteral("bool True") : QStringLiteral("bool False");
    case Variant::Kind::Date: // milliseconds and a time that is not UTC shown, too
        return "date " + v.toText() + (v.date().time().msec() ? QString::asprintf(".%03d", v.date().time().msec()) : "")
            + (v.date().timeSpec() == Qt::UTC ? "" : " (not UTC)");
    case Variant::Kind::Object: return "object " + (v.object() ? v.object()->className() : QStringLiteral("none"));
    case Variant::Kind::Array: {
        QStringList items;
        for (const Variant& item : v.array())
            items << described(item);
        return "array (" + items.join(QStringLiteral(", ")) + ")";
    }
    }
    return {};
}

inline QString listed(const Ref<CoreList>& list)
{
    QStringList items;
    for (const QString& item : list->items())
        items << quoted(item);
    return items.join(QStringLiteral(", "));
}

struct DumpOptions {
    QString source;              // only definitions with this SOURCE are shown...
    bool allDefinitions = false; // ...unless all are wanted
};

inline void dumpElements(QTextStream& out, cls_VornElements& list, int depth, const DumpOptions& o)
{
    const QString indent(2 * depth, u' ');
    for (const Ref<cls_VornElement>& e : list.entries()) {
        out << indent << (e->SORT().isEmpty() ? QStringLiteral("(no type)") : e->SORT());
        if (!e->ID().isEmpty())
            out << " id " << quoted(e->ID());
        out << " uid " << e->UID() << " line " << e->LINE();
        if (!e->SOURCEFILE().isEmpty())
            out << " file " << e->SOURCEFILE();
        out << '\n';
        const AttributeValues& bag = e->attributeValues();
        for (qint32 i = 1; i <= bag.COUNT(); ++i)
            out << indent << "  " << bag.NAME(i) << ": " << described(bag.VALUE(i)) << '\n';
        if (e->ERRORS() || !e->ERRORTEXT().isEmpty())
            for (const QString& text : e->ERRORTEXT().split(QStringLiteral("\r\n")))
                out << indent << "  ! " << escaped(text) << '\n';
        if (e->hasElements())
            dumpElements(out, *e->elementsIfAny(), depth + 1, o);
    }
}

inline QString dump(cls_VornStructure& s, bool parsed, const QStringList& list, const DumpOptions& o)
{
    QString text;
    QTextStream out(&text);
    out << "parse answered " << (parsed ? "True" : "False") << '\n';
    for (const QString& message : list)
        out << "listed: " << escaped(message) << '\n';
    if (s.ERRORS() || !s.ERRORTEXT().isEmpty())
        out << "structure errors: " << quoted(s.ERRORTEXT()) << '\n';
    for (const auto& location : s.errorLocations())
        out << "  line " << location.line << ": " << escaped(location.text) << '\n';
    for (const auto& note : s.notes())
        out << "note " << (note.file.isEmpty() ? QString() : note.file + " ") << "line " << note.line << ": "
            << escaped(note.text) << '\n';

    out << "elements, last uid " << s.UIDLAST() << ":\n";
    dumpElements(out, *s.ELEMENTS(), 1, o);

    for (const Ref<cls_VornElementDef>& d : s.DEFINITIONS()->entries()) {
        if (!o.allDefinitions && d->SOURCE() != o.source)
            continue;
        out << "definition " << quoted(d->NAME()) << (d->INTERNAL() ? " internal" : "");
        for (const auto& [label, value] :
             { std::pair{ "description", d->DESCRIPTION() }, { "icon", d->ICON() }, { "group", d->GROUP() } })
            if (!value.isEmpty())
                out << ' ' << label << ' ' << quoted(value);
        if (d->COLOR())
            out << " color " << d->COLOR();
        out << '\n';
        for (const auto& [label, l] : { std::pair{ "parents", d->PARENTSALLOWED() },
                                        { "clone parents", d->PARENTCLONESALLOWED() },
                                        { "ancestors", d->ANCESTORS() } })
            if (l->COUNT())
                out << "  " << label << ": " << listed(l) << '\n';
        for (const Ref<cls_VornAttributeDef>& a : d->ATTRIBUTES()->entries()) {
            out << "  attribute " << a->NAME() << ' ' << DataTypes::TYPETEXT(a->SORT()) << " default "
                << described(a->DEFAULT()) << (a->REQUIRED() ? " required" : "") << (a->FIXED() ? " fixed" : "");
            if (!a->ENUMID().isEmpty())
                out << " list " << quoted(a->ENUMID());
            if (!a->DESCRIPTION().isEmpty())
                out << ' ' << quoted(a->DESCRIPTION());
            out << '\n';
        }
    }
    for (const Ref<cls_VornEnumeration>& e : s.ENUMERATIONS()->entries()) {
        out << "value list " << quoted(e->ID());
        if (!e->ENUMDESCRIPTION().isEmpty())
            out << ' ' << quoted(e->ENUMDESCRIPTION());
        out << '\n';
        for (qint32 i = 1; i <= e->COUNT(); ++i) {
            out << "  " << e->NAME(i) << ": " << described(e->VALUE(i));
            if (!e->DESCRIPTION(i).isEmpty())
                out << ' ' << quoted(e->DESCRIPTION(i));
            out << '\n';
        }
    }
    return text;
}

} // namespace support
