#include "JsonDump.h"

#include <vorn/Structure.h>

#include <cmath>

namespace vornapp {

using namespace vorn;

namespace {

// The script's own name, for spans that name no file.
thread_local QString t_scriptName;

// "file" and "span" of something the script declared: the range as an object, null when the
// reader did not see it.
void place(JsonWriter& w, const SourceSpan& span)
{
    w.key("file");
    w.string(!span.isValid() ? QString() : span.file.isEmpty() ? t_scriptName : span.file);
    w.key("span");
    if (!span.isValid()) {
        w.null();
        return;
    }
    w.beginObject();
    w.key("line");
    w.integer(span.line);
    w.key("column");
    w.integer(span.column);
    w.key("endLine");
    w.integer(span.endLine);
    w.key("endColumn");
    w.integer(span.endColumn);
    w.endObject();
}

QString dateText(const QDateTime& d)
{
    if (!d.isValid())
        return QString();
    const QDate date = d.date();
    const QTime time = d.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", date.year(), date.month(), date.day(), time.hour(),
                             time.minute(), time.second());
}

void value(JsonWriter& w, const Variant& v)
{
    w.beginObject();
    w.key("t");
    switch (v.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Missing: w.string(QStringLiteral("empty")); break;
    case Variant::Kind::Text:
        w.string(QStringLiteral("text"));
        w.key("v");
        w.string(v.text());
        break;
    case Variant::Kind::Long:
        w.string(QStringLiteral("long"));
        w.key("v");
        w.integer(v.longValue());
        break;
    case Variant::Kind::Double:
        w.string(QStringLiteral("double"));
        w.key("v");
        w.number(v.doubleValue());
        break;
    case Variant::Kind::Bool:
        w.string(QStringLiteral("bool"));
        w.key("v");
        w.boolean(v.boolValue());
        break;
    case Variant::Kind::Date:
        w.string(QStringLiteral("date"));
        w.key("v");
        w.string(dateText(v.date()));
        break;
    case Variant::Kind::Array:
        w.string(QStringLiteral("array"));
        w.key("v");
        w.beginArray();
        for (const Variant& item : v.array())
            value(w, item);
        w.endArray();
        break;
    case Variant::Kind::Object:
        w.string(QStringLiteral("object"));
        w.key("class");
        w.string(v.object() ? v.object()->className() : QString());
        break;
    }
    w.endObject();
}

void textList(JsonWriter& w, const QStringList& texts)
{
    w.beginArray();
    for (const QString& t : texts)
        w.string(t);
    w.endArray();
}

// Writes the fields of one element up to its open "elements" array.
void elementHead(JsonWriter& w, cls_VornElement& e)
{
    w.beginObject();
    w.key("sort");
    w.string(e.SORT());
    w.key("id");
    w.string(e.ID());
    w.key("uid");
    w.integer(e.UID());
    w.key("line");
    w.integer(e.LINE());
    w.key("errors");
    w.boolean(e.ERRORS());
    w.key("errortext");
    w.string(e.ERRORTEXT());
    w.key("attributes");
    w.beginArray();
    const AttributeValues& bag = e.attributeValues();
    for (qint32 i = 1; i <= bag.COUNT(); ++i) {
        w.beginArray();
        w.string(bag.NAME(i));
        value(w, bag.VALUE(i));
        w.endArray();
    }
    w.endArray();
    w.key("elements");
    w.beginArray();
}

// The tree without recursion, so that deep nesting cannot exhaust the stack.
void elements(JsonWriter& w, const Ref<cls_VornElements>& top)
{
    struct Frame {
        const std::vector<Ref<cls_VornElement>>* list;
        size_t next;
        const cls_VornElement* owner; // the element whose children these are
    };
    w.beginArray();
    std::vector<Frame> stack{ { &top->entries(), 0, nullptr } };
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.list->size()) {
            const cls_VornElement* owner = f.owner;
            stack.pop_back();
            w.endArray();
            if (owner) {
                place(w, owner->SPAN());
                w.endObject();
            }
            continue;
        }
        const Ref<cls_VornElement>& e = (*f.list)[f.next++];
        if (!e) {
            w.null();
            continue;
        }
        elementHead(w, *e);
        if (const auto& children = e->elementsIfAny(); children && children->COUNT() > 0) {
            stack.push_back({ &children->entries(), 0, e.get() });
        } else {
            w.endArray();
            place(w, e->SPAN());
            w.endObject();
        }
    }
}

void attributeDefinition(JsonWriter& w, cls_VornAttributeDef& a)
{
    w.beginObject();
    w.key("name");
    w.string(a.NAME());
    w.key("sort");
    w.integer(a.SORT());
    w.key("default");
    value(w, a.DEFAULT());
    w.key("required");
    w.boolean(a.REQUIRED());
    w.key("fixed");
    w.boolean(a.FIXED());
    w.key("enumid");
    w.string(a.ENUMID());
    w.key("description");
    w.string(a.DESCRIPTION());
    place(w, a.SPAN());
    w.endObject();
}

void definition(JsonWriter& w, cls_VornElementDef& d)
{
    w.beginObject();
    w.key("name");
    w.string(d.NAME());
    w.key("description");
    w.string(d.DESCRIPTION());
    w.key("internal");
    w.boolean(d.INTERNAL());
    w.key("group");
    w.string(d.GROUP());
    w.key("icon");
    w.string(d.ICON());
    w.key("color");
    w.integer(d.COLOR());
    w.key("source");
    w.string(d.SOURCE());
    w.key("unique");
    w.boolean(d.UNIQUE());
    w.key("childrenmin");
    w.integer(d.CHILDRENMIN());
    w.key("childrenmax");
    w.integer(d.CHILDRENMAX());
    w.key("parentsallowed");
    textList(w, d.PARENTSALLOWED()->items());
    w.key("parentclonesallowed");
    textList(w, d.PARENTCLONESALLOWED()->items());
    w.key("childrenrequired");
    textList(w, d.CHILDRENREQUIRED()->items());
    w.key("nextallowed");
    textList(w, d.NEXTALLOWED()->items());
    w.key("previousallowed");
    textList(w, d.PREVIOUSALLOWED()->items());
    w.key("childrenallowed");
    textList(w, d.CHILDRENALLOWED()->items());
    w.key("ancestors");
    textList(w, d.ANCESTORS()->items());
    w.key("attributes");
    w.beginArray();
    const Ref<cls_VornAttributeDefs>& attributes = d.ATTRIBUTES();
    for (qint32 i = 1; i <= attributes->COUNT(); ++i)
        attributeDefinition(w, *attributes->Item(i));
    w.endArray();
    place(w, d.SPAN());
    w.endObject();
}

void enumeration(JsonWriter& w, cls_VornEnumeration& n)
{
    w.beginObject();
    w.key("id");
    w.string(n.ID());
    w.key("description");
    w.string(n.ENUMDESCRIPTION());
    w.key("members");
    w.beginArray();
    for (qint32 i = 1; i <= n.COUNT(); ++i) {
        w.beginObject();
        w.key("name");
        w.string(n.NAME(i));
        w.key("value");
        value(w, n.VALUE(i));
        w.key("description");
        w.string(n.DESCRIPTION(i));
        place(w, n.MEMBERSPAN(i));
        w.endObject();
    }
    w.endArray();
    place(w, n.SPAN());
    w.endObject();
}

} // namespace

QByteArray dumpJson(const ScriptFile& script)
{
    cls_VornStructure& s = *script.structure();
    t_scriptName = script.name();
    JsonWriter w;
    w.beginObject();
    w.key("parsed");
    w.boolean(script.parsed());
    w.key("errors");
    w.boolean(s.ERRORS());
    w.key("errortext");
    w.string(s.ERRORTEXT());
    w.key("uidlast");
    w.integer(s.UIDLAST());
    w.key("errorlist");
    textList(w, script.errorList()->items());
    w.key("elements");
    elements(w, s.ELEMENTS());
    w.key("definitions");
    w.beginArray();
    const Ref<cls_VornElementDefs>& definitions = s.DEFINITIONS();
    for (qint32 i = 1; i <= definitions->COUNT(); ++i)
        definition(w, *definitions->Item(i)); // an empty position reads as a new definition
    w.endArray();
    w.key("enumerations");
    w.beginArray();
    const Ref<cls_VornEnumerations>& enumerations = s.ENUMERATIONS();
    for (qint32 i = 1; i <= enumerations->COUNT(); ++i)
        enumeration(w, *enumerations->Item(i));
    w.endArray();
    // Every error and note with its code and place, as `vorn check` lists them.
    w.key("diagnostics");
    w.beginArray();
    for (const Diagnostic& d : script.diagnostics()) {
        w.beginObject();
        w.key("code");
        w.string(d.code);
        w.key("severity");
        w.string(d.severity == Severity::Note          ? QStringLiteral("note")
                     : d.severity == Severity::Warning ? QStringLiteral("warning")
                                                       : QStringLiteral("error"));
        w.key("text");
        w.string(d.text);
        place(w, d.span);
        w.endObject();
    }
    w.endArray();
    w.endObject();
    QByteArray out = w.bytes();
    out += '\n';
    return out;
}

} // namespace vornapp
