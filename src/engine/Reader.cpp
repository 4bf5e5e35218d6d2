// The script reader: prepares the lines, reads each with a small character state machine,
// nests elements between BEGIN and END and hands every completed element to the check.
#include "engine/ReaderSupport.h"

#include "core/TextKeys.h"
#include "core/Vocabulary.h"
#include <vorn/CoreServices.h>
#include <vorn/DataTypes.h>
#include <vorn/Structure.h>
#include <vorn/ErrorTextBudget.h>

#include <QHash>
#include <QVarLengthArray>

#include <array>

namespace vorn {

namespace {

const QString ArrayMarker = QStringLiteral("$_ARR:");

struct Line {
    QString text;
    qint32 number; // physical line where it starts, from 1
};

// Line ends, tabs, trimming, comments and continuation lines. Lines without tabs point into
// `script` instead of being copied, so `script` must outlive the result unchanged.
std::vector<Line> prepareLines(const QString& script)
{
    std::vector<Line> lines;
    const QChar* data = script.constData();
    const qsizetype n = script.size();
    qsizetype start = 0;
    qint32 number = 1;
    for (qsizetype i = 0; i <= n; ++i) {
        const bool end = i == n;
        const QChar c = end ? QChar() : data[i];
        if (!end && c != u'\r' && c != u'\n')
            continue;
        const QStringView raw(data + start, i - start);
        QString text;
        if (raw.contains(u'\t')) {
            text = raw.toString();
            text.replace(u'\t', u' ');
            text = trimBlanks(text);
        } else {
            qsizetype a = 0, b = raw.size();
            while (a < b && raw[a] == u' ')
                ++a;
            while (b > a && raw[b - 1] == u' ')
                --b;
            text = QString::fromRawData(raw.data() + a, b - a);
        }
        if (!text.isEmpty() && !vocabulary::isCommentLine(text))
            lines.push_back(Line{ std::move(text), number });
        if (!end && c == u'\r' && i + 1 < n && data[i + 1] == u'\n')
            ++i;
        start = i + 1;
        ++number;
    }

    std::vector<Line> joined;
    joined.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        Line line = std::move(lines[i]);
        for (;;) {
            const bool comma = line.text.endsWith(vocabulary::Separator);
            const bool dots = !comma && line.text.endsWith(QStringView(vocabulary::Continuation));
            if (!comma && !dots)
                break;
            if (dots)
                line.text.chop(QStringView(vocabulary::Continuation).size());
            // With no line after it, the continuation joins the empty text.
            if (i + 1 < lines.size())
                line.text += lines[++i].text;
            else
                break;
        }
        joined.push_back(std::move(line));
    }
    return joined;
}

// The invalid and misplaced characters of one line are reported until the texts reported for
// that line reach this size (the first is always reported): each text holds the whole line.
constexpr qsizetype MaxReportedPerLine = qsizetype(1) << 16;

// The characters of the token being read: appending to a QString one character at a time
// costs far more than the reading itself.
class TokenBuffer {
public:
    void add(QChar c) { m_chars.append(c); }
    void add(const QChar* chars, qsizetype count) { m_chars.append(chars, count); }
    bool isEmpty() const noexcept { return m_chars.isEmpty(); }
    void clear() noexcept { m_chars.clear(); }
    QStringView view() const noexcept { return QStringView(m_chars.constData(), m_chars.size()); }
    QString text() const { return view().toString(); }
    // The token with a text before and after it, e.g. quotes.
    QString enclosed(QStringView before, QStringView after = {}) const
    {
        QString s;
        s.reserve(before.size() + m_chars.size() + after.size());
        s.append(before).append(view()).append(after);
        return s;
    }

private:
    QVarLengthArray<QChar, 256> m_chars;
};

// The names and type words of one script repeat on nearly every line: one shared copy each
// spares an allocation per use and lets every element of a type share its SORT text. A name
// whose slot is taken by another simply replaces it.
class NameCache {
public:
    QString get(QStringView name)
    {
        if (name.isEmpty())
            return QString();
        QString& slot = m_slots[qHash(name) & (m_slots.size() - 1)];
        if (slot != name)
            slot = name.toString();
        return slot;
    }

private:
    std::array<QString, 128> m_slots;
};

// One line read by the state machine.
struct LineReading {
    QString command;
    QString type;
    std::vector<std::pair<QString, QString>> slots_;
    QStringList errors;
};

// Fills `r`, which the caller reuses from line to line to keep its storage.
void readLine(const QString& line, NameCache& names, LineReading& r)
{
    r.command.clear();
    r.type.clear();
    r.slots_.clear();
    r.errors.clear();
    TokenBuffer token;
    int state = 0;
    QVarLengthArray<int, 8> returns; // states to go back to; nests one level per quote or list
    auto pop = [&returns] {
        if (returns.isEmpty())
            return 2;
        const int s = returns.back();
        returns.pop_back();
        return s;
    };
    qsizetype i = 0;
    const qsizetype n = line.size();
    qsizetype reported = 0;
    auto report = [&](QString text) {
        reported += text.size();
        r.errors.append(std::move(text));
    };
    // A character outside the basic plane is reported whole, not as two halves.
    auto invalid = [&](QChar c) {
        QString character(c);
        if (c.isHighSurrogate() && i + 1 < n && line[i + 1].isLowSurrogate())
            character += line[++i];
        if (reported < MaxReportedPerLine)
            report(QStringLiteral("Die Zeile '") + line + QStringLiteral("' enthält ungültige Zeichen: ") + character);
    };
    auto misplaced = [&](QChar c) {
        if (reported < MaxReportedPerLine)
            report(QStringLiteral("Die Zeile '") + line + QStringLiteral("' enthält Fehler: ") + c
                   + QStringLiteral(" ist an dieser Stelle ungültig"));
    };
    auto openSlot = [&](QString value = QString()) {
        r.slots_.emplace_back(positionName(qint32(r.slots_.size() + 1)), std::move(value));
    };
    auto openNamedSlot = [&](const QString& key) { r.slots_.emplace_back(key, QString()); };
    auto lastValue = [&]() -> QString& {
        if (r.slots_.empty())
            openSlot();
        return r.slots_.back().second;
    };
    // Tokens read before the type hold name characters only (ASCII, no blanks).
    auto isCommandWord = [](QStringView t) {
        return vocabulary::isBegin(t) || vocabulary::isEnd(t);
    };

    // Whether a character only extends the token in the current state: such runs are taken
    // in one step before the state machine, which therefore sees only the other characters.
    auto extendsToken = [&state](QChar ch) {
        switch (state) {
        case 0: case 1: case 2: return vocabulary::isNameChar(ch);
        case 3: return ch != u'"';
        case 4: return ch != u'(' && ch != u',' && ch != u' ' && ch != u'"';
        case 5: return ch != u')' && ch != u'"';
        default: return false;
        }
    };
    const QChar* chars = line.constData();
    for (; i < n; ++i) {
        if (extendsToken(chars[i])) {
            const qsizetype start = i;
            while (i + 1 < n && extendsToken(chars[i + 1]))
                ++i;
            token.add(chars + start, i - start + 1);
            continue;
        }
        const QChar c = line[i];
        const QChar prev = i > 0 ? line[i - 1] : QChar();
        const QChar next = i + 1 < n ? line[i + 1] : QChar();
        bool again = true;
        while (again) { // a character may be read again in the state it leads to
            again = false;
            switch (state) {
            case 0:
                if (c == u' ') {
                    if (next != u',' && prev != u',') {
                        if (isCommandWord(token.view())) {
                            r.command = token.text();
                            state = 1;
                        } else {
                            r.type = names.get(token.view());
                            state = 2;
                        }
                        token.clear();
                    }
                } else if (c == u'=') {
                    state = 2;
                    again = true;
                } else {
                    invalid(c);
                }
                break;
            case 1:
                if (c == u'"' || c == u'\'' || c == u'(') {
                    r.type = names.get(token.view());
                    token.clear();
                    state = 2;
                    again = true;
                } else if (c == u'=') {
                    misplaced(c);
                } else if (c == u' ') {
                    r.type = names.get(token.view());
                    token.clear();
                    state = 2;
                } else {
                    invalid(c);
                }
                break;
            case 2:
                if (c == u'"') {
                    openSlot();
                    returns.push_back(2);
                    state = 3;
                } else if (c == u'=') {
                    if (token.isEmpty()) {
                        if (!r.type.isEmpty() && r.slots_.empty()) {
                            openNamedSlot(r.type);
                            r.type.clear();
                        } else {
                            openSlot();
                        }
                    } else {
                        openNamedSlot(names.get(token.view()));
                    }
                    token.clear();
                    returns.push_back(2);
                    state = 4;
                } else if (c == u',') {
                    if (!token.isEmpty())
                        openSlot(token.text());
                    else if (prev == u',')
                        openSlot(emptyMarker());
                    else if (r.slots_.empty())
                        misplaced(c);
                    token.clear();
                } else if (c == u'(') {
                    openSlot();
                    returns.push_back(2);
                    state = 5;
                } else if (c == u' ') {
                    token.clear();
                } else {
                    invalid(c);
                }
                break;
            case 3:
                // Only the closing quote gets here. Inside parentheses the quoted item stays
                // part of the array's raw text; elsewhere it is the slot's whole value.
                state = pop();
                if (state == 5) {
                    token.add(c);
                } else {
                    lastValue() = token.enclosed(u"\"", u"\"");
                    token.clear();
                }
                break;
            case 4:
                if (c == u'(') {
                    if (!token.isEmpty())
                        misplaced(c);
                    state = 5;
                } else if (c == u',' || c == u' ') {
                    state = pop();
                    if (!token.isEmpty())
                        lastValue() = token.text();
                    else if (lastValue().isEmpty())
                        misplaced(c);
                    token.clear();
                } else if (c == u'"') {
                    if (!token.isEmpty())
                        misplaced(c);
                    returns.push_back(4);
                    state = 3;
                }
                break;
            case 5:
                if (c == u')') {
                    lastValue() = token.enclosed(ArrayMarker);
                    token.clear();
                    state = pop();
                } else if (c == u'"') {
                    token.add(c);
                    returns.push_back(5);
                    state = 3;
                }
                break;
            }
        }
    }

    if (!token.isEmpty()) {
        switch (state) {
        case 0:
            if (isCommandWord(token.view()))
                r.command = token.text();
            else
                r.type = names.get(token.view());
            break;
        case 1: r.type = names.get(token.view()); break;
        case 2: openSlot(token.text()); break;
        case 4: lastValue() = token.text(); break;
        default:
            r.errors.append(QStringLiteral("Die Zeile '") + line + QStringLiteral("' wurde nicht korrekt abgeschlossen"));
        }
    }
}

} // namespace

const QString& emptyMarker()
{
    static const QString marker = QString::fromUtf16(vocabulary::EmptyValue);
    return marker;
}

QString positionName(qint32 position)
{
    static const QString small[] = { QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                     QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                                     QStringLiteral("8"), QStringLiteral("9") };
    return position >= 0 && position < 10 ? small[position] : QString::number(position);
}

namespace {

// The items between parentheses: split at the commas outside double quotes. An empty piece is
// an empty item, not a value left out.
VariantArray readArray(QStringView inner, const std::function<void(const QString&)>& error)
{
    VariantArray items;
    if (inner.isEmpty())
        return items;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= inner.size(); ++i) {
        if (i < inner.size() && (inner[i] != u',' || quoted)) {
            if (inner[i] == u'"')
                quoted = !quoted;
            continue;
        }
        const QString piece = trimBlanks(inner.mid(start, i - start).toString());
        items.push_back(piece.isEmpty() ? Variant() : readValue(piece, error));
        start = i + 1;
    }
    return items;
}

} // namespace

Variant readValue(QString text, const std::function<void(const QString&)>& error)
{
    if (text.isEmpty() || text == emptyMarker())
        return emptyMarker();
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"')) {
        // In place: the reader hands over texts nobody else holds.
        text.chop(1);
        text.remove(0, 1);
        return text;
    }
    const double number = CoreServices::readNumber(text);
    if (text == QLatin1String("0") || text == QLatin1String("0.0") || number != 0)
        return number;
    if (const auto flag = DataTypes::booleanWord(text))
        return *flag;
    if (text.startsWith(QStringView(vocabulary::ReferencePrefix)))
        return text;
    if (text.startsWith(ArrayMarker))
        return readArray(QStringView(text).mid(ArrayMarker.size()), error);
    error(QStringLiteral("Der Wert '") + text + QStringLiteral("' wurde nicht erkannt!"));
    return Variant();
}

namespace {

// The open blocks of one PARSE call.
class BlockStack {
public:
    BlockStack(const Ref<cls_VornStructure>& structure) : m_structure(structure) {}

    bool atTop() const { return m_open.empty(); }
    int depth() const { return int(m_open.size()); }
    const Ref<cls_VornElement>& current() const { return m_open.back(); }
    cls_VornElements& collection() const { return atTop() ? *m_structure->ELEMENTS() : *current()->ELEMENTS(); }
    // The container as CHECK receives it: the open element, or the structure at top level.
    Ref<Object> container() const
    {
        if (atTop())
            return m_structure;
        return current();
    }

    void error(qint32 line, const QString& text)
    {
        if (atTop())
            m_structure->errorAt(line, text);
        else
            current()->ERRORSET(text);
    }

    void open(const Ref<cls_VornElement>& element) { m_open.push_back(element); }

    Ref<cls_VornElement> close()
    {
        Ref<cls_VornElement> element = std::move(m_open.back());
        m_open.pop_back();
        return element;
    }

    // Checks a completed element under the current container and files it by its SORT.
    void checkAndFile(const Ref<cls_VornElement>& element, const QString& unclosedError = QString())
    {
        element->CHECK(container(), m_structure);
        if (!unclosedError.isEmpty())
            element->ERRORSET(unclosedError);
        const QString& sort = element->SORT();
        const bool include = sort == QStringView(vocabulary::IncludeSort);
        const bool dropped = include || sort == QStringView(vocabulary::DeclarationSort);
        if (dropped && element->ERRORS())
            m_dropped.push_back(Dropped{ size_t(m_structure->ELEMENTS()->COUNT(false)), element });
        if (include)
            collection().MERGE(*element->ELEMENTS());
        else if (!dropped)
            collection().ADD(element);
    }

    // A block that left the tree (a command carried out) with errors recorded on it, and the
    // number of top-level elements there were when it left.
    struct Dropped {
        size_t before;
        Ref<cls_VornElement> element;
    };
    const std::vector<Dropped>& dropped() const noexcept { return m_dropped; }

private:
    Ref<cls_VornStructure> m_structure;
    std::vector<Ref<cls_VornElement>> m_open;
    std::vector<Dropped> m_dropped;
};

using Slots = std::vector<std::pair<QString, QString>>;

void storeValues(Slots&& values, cls_VornAttributes& bag, const std::function<void(const QString&)>& error)
{
    if (values.size() <= 8) {
        bag.reserve(bag.COUNT() + qint32(values.size()));
        for (auto& [key, text] : values)
            bag.put(upperCased(key), readValue(std::move(text), error));
        return;
    }
    // Many values: an index of the names keeps a long line linear. Same result as put.
    QHash<QString, qint32> positions;
    positions.reserve(bag.COUNT() + qsizetype(values.size()));
    for (qint32 i = bag.COUNT(); i >= 1; --i)
        positions.insert(bag.NAME(i), i); // the first position of a name wins
    for (auto& [key, text] : values) {
        Variant value = readValue(std::move(text), error);
        QString name = upperCased(key);
        if (const auto it = positions.constFind(name); it != positions.cend()) {
            bag.setVALUE(*it, value);
        } else {
            positions.insert(name, bag.COUNT() + 1);
            bag.append(std::move(name), std::move(value));
        }
    }
}

// The first word of a line, to follow BEGIN and END through blocks that are skipped.
QString firstWord(const QString& line)
{
    const qsizetype blank = line.indexOf(u' ');
    return (blank < 0 ? line : line.left(blank)).toUpper();
}

// Appends the error texts of an element and its subtree, depth-first in script order.
void collectErrors(const Ref<cls_VornElement>& element, CoreList& list)
{
    walkElements({ element }, {}, [&list](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>&) {
        if (e->ERRORS() && !e->ERRORTEXT().isEmpty())
            for (const QString& text : e->ERRORTEXT().split(QStringLiteral("\r\n")))
                list.ADD(text);
        return false;
    });
}

} // namespace

void cls_VornStructure::errorAt(qint32 line, const QString& text)
{
    m_errors = true;
    ++m_structureErrorCount;
    if (!ErrorTextBudget::keepNext())
        return;
    if (m_errorText.isEmpty())
        m_errorText = text;
    else
        m_errorText += QStringLiteral("\r\n") + text;
    m_errorLocations.push_back(ErrorLocation{ line, text });
}

void cls_VornStructure::noteAt(qint32 line, const QString& text, const QString& file)
{
    m_notes.push_back(Note{ file, line, text });
}

void cls_VornStructure::adoptFindings(cls_VornStructure& included, const QString& file)
{
    for (Ref<cls_VornElement>& e : included.m_droppedWithErrors)
        m_droppedWithErrors.push_back(std::move(e));
    included.m_droppedWithErrors.clear();
    for (Note& note : included.m_notes) {
        if (note.file.isEmpty())
            note.file = file;
        m_notes.push_back(std::move(note));
    }
    included.m_notes.clear();
}

bool cls_VornStructure::PARSE(const QString& pScript, const Ref<CoreList>& pErrors)
{
    const Ref<cls_VornStructure> self = shared_from_this();
    const qint32 firstNew = ELEMENTS()->COUNT(false) + 1;
    const size_t firstStructureError = m_errorLocations.size();
    const qint64 structureErrorsBefore = m_structureErrorCount;
    BlockStack blocks(self);
    NameCache names;
    LineReading reading;
    int skipped = 0; // depth of blocks skipped for being nested too deeply

    const QString script = pScript; // the lines point into it
    for (const Line& line : prepareLines(script)) {
        if (skipped > 0) {
            const QString word = firstWord(line.text);
            if (vocabulary::isBegin(word))
                ++skipped;
            else if (vocabulary::isEnd(word))
                --skipped;
            continue;
        }
        readLine(line.text, names, reading);
        for (const QString& e : reading.errors)
            blocks.error(line.number, e);

        if (reading.command.isEmpty() && reading.type.isEmpty()) {
            if (blocks.atTop()) {
                if (!reading.slots_.empty())
                    errorAt(line.number, QStringLiteral("Die Zeile '") + line.text
                                             + QStringLiteral("' enthält Attribute außerhalb eines Elements"));
                continue;
            }
            const Ref<cls_VornElement>& container = blocks.current();
            storeValues(std::move(reading.slots_), *container->ATTRIBUTES(), [&](const QString& e) { container->ERRORSET(e); });
            continue;
        }

        const QString command = upperCased(trimBlanks(reading.command));
        if (vocabulary::isBegin(command) && blocks.depth() >= MaxNesting) {
            blocks.error(line.number, QStringLiteral("Die Zeile '") + line.text
                                          + QStringLiteral("' öffnet mehr als %1 verschachtelte Elemente; der Block wird übersprungen").arg(MaxNesting));
            skipped = 1;
            continue;
        }

        auto element = cls_VornElement::create();
        element->setUID(UIDCREATE());
        element->setLINE(line.number);
        if (!reading.type.isEmpty())
            element->setSORT(reading.type);
        else
            element->setID(reading.command);
        storeValues(std::move(reading.slots_), *element->ATTRIBUTES(), [&](const QString& e) { element->ERRORSET(e); });

        if (vocabulary::isBegin(command)) {
            blocks.open(element);
        } else if (vocabulary::isEnd(command)) {
            if (blocks.atTop()) {
                errorAt(line.number, QStringLiteral("Die Zeile '") + line.text
                                         + QStringLiteral("' schließt kein mit BEGIN geöffnetes Element"));
                continue;
            }
            blocks.checkAndFile(blocks.close());
        } else {
            blocks.checkAndFile(element);
        }
    }

    while (!blocks.atTop())
        blocks.checkAndFile(blocks.close(), QStringLiteral("Das Element wurde nicht ordentlich mit END abgeschlossen!"));

    const auto& dropped = blocks.dropped();
    for (const auto& block : dropped)
        m_droppedWithErrors.push_back(block.element);
    const bool structureParsed = m_structureErrorCount == structureErrorsBefore;
    // A list nobody passed is one nobody reads: not filling it saves a copy of every text.
    if (!pErrors)
        return structureParsed;
    CoreList* errors = pErrors.get();
    for (size_t i = firstStructureError; i < m_errorLocations.size(); ++i)
        errors->ADD(m_errorLocations[i].text);
    // The tree's errors in script order, with those of dropped blocks where the blocks stood.
    const auto& top = ELEMENTS()->entries();
    size_t d = 0;
    for (size_t i = size_t(firstNew - 1); i <= top.size(); ++i) {
        for (; d < dropped.size() && dropped[d].before <= i; ++d)
            collectErrors(dropped[d].element, *errors);
        if (i < top.size())
            collectErrors(top[i], *errors);
    }
    return structureParsed;
}

} // namespace vorn
