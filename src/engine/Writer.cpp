// The script writer: an element tree back to script lines.
#include <vorn/Structure.h>

#include <algorithm>

namespace vorn {

namespace {

bool hasScriptForm(const QString& text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
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

} // namespace

void cls_VornElement::STORE(const Ref<CoreList>& pCol, qint32 pIndent, const Ref<cls_VornStructure>& pStructure)
{
    if (m_sort.isEmpty())
        return;
    if (!pCol)
        fail(*this, QString(), ErrorService, QStringLiteral("there is no list to write to"));
    const ParentIndexScope scope(pStructure);

    const QString indent(std::max(pIndent, 0), QLatin1Char('\t'));
    const QString id = ID();
    // A quote, line break or tab in the identifier would end it early, split the line or turn into a blank.
    if (!id.isEmpty() && !hasScriptForm(id))
        fail(*this, QString(), ErrorConversion,
             QStringLiteral("the identifier holds a double quote, a line break or a tab and cannot be written"));
    const qint32 count = m_attributes ? m_attributes->COUNT() : 0;
    const bool block = count > 5 || hasElements();

    // The block form chooses the definition by parent, the line form takes the first of the type.
    // Either answer is the same for every attribute, so it is asked once, at the first attribute.
    Ref<cls_VornElementDef> definition;
    bool definitionKnown = false;
    auto textOf = [&](qint32 i, const QString& name) -> QString {
        if (!definitionKnown) {
            definitionKnown = true;
            if (!pStructure)
                fail(*this, name, ErrorService, QStringLiteral("no structure holds its definition"));
            if (block) {
                const cls_VornElement* parent = pStructure->ELEMENTPARENT(m_uid).get();
                definition = pStructure->DEFINITIONS()->ITEMPARENT(m_sort, parent ? parent->SORT() : QStringLiteral("NONE"));
            } else {
                definition = pStructure->DEFINITIONS()->Item(m_sort);
            }
        }
        if (!definition)
            fail(*this, name, ErrorService, QStringLiteral("the type has no definition"));
        const Ref<cls_VornAttributeDef> attribute = definition->ATTRIBUTES()->Item(name);
        // An empty text in a typed attribute is a value not given (the check fills it in for an
        // optional attribute without default); written as "" it would not read back.
        if (attribute && attribute->SORT() != TypeString && attribute->SORT() != TypeAtomic
            && !isPassThrough(attribute->SORT())) {
            const Variant raw = m_attributes->VALUE(i, Variant());
            if (raw.isText() && raw.text().isEmpty())
                return QString();
        }
        QString text;
        try {
            const Variant t = m_attributes->VALUEENCODED(i, attribute);
            if (t.isEmpty() || (t.isText() && t.text().isEmpty()))
                return QString();
            text = t.toText();
        } catch (const Error& error) {
            fail(*this, name, error.number(), error.description());
        }
        // A value written as it is (not through its data type) must not break the line.
        if ((!attribute || isPassThrough(attribute->SORT())) && !hasScriptForm(text))
            fail(*this, name, ErrorConversion,
                 QStringLiteral("the value holds a double quote, a line break or a tab and cannot be written"));
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
            line += QLatin1String(" \"");
            line += id;
            line += QLatin1Char('"');
        }
    };

    if (block) {
        QString head = startLine(9 + m_sort.size() + id.size());
        head += QLatin1String("BEGIN ");
        head += m_sort;
        appendQuotedId(head);
        pCol->ADD(head);
        for (qint32 i = 1; i <= count; ++i) {
            const QString name = m_attributes->NAME(i);
            const QString t = textOf(i, name);
            if (t.isEmpty())
                continue;
            QString line = startLine(2 + name.size() + t.size());
            line += QLatin1Char('\t');
            line += name;
            line += QLatin1Char('=');
            line += t;
            pCol->ADD(line);
        }
        if (hasElements())
            m_elements->STORE(pCol, pIndent + 1, pStructure);
        pCol->ADD(startLine(3) + QLatin1String("END"));
        return;
    }

    QString line = startLine(4 + m_sort.size() + id.size() + 24 * count);
    line += m_sort;
    appendQuotedId(line);
    bool first = true;
    for (qint32 i = 1; i <= count; ++i) {
        const QString name = m_attributes->NAME(i);
        const QString t = textOf(i, name);
        if (t.isEmpty())
            continue;
        line += first && id.isEmpty() ? QLatin1String(" ") : QLatin1String(", ");
        first = false;
        line += name;
        line += QLatin1Char('=');
        line += t;
    }
    pCol->ADD(line);
}

void cls_VornElements::STORE(const Ref<CoreList>& pCol, qint32 pIndent, const Ref<cls_VornStructure>& pStructure)
{
    const ParentIndexScope scope(pStructure);
    for (const Ref<cls_VornElement>& e : entries())
        if (e)
            e->STORE(pCol, pIndent, pStructure);
}

} // namespace vorn
