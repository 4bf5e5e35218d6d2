// The script writer: an element tree back to script lines.
#include "core/Vocabulary.h"
#include <vorn/Structure.h>

#include <QHash>

#include <algorithm>
#include <unordered_map>

namespace vorn {

namespace {

bool hasScriptForm(const QString& text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == vocabulary::Quote || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    });
}

// The element as a reader of the error finds it: type, identifier, line and file.
QString describe(const cls_VornElement& e)
{
    QString text = QStringLiteral("element ") + (e.SORT().isEmpty() ? QStringLiteral("(no type)") : e.SORT());
    if (!e.ID().isEmpty())
        text += QStringLiteral(" \"") + e.ID() + QLatin1Char('"');
    if (e.LINE() > 0) {
        text += QStringLiteral(" (");
        if (!e.SOURCEFILE().isEmpty())
            text += e.SOURCEFILE() + QLatin1Char(' ');
        text += QStringLiteral("line ") + QString::number(e.LINE()) + QLatin1Char(')');
    }
    return text;
}

[[noreturn]] void fail(const cls_VornElement& e, const QString& attribute, int number, const QString& why)
{
    QString text = QStringLiteral("Cannot write ") + describe(e);
    if (!attribute.isEmpty())
        text += QStringLiteral(", attribute ") + attribute;
    throw Error(number, QStringLiteral("STORE"), text + QStringLiteral(": ") + why);
}

bool isPassThrough(qint32 type)
{
    return type == TypeObject || type == TypeCollection || type == TypeArray || type == TypeBinary;
}

// Where the definition of a block-form element comes from: its parent, when the walk knows it,
// else the parent the structure finds by its UID (the element a caller asked to write).
struct Placement {
    bool known = false;
    const cls_VornElement* parent = nullptr;
};

// What one write asks again and again, answered once: the definition of a type in either form
// (by parent for a block, the first of the type for a line) and a definition's attribute by
// name. Nothing changes the definitions while a write runs; the keys are the texts as asked.
// It also keeps the one text every value is written into before it joins its line.
class WriteLookups {
public:
    QString& valueText() noexcept { return m_valueText; }
    Ref<cls_VornElementDef> definition(cls_VornStructure& structure, const QString& sort, const QString* parentSort)
    {
        Forms& forms = m_definitions[sort];
        if (!parentSort) {
            if (!forms.lineKnown) {
                forms.lineKnown = true;
                forms.line = structure.DEFINITIONS()->Item(sort);
            }
            return forms.line;
        }
        const auto known = forms.byParent.constFind(*parentSort);
        if (known != forms.byParent.cend())
            return *known;
        return *forms.byParent.insert(*parentSort, structure.DEFINITIONS()->ITEMPARENT(sort, *parentSort));
    }
    // The attributes of a definition asked so far; the reference holds while the write runs.
    using Attributes = QHash<QString, Ref<cls_VornAttributeDef>>;
    Attributes& attributesOf(const cls_VornElementDef& definition)
    {
        // Kept alive by its entry above, so the address stays this definition's.
        return m_attributes[&definition];
    }
    static Ref<cls_VornAttributeDef> attribute(Attributes& known, cls_VornElementDef& definition, const QString& name)
    {
        const auto found = known.constFind(name);
        if (found != known.cend())
            return *found;
        return *known.insert(name, definition.ATTRIBUTES()->Item(name));
    }

private:
    struct Forms {
        bool lineKnown = false;
        Ref<cls_VornElementDef> line;
        QHash<QString, Ref<cls_VornElementDef>> byParent;
    };
    QHash<QString, Forms> m_definitions;
    std::unordered_map<const cls_VornElementDef*, Attributes> m_attributes; // nodes stay where they are
    QString m_valueText;
};

// The lines of one element without its children: the whole element in line form, or its BEGIN
// and attribute lines in block form. Answers whether a block was opened (its END is still due).
// openBlocks counts the blocks of this write around the element.
bool writeHead(const cls_VornElement& e, Placement placement, CoreList& out, qint32 pIndent, int openBlocks,
               const Ref<cls_VornStructure>& pStructure, WriteLookups& lookups)
{
    const QString& sort = e.SORT();
    const AttributeValues& attributes = e.attributeValues();
    const QString indent(std::max(pIndent, 0), QLatin1Char('\t'));
    const QString id = e.ID();
    // A quote, line break or tab in the identifier would end it early, split the line or turn into a blank.
    if (!id.isEmpty() && !hasScriptForm(id))
        fail(e, QString(), ErrorConversion,
             QStringLiteral("the identifier holds a double quote, a line break or a tab and cannot be written"));
    const qint32 count = attributes.COUNT();
    const bool block = count > 5 || e.hasElements();
    // The reader skips a block nested deeper than this, so its text would not read back.
    if (block && openBlocks >= cls_VornStructure::MaxNesting)
        fail(e, QString(), ErrorService,
             QStringLiteral("it lies deeper than the %1 nested blocks a script may have")
                 .arg(cls_VornStructure::MaxNesting));

    // The block form chooses the definition by parent, the line form takes the first of the type.
    // Either answer is the same for every attribute, so it is asked once, at the first attribute.
    Ref<cls_VornElementDef> definition;
    WriteLookups::Attributes* attributesKnown = nullptr;
    bool definitionKnown = false;
    auto textOf = [&](qint32 i, const QString& name) -> const QString& {
        if (!definitionKnown) {
            definitionKnown = true;
            if (!pStructure)
                fail(e, name, ErrorService, QStringLiteral("no structure holds its definition"));
            if (block) {
                Ref<cls_VornElement> found;
                if (!placement.known)
                    found = pStructure->ELEMENTPARENT(e.UID());
                const cls_VornElement* parent = placement.known ? placement.parent : found.get();
                static const QString none = QStringLiteral("NONE");
                definition = lookups.definition(*pStructure, sort, parent ? &parent->SORT() : &none);
            } else {
                definition = lookups.definition(*pStructure, sort, nullptr);
            }
        }
        if (!definition)
            fail(e, name, ErrorService, QStringLiteral("the type has no definition"));
        if (!attributesKnown)
            attributesKnown = &lookups.attributesOf(*definition);
        const Ref<cls_VornAttributeDef> attribute = WriteLookups::attribute(*attributesKnown, *definition, name);
        const Variant& raw = attributes.valueAt(i);
        QString& text = lookups.valueText();
        text.clear();
        const qint32 type = attribute ? attribute->SORT() : TypeAtomic;
        if (!attribute || isPassThrough(type)) {
            // Written as it is, not through its data type: it must not break the line.
            try {
                if (!raw.isEmpty())
                    text = raw.toText();
            } catch (const Error& error) {
                fail(e, name, error.number(), error.description());
            }
            if (!hasScriptForm(text))
                fail(e, name, ErrorConversion,
                     QStringLiteral("the value holds a double quote, a line break or a tab and cannot be written"));
            return text;
        }
        // An empty text in a typed attribute is a value not given (the check fills it in for an
        // optional attribute without default); written as "" it would not read back.
        if (type != TypeString && type != TypeAtomic && raw.isText() && raw.text().isEmpty())
            return text;
        try {
            DataTypes::appendValueText(text, raw, type == TypeAtomic ? DataTypes::TYPEOFVALUE(raw.typeCode()) : type);
        } catch (const Error& error) {
            fail(e, name, error.number(), error.description());
        }
        return text;
    };

    // Each line is built in one string reserved up front: a chain of + makes a temporary per piece.
    auto startLine = [&indent](qsizetype room) {
        QString line;
        line.reserve(indent.size() + room);
        line += indent;
        return line;
    };
    auto appendQuotedId = [&id](QString& line) {
        if (!id.isEmpty()) {
            line += u' ';
            line += vocabulary::Quote;
            line += id;
            line += vocabulary::Quote;
        }
    };

    if (block) {
        QString head = startLine(9 + sort.size() + id.size());
        head += vocabulary::Begin;
        head += u' ';
        head += sort;
        appendQuotedId(head);
        out.ADD(head);
        for (qint32 i = 1; i <= count; ++i) {
            const QString& name = attributes.nameAt(i);
            const QString& t = textOf(i, name);
            if (t.isEmpty())
                continue;
            QString line = startLine(2 + name.size() + t.size());
            line += QLatin1Char('\t');
            line += name;
            line += vocabulary::Assign;
            line += t;
            out.ADD(line);
        }
        return true;
    }

    QString line = startLine(4 + sort.size() + id.size() + 24 * count);
    line += sort;
    appendQuotedId(line);
    bool first = true;
    for (qint32 i = 1; i <= count; ++i) {
        const QString& name = attributes.nameAt(i);
        const QString& t = textOf(i, name);
        if (t.isEmpty())
            continue;
        line += first && id.isEmpty() ? QLatin1String(" ") : QLatin1String(", ");
        first = false;
        line += name;
        line += vocabulary::Assign;
        line += t;
    }
    out.ADD(line);
    return false;
}

void writeEnd(CoreList& out, qint32 pIndent)
{
    out.ADD(QString(std::max(pIndent, 0), QLatin1Char('\t')) + vocabulary::End);
}

// Writes the elements of `entries` and their subtrees with an explicit stack, so that the depth
// of a tree costs no call stack. `owner` is the element whose children they are (its block is
// open and closed here), or none for a list written on its own, whose elements get `placement`.
void writeElements(const cls_VornElement* owner, const std::vector<Ref<cls_VornElement>>& entries, Placement placement,
                   CoreList& out, qint32 pIndent, const Ref<cls_VornStructure>& pStructure, WriteLookups& lookups)
{
    struct Level {
        const cls_VornElement* owner;
        const std::vector<Ref<cls_VornElement>>* entries;
        size_t next;
        qint32 indent;
    };
    std::vector<Level> stack{ Level{ owner, &entries, 0, pIndent } };
    int openBlocks = owner ? 1 : 0;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.entries->size()) {
            if (level.owner) {
                writeEnd(out, level.indent - 1);
                --openBlocks;
            }
            stack.pop_back();
            continue;
        }
        const cls_VornElement* e = level.entries->at(level.next++).get();
        if (!e || e->SORT().isEmpty()) // no type: not even the children are written
            continue;
        const Placement here = level.owner ? Placement{ true, level.owner } : placement;
        const qint32 indent = level.indent;
        if (!writeHead(*e, here, out, indent, openBlocks, pStructure, lookups))
            continue;
        if (e->hasElements()) {
            ++openBlocks;
            stack.push_back(Level{ e, &e->elementsIfAny()->entries(), 0, indent + 1 }); // `level` ends here
        } else {
            writeEnd(out, indent);
        }
    }
}

} // namespace

void cls_VornElement::STORE(const Ref<CoreList>& pCol, qint32 pIndent, const Ref<cls_VornStructure>& pStructure)
{
    if (m_sort.isEmpty())
        return;
    if (!pCol)
        fail(*this, QString(), ErrorService, QStringLiteral("there is no list to write to"));
    // Only this element's parent is looked up (once); the walk knows every other parent.
    WriteLookups lookups;
    if (!writeHead(*this, Placement(), *pCol, pIndent, 0, pStructure, lookups))
        return;
    if (hasElements())
        writeElements(this, m_elements->entries(), Placement(), *pCol, pIndent + 1, pStructure, lookups);
    else
        writeEnd(*pCol, pIndent);
}

void cls_VornElements::STORE(const Ref<CoreList>& pCol, qint32 pIndent, const Ref<cls_VornStructure>& pStructure)
{
    // The structure's own list has no parent to look up; any other list's elements each look
    // theirs up, which the tree's index answers after the first two.
    const bool topLevel = pStructure && pStructure->ELEMENTS().get() == this;
    const auto first = std::find_if(entries().begin(), entries().end(),
                                    [](const Ref<cls_VornElement>& e) { return e && !e->SORT().isEmpty(); });
    if (first == entries().end())
        return;
    if (!pCol)
        fail(**first, QString(), ErrorService, QStringLiteral("there is no list to write to"));
    WriteLookups lookups;
    writeElements(nullptr, entries(), Placement{ topLevel, nullptr }, *pCol, pIndent, pStructure, lookups);
}

} // namespace vorn
