// The script reader: prepares the lines, reads each with a small character state machine,
// nests elements between BEGIN and END and hands every completed element to the check.
#include "engine/ReaderSupport.h"

#include "engine/CheckPlan.h"

#include "engine/Messages.h"
#include "engine/TextPool.h"

#include "core/TextKeys.h"
#include "core/Vocabulary.h"
#include <vorn/CoreServices.h>
#include <vorn/DataTypes.h>
#include <vorn/ErrorTextBudget.h>
#include <vorn/Structure.h>

#include <QHash>
#include <QSysInfo>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstring>

namespace vorn {

namespace {

const QString ArrayMarker = QStringLiteral("$_ARR:");

// A stretch of the statement's text: [from, to).
struct Extent {
    qsizetype from = -1;
    qsizetype to = -1;
    bool isSet() const noexcept { return from >= 0; }
};

// One statement: a physical line, or several joined by continuation.
struct Line {
    QString text;
    qint32 number;    // physical line where it starts, from 1
    qint32 column;    // column of its first character there
    qsizetype offset; // of its first character in the file's text
    // Where the lines a continued statement joined begin in `text`.
    struct Piece {
        qsizetype at;
        qint32 number;
        qint32 column;
        qsizetype offset;
    };
    std::vector<Piece> joined;

    // The physical line and column of the character at `at` of `text`, and its offset in the file.
    struct Place {
        qint32 number;
        qint32 column;
        qsizetype offset;
    };
    Place place(qsizetype at) const
    {
        for (auto it = joined.rbegin(); it != joined.rend(); ++it)
            if (it->at <= at)
                return { it->number, it->column + qint32(at - it->at), it->offset + (at - it->at) };
        return { number, column + qint32(at), offset + at };
    }
    // The characters from `from` up to, not including, `to`.
    TextRange range(qsizetype from, qsizetype to) const
    {
        const Place start = place(from);
        if (to <= from)
            return TextRange{ start.number, start.column, start.number, start.column };
        const Place last = place(to - 1);
        return TextRange{ start.number, start.column, last.number, last.column + 1 };
    }
    TextRange whole() const { return range(0, text.size()); }
    // The same characters as offsets into the file: the end just after the last of them, so
    // that a range ending at a joint stays on its own line.
    TextExtent extent(qsizetype from, qsizetype to) const
    {
        // On one physical line the offsets follow the text's without a search of the pieces.
        const bool single = joined.empty();
        const qint32 start = SourceLines::offset(single ? offset + from : place(from).offset);
        const qint32 end = to <= from ? start : SourceLines::offset(single ? offset + to : place(to - 1).offset + 1);
        return start < 0 || end < 0 ? TextExtent() : TextExtent{ start, end };
    }
    TextExtent extent(const Extent& e) const { return extent(e.from, e.to); }
    TextExtent wholeExtent() const { return extent(0, text.size()); }
};

// Line ends, tabs, trimming, comments and continuation lines, one statement at a time. Lines
// without tabs point into `script` instead of being copied, so `script` must outlive them
// unchanged.
class StatementSource {
public:
    // Notes in `lines` where every physical line starts.
    StatementSource(const QString& script, SourceLines& lines)
        : m_data(script.constData()), m_size(script.size()), m_lines(lines)
    {
    }

    // The next statement; false after the last.
    bool next(Line& line)
    {
        if (!nextLine(line))
            return false;
        for (;;) {
            const bool comma = line.text.endsWith(vocabulary::Separator);
            const bool dots = !comma && line.text.endsWith(vocabulary::Continuation);
            if (!comma && !dots)
                return true;
            if (dots)
                line.text.chop(vocabulary::Continuation.size());
            // With no line after it, the continuation joins the empty text.
            if (!nextLine(m_following))
                return true;
            line.joined.push_back(
                Line::Piece{ line.text.size(), m_following.number, m_following.column, m_following.offset });
            line.text += m_following.text;
        }
    }

private:
    // The next physical line that holds more than blanks and is no comment.
    bool nextLine(Line& line)
    {
        while (m_start <= m_size && !m_done) {
            m_lines.addLine(m_start);
            const qsizetype start = m_start;
            qsizetype i = std::min(nextOf(u'\n', m_nextLineFeed), nextOf(u'\r', m_nextReturn));
            const qsizetype firstTab = nextOf(u'\t', m_nextTab);
            const QStringView raw(m_data + m_start, i - m_start);
            const qint32 number = m_number++;
            if (i == m_size)
                m_done = true;
            else if (m_data[i] == u'\r' && i + 1 < m_size && m_data[i + 1] == u'\n')
                ++i;
            m_start = i + 1;

            qsizetype a = 0, b = raw.size();
            while (a < b && vocabulary::isBlank(raw[a]))
                ++a;
            while (b > a && vocabulary::isBlank(raw[b - 1]))
                --b;
            const QStringView trimmed = raw.sliced(a, b - a);
            if (trimmed.isEmpty())
                continue;
            // Tabs are rare: the one search for the next tab in the file mostly answers for the line.
            const bool tabs = firstTab < start + b && (firstTab >= start + a || trimmed.contains(u'\t'));
            if (tabs) {
                line.text = trimmed.toString();
                line.text.replace(u'\t', u' ');
            } else {
                line.text = QString::fromRawData(trimmed.data(), trimmed.size());
            }
            if (vocabulary::isCommentLine(line.text))
                continue;
            line.number = number;
            line.column = qint32(a + 1);
            line.offset = start + a;
            line.joined.clear();
            return true;
        }
        return false;
    }

    // Where the next `c` at or after the line's start stands (the size when none), searched for
    // again only once the reading passed it.
    qsizetype nextOf(char16_t c, qsizetype& known) const
    {
        if (known < m_start)
            known = findFrom(m_start, c);
        return known;
    }
    // The C library's byte search, several times faster on a line than QStringView::indexOf:
    // `c` lies below U+0100, so each of its places has its byte where the character's low byte
    // lies, and a hit is taken only when the whole character is `c`.
    qsizetype findFrom(qsizetype from, char16_t c) const
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_data);
        const size_t end = size_t(m_size) * sizeof(char16_t);
        const size_t low = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 0 : 1;
        for (size_t at = size_t(from) * sizeof(char16_t) + low; at < end;) {
            const void* hit = std::memchr(bytes + at, c, end - at);
            if (!hit)
                break;
            const size_t k = size_t(static_cast<const unsigned char*>(hit) - bytes);
            if (k % 2 == low && m_data[k / 2].unicode() == c)
                return qsizetype(k / 2);
            at = k + 1;
        }
        return m_size;
    }

    const QChar* m_data;
    qsizetype m_size;
    SourceLines& m_lines;
    qsizetype m_nextLineFeed = -1;
    qsizetype m_nextReturn = -1;
    qsizetype m_nextTab = -1;
    qsizetype m_start = 0;
    qint32 m_number = 1;
    bool m_done = false;
    Line m_following;
};

// The invalid and misplaced characters of one line are reported until the texts reported for
// that line reach this size (the first is always reported): each text holds the whole line.
constexpr qsizetype MaxReportedPerLine = qsizetype(1) << 16;

// The characters of the token being read. A token is nearly always one stretch of its line
// and is then only a view of it; characters from elsewhere (an invalid character skipped
// inside a name, say) make it a copy.
class TokenBuffer {
public:
    void add(const QChar* chars, qsizetype count)
    {
        if (!m_copied) {
            if (m_size == 0) {
                m_data = chars;
                m_size = count;
                return;
            }
            if (chars == m_data + m_size) {
                m_size += count;
                return;
            }
            m_copy.append(m_data, m_size);
            m_copied = true;
        }
        m_copy.append(chars, count);
    }
    bool isEmpty() const noexcept { return m_copied ? m_copy.isEmpty() : m_size == 0; }
    void clear() noexcept
    {
        m_data = nullptr;
        m_size = 0;
        if (m_copied) {
            m_copy.resize(0);
            m_copied = false;
        }
    }
    QStringView view() const noexcept { return m_copied ? QStringView(m_copy) : QStringView(m_data, m_size); }
    QString text() const { return view().toString(); }
    // The token as a view that lasts as long as the line: a copy is handed to `kept`.
    QStringView take(std::vector<QString>& kept)
    {
        if (!m_copied)
            return view();
        kept.push_back(std::exchange(m_copy, QString()));
        m_copied = false;
        m_data = kept.back().constData(); // the view stays the same text
        m_size = kept.back().size();
        return view();
    }

private:
    const QChar* m_data = nullptr;
    qsizetype m_size = 0;
    bool m_copied = false;
    QString m_copy;
};

// The names and type words of one script repeat on nearly every line: one shared copy each
// spares an allocation per use and lets every element of a type share its SORT text. A name
// whose slot is taken by another simply replaces it.
class NameCache {
public:
    // The word as written (a type keeps its case) and upper-cased (as bags name values); valid
    // until the next word is asked for.
    const QString& written(QStringView name) { return entry(name).written; }
    const QString& upper(QStringView name) { return entry(name).upper; }

private:
    struct Entry {
        QString written, upper;
    };
    Entry& entry(QStringView name)
    {
        if (name.isEmpty())
            return m_none;
        // Two places for each hash: two words that meet on it keep both theirs.
        const size_t h = hash(name);
        Entry& first = m_slots[h & (m_slots.size() - 1)];
        if (sameText(first.written, name))
            return first;
        Entry& second = m_slots[(h + 1) & (m_slots.size() - 1)];
        if (sameText(second.written, name))
            return second;
        second = std::move(first);
        first.written = name.toString();
        first.upper = upperCased(first.written);
        return first;
    }
    // Inline: names are a few characters, too short to pay for a call.
    static bool sameText(const QString& a, QStringView b) noexcept
    {
        return a.size() == b.size() && std::equal(b.begin(), b.end(), a.cbegin());
    }
    // Names are short words that differ in length and at their ends: three characters and
    // the length spread them well enough for a cache, at a fraction of a full hash.
    static size_t hash(QStringView name) noexcept
    {
        const size_t n = size_t(name.size());
        size_t h = n * 0x9E37u;
        h = (h ^ name.front().unicode()) * 31u;
        h = (h ^ name[n / 2].unicode()) * 31u;
        h = (h ^ name.back().unicode()) * 31u;
        return h ^ (h >> 7);
    }

    std::array<Entry, 128> m_slots;
    Entry m_none;
};

// One value of a line: its upper-cased name (a position when it had none) and its text as
// written, a view of the line or of a text the line's reading keeps.
struct Slot {
    QString name;
    QStringView value;
    ValueForm form = ValueForm::Plain;
    Extent nameAt; // unset for a value without a name
    Extent valueAt;
};

struct LineError {
    Message kind;
    QString text;
    Extent at;
};

// One line read by the state machine.
struct LineReading {
    QStringView command;
    QString type;
    Extent commandAt, typeAt;
    std::vector<Slot> slots_;
    std::vector<LineError> errors;
    std::vector<QString> kept; // tokens that are not one stretch of the line

    // Empty for the next line, keeping the storage.
    void clear()
    {
        command = QStringView();
        type.clear();
        slots_.clear();
        errors.clear();
        kept.clear();
        commandAt = typeAt = Extent();
    }
};

// Where the reader stands between two characters of a line.
enum class State : std::uint8_t {
    LineStart,    // the first word: BEGIN, END or the type
    AfterKeyword, // the type after BEGIN or END
    Values,       // between values
    Quoted,       // inside quotes
    NamedValue,   // after a name and "="
    Array,        // inside parentheses
};

// Reads one line into `r`, which the caller reuses from line to line to keep its storage. Each
// state has its own step; a step answers true when the character must be read again in the
// state it led to.
class LineReader {
public:
    LineReader(const QString& line, NameCache& names, LineReading& r) : m_line(line), m_names(names), m_r(r)
    {
        r.clear();
    }

    void read()
    {
        const QChar* chars = m_line.constData();
        const qsizetype n = m_line.size();
        for (m_at = 0; m_at < n; ++m_at) {
            if (const qsizetype end = tokenRunEnd(chars, n); end > m_at) {
                if (m_token.isEmpty())
                    m_tokenAt = m_at;
                m_token.add(chars + m_at, end - m_at);
                m_at = end - 1;
                continue;
            }
            const QChar c = chars[m_at];
            const QChar prev = m_at > 0 ? chars[m_at - 1] : QChar();
            const QChar next = m_at + 1 < n ? chars[m_at + 1] : QChar();
            while (step(c, prev, next)) {}
        }
        finish();
    }

private:
    // Where the run of characters from m_at that only extend the token in the current state
    // ends: such runs are taken in one go, so that the steps see only the other characters.
    qsizetype tokenRunEnd(const QChar* chars, qsizetype n) const
    {
        qsizetype i = m_at;
        const auto until = [&](auto stops) {
            while (i < n && !stops(chars[i]))
                ++i;
            return i;
        };
        switch (m_state) {
        case State::LineStart:
        case State::AfterKeyword:
        case State::Values: return until([](QChar c) { return !vocabulary::isNameChar(c); });
        case State::Quoted: {
            const qsizetype quote = QStringView(chars + i, n - i).indexOf(vocabulary::Quote);
            return quote < 0 ? n : i + quote;
        }
        case State::NamedValue:
            return until([](QChar c) {
                return c == vocabulary::ArrayOpen || c == vocabulary::Separator || c == u' ' || c == vocabulary::Quote;
            });
        case State::Array: return until([](QChar c) { return c == vocabulary::ArrayClose || c == vocabulary::Quote; });
        }
        return i;
    }

    bool step(QChar c, QChar prev, QChar next)
    {
        switch (m_state) {
        case State::LineStart: return atLineStart(c, prev, next);
        case State::AfterKeyword: return afterKeyword(c);
        case State::Values: betweenValues(c, prev); return false;
        case State::Quoted: closeQuote(); return false;
        case State::NamedValue: namedValue(c); return false;
        case State::Array: inArray(c); return false;
        }
        return false;
    }

    // Tokens read before the type hold name characters only (ASCII, no blanks).
    static bool isKeyword(QStringView t) { return vocabulary::isBegin(t) || vocabulary::isEnd(t); }

    bool atLineStart(QChar c, QChar prev, QChar next)
    {
        if (c == u' ') {
            if (next != vocabulary::Separator && prev != vocabulary::Separator) {
                if (isKeyword(m_token.view())) {
                    m_r.command = m_token.take(m_r.kept);
                    m_r.commandAt = tokenExtent();
                    m_state = State::AfterKeyword;
                } else {
                    m_r.type = m_names.written(m_token.view());
                    m_r.typeAt = tokenExtent();
                    m_state = State::Values;
                }
                m_token.clear();
            }
        } else if (c == vocabulary::Assign) {
            m_state = State::Values;
            return true;
        } else {
            invalid(c);
        }
        return false;
    }

    bool afterKeyword(QChar c)
    {
        if (c == vocabulary::Quote || c == u'\'' || c == vocabulary::ArrayOpen) {
            takeType();
            return true;
        }
        if (c == vocabulary::Assign)
            misplaced(c);
        else if (c == u' ')
            takeType();
        else
            invalid(c);
        return false;
    }

    void takeType()
    {
        m_r.type = m_names.written(m_token.view());
        m_r.typeAt = tokenExtent();
        m_token.clear();
        m_state = State::Values;
    }

    void betweenValues(QChar c, QChar prev)
    {
        if (c == vocabulary::Quote) {
            openSlot();
            m_valueFrom = m_at;
            enter(State::Quoted);
        } else if (c == vocabulary::Assign) {
            if (m_token.isEmpty()) {
                // "TYPE=..." names the first value after what looked like the type.
                if (!m_r.type.isEmpty() && m_r.slots_.empty()) {
                    openNamedSlot(upperCased(m_r.type), m_r.typeAt);
                    m_r.type.clear();
                    m_r.typeAt = Extent();
                } else {
                    openSlot();
                }
            } else {
                openNamedSlot(m_names.upper(m_token.view()), tokenExtent());
            }
            m_token.clear();
            m_valueFrom = -1;
            enter(State::NamedValue);
        } else if (c == vocabulary::Separator) {
            if (!m_token.isEmpty())
                openSlot(m_token.take(m_r.kept), tokenExtent());
            else if (prev == vocabulary::Separator)
                openSlot(emptyMarker(), Extent{ m_at, m_at });
            else if (m_r.slots_.empty())
                misplaced(c);
            m_token.clear();
        } else if (c == vocabulary::ArrayOpen) {
            openSlot();
            m_valueFrom = m_at;
            enter(State::Array);
        } else if (c == u' ') {
            m_token.clear();
        } else {
            invalid(c);
        }
    }

    // Only the closing quote gets here. Inside parentheses the quoted item stays part of the
    // array's raw text; elsewhere it is the slot's whole value.
    void closeQuote()
    {
        leave();
        if (m_state == State::Array) {
            m_token.add(m_line.constData() + m_at, 1);
        } else {
            setValue(m_token.take(m_r.kept), ValueForm::Quoted, Extent{ m_valueFrom, m_at + 1 });
            m_token.clear();
        }
    }

    void namedValue(QChar c)
    {
        if (c == vocabulary::ArrayOpen) {
            if (!m_token.isEmpty())
                misplaced(c);
            m_valueFrom = m_token.isEmpty() ? m_at : m_tokenAt;
            m_state = State::Array;
        } else if (c == vocabulary::Separator || c == u' ') {
            leave();
            if (!m_token.isEmpty())
                setValue(m_token.take(m_r.kept), ValueForm::Plain, tokenExtent());
            else if (lastSlot().value.isEmpty() && lastSlot().form == ValueForm::Plain)
                misplaced(c);
            m_token.clear();
        } else if (c == vocabulary::Quote) {
            if (!m_token.isEmpty())
                misplaced(c);
            m_valueFrom = m_token.isEmpty() ? m_at : m_tokenAt;
            enter(State::Quoted);
        }
    }

    void inArray(QChar c)
    {
        if (c == vocabulary::ArrayClose) {
            setValue(m_token.take(m_r.kept), ValueForm::Array, Extent{ m_valueFrom, m_at + 1 });
            m_token.clear();
            leave();
        } else if (c == vocabulary::Quote) {
            m_token.add(m_line.constData() + m_at, 1);
            enter(State::Quoted);
        }
    }

    void finish()
    {
        if (m_token.isEmpty())
            return;
        switch (m_state) {
        case State::LineStart:
            if (isKeyword(m_token.view())) {
                m_r.command = m_token.take(m_r.kept);
                m_r.commandAt = tokenExtent();
            } else {
                m_r.type = m_names.written(m_token.view());
                m_r.typeAt = tokenExtent();
            }
            break;
        case State::AfterKeyword:
            m_r.type = m_names.written(m_token.view());
            m_r.typeAt = tokenExtent();
            break;
        case State::Values: openSlot(m_token.take(m_r.kept), tokenExtent()); break;
        case State::NamedValue: setValue(m_token.take(m_r.kept), ValueForm::Plain, tokenExtent()); break;
        default:
            // From the quote or parenthesis left open to the end of the line.
            m_r.errors.push_back(LineError{ Message::LineNotClosed,
                                            QStringLiteral("Die Zeile '") + m_line
                                                + QStringLiteral("' wurde nicht korrekt abgeschlossen"),
                                            Extent{ m_valueFrom >= 0 ? m_valueFrom : m_tokenAt, m_line.size() } });
        }
    }

    // Quotes and lists nest: the state to go back to is kept, one level per quote or list.
    void enter(State inner)
    {
        m_returns.push_back(m_state);
        m_state = inner;
    }
    void leave()
    {
        if (m_returns.isEmpty()) {
            m_state = State::Values;
        } else {
            m_state = m_returns.back();
            m_returns.pop_back();
        }
    }

    void report(Message kind, QString text, Extent at)
    {
        m_reported += text.size();
        m_r.errors.push_back(LineError{ kind, std::move(text), at });
    }
    // A character outside the basic plane is reported whole, not as two halves.
    void invalid(QChar c)
    {
        const qsizetype from = m_at;
        QString character(c);
        if (c.isHighSurrogate() && m_at + 1 < m_line.size() && m_line[m_at + 1].isLowSurrogate())
            character += m_line[++m_at];
        if (m_reported < MaxReportedPerLine)
            report(Message::InvalidCharacter,
                   QStringLiteral("Die Zeile '") + m_line + QStringLiteral("' enthält ungültige Zeichen: ") + character,
                   Extent{ from, m_at + 1 });
    }
    void misplaced(QChar c)
    {
        if (m_reported < MaxReportedPerLine)
            report(Message::MisplacedCharacter,
                   QStringLiteral("Die Zeile '") + m_line + QStringLiteral("' enthält Fehler: ") + c
                       + QStringLiteral(" ist an dieser Stelle ungültig"),
                   Extent{ m_at, m_at + 1 });
    }

    Extent tokenExtent() const { return Extent{ m_tokenAt, m_tokenAt + m_token.view().size() }; }

    void openSlot(QStringView value = {}, Extent at = Extent())
    {
        m_r.slots_.push_back(
            Slot{ positionName(qint32(m_r.slots_.size() + 1)), value, ValueForm::Plain, Extent(), at });
    }
    void openNamedSlot(const QString& key, Extent at)
    {
        m_r.slots_.push_back(Slot{ key, QStringView(), ValueForm::Plain, at, Extent() });
    }
    Slot& lastSlot()
    {
        if (m_r.slots_.empty())
            openSlot();
        return m_r.slots_.back();
    }
    void setValue(QStringView text, ValueForm form, Extent at)
    {
        Slot& slot = lastSlot();
        slot.value = text;
        slot.form = form;
        slot.valueAt = at;
    }

    const QString& m_line;
    NameCache& m_names;
    LineReading& m_r;
    TokenBuffer m_token;
    State m_state = State::LineStart;
    QVarLengthArray<State, 8> m_returns;
    qsizetype m_at = 0;
    qsizetype m_tokenAt = 0;    // where the token being read starts
    qsizetype m_valueFrom = -1; // where the quoted or parenthesised value being read starts
    qsizetype m_reported = 0;   // size of the texts reported for this line
};

// Nearly every line is of one plain form: an optional BEGIN or END and a type, then values
// apart by a comma and at most one blank, each a quoted text, a word, or a name with "=" and a
// quoted text or a plain value. Such a line is read here in one pass, as the state machine
// would read it; anything else (and any fault) is left to the state machine.
class UsualLine {
public:
    UsualLine(const QString& line, NameCache& names, LineReading& r)
        : m_chars(line.constData()), m_size(line.size()), m_names(names), m_r(r)
    {
        r.clear();
    }

    // False when the line is not of the plain form; `r` then holds part of it.
    bool read()
    {
        qsizetype at = wordEnd(0);
        if (at == 0)
            return false;
        if (at == m_size || m_chars[at] != vocabulary::Assign) {
            if (!readHead(at))
                return false;
            if (at == m_size)
                return true;
            if (m_chars[at] != u' ')
                return false;
            ++at;
        } else {
            at = 0; // a line of values only: its first word names the first value
        }
        for (;;) {
            if (at == m_size || !readValue(at))
                return false;
            if (at == m_size)
                return true;
            if (m_chars[at] != vocabulary::Separator)
                return false;
            if (++at < m_size && m_chars[at] == u' ')
                ++at;
        }
    }

private:
    qsizetype wordEnd(qsizetype at) const noexcept
    {
        while (at < m_size && vocabulary::isNameChar(m_chars[at]))
            ++at;
        return at;
    }
    QStringView text(qsizetype from, qsizetype to) const noexcept { return QStringView(m_chars + from, to - from); }

    // The keyword and the type, or the type alone; `at` is just after the first word.
    bool readHead(qsizetype& at)
    {
        const QStringView first = text(0, at);
        if (!vocabulary::isBegin(first) && !vocabulary::isEnd(first)) {
            m_r.type = m_names.written(first);
            m_r.typeAt = Extent{ 0, at };
            return true;
        }
        m_r.command = first;
        m_r.commandAt = Extent{ 0, at };
        if (at == m_size)
            return true;
        if (m_chars[at] != u' ')
            return false;
        const qsizetype from = at + 1;
        at = wordEnd(from);
        if (at == from)
            return false;
        m_r.type = m_names.written(text(from, at));
        m_r.typeAt = Extent{ from, at };
        return true;
    }

    // The closing quote of a quoted text opened at `open`; -1 when the line has none. A plain
    // loop: quoted texts are short, shorter than a library search takes to start.
    qsizetype closingQuote(qsizetype open) const noexcept
    {
        for (qsizetype at = open + 1; at < m_size; ++at)
            if (m_chars[at] == vocabulary::Quote)
                return at;
        return -1;
    }

    // One value from `at`, which is left just after it.
    bool readValue(qsizetype& at)
    {
        if (m_chars[at] == vocabulary::Quote)
            return readQuoted(at, positionName(qint32(m_r.slots_.size() + 1)), Extent());
        const qsizetype end = wordEnd(at);
        if (end == at)
            return false;
        if (end == m_size || m_chars[end] != vocabulary::Assign) {
            add(positionName(qint32(m_r.slots_.size() + 1)), text(at, end), ValueForm::Plain, Extent(),
                Extent{ at, end });
            at = end;
            return true;
        }
        const Extent nameAt{ at, end };
        const QString& name = m_names.upper(text(at, end));
        const qsizetype from = end + 1;
        if (from < m_size && m_chars[from] == vocabulary::Quote) {
            at = from;
            return readQuoted(at, name, nameAt);
        }
        qsizetype to = from;
        while (to < m_size && !endsPlainValue(m_chars[to]))
            ++to;
        if (to == from)
            return false;
        add(name, text(from, to), ValueForm::Plain, nameAt, Extent{ from, to });
        at = to;
        return true;
    }
    // The quoted text whose opening quote stands at `at`, named `name`.
    bool readQuoted(qsizetype& at, const QString& name, Extent nameAt)
    {
        const qsizetype close = closingQuote(at);
        if (close < 0)
            return false;
        add(name, text(at + 1, close), ValueForm::Quoted, nameAt, Extent{ at, close + 1 });
        at = close + 1;
        return true;
    }
    static bool endsPlainValue(QChar c) noexcept
    {
        return c == vocabulary::Separator || c == u' ' || c == vocabulary::Quote || c == vocabulary::ArrayOpen;
    }
    void add(const QString& name, QStringView value, ValueForm form, Extent nameAt, Extent valueAt)
    {
        m_r.slots_.push_back(Slot{ name, value, form, nameAt, valueAt });
    }

    const QChar* m_chars;
    qsizetype m_size;
    NameCache& m_names;
    LineReading& m_r;
};

#ifdef VORN_CROSS_CHECKS
// Builds with checks read every plain line both ways and stop at the first difference.
void crossCheck(const QString& line, NameCache& names, const LineReading& usual)
{
    LineReading full;
    LineReader(line, names, full).read();
    const auto sameExtent = [](Extent a, Extent b) { return a.from == b.from && a.to == b.to; };
    bool same = usual.command == full.command && sameExtent(usual.commandAt, full.commandAt) && usual.type == full.type
        && sameExtent(usual.typeAt, full.typeAt) && full.errors.empty() && full.kept.empty()
        && usual.slots_.size() == full.slots_.size();
    for (size_t i = 0; same && i < usual.slots_.size(); ++i) {
        const Slot& a = usual.slots_[i];
        const Slot& b = full.slots_[i];
        same = a.name == b.name && a.value == b.value && a.form == b.form && sameExtent(a.nameAt, b.nameAt)
            && sameExtent(a.valueAt, b.valueAt);
    }
    if (!same)
        qFatal("The plain reading of a line differs from the full one: %s", qPrintable(line));
}
#endif

void readLine(const QString& line, NameCache& names, LineReading& r)
{
    if (UsualLine(line, names, r).read()) {
#ifdef VORN_CROSS_CHECKS
        crossCheck(line, names, r);
#endif
        return;
    }
    LineReader(line, names, r).read();
}

} // namespace

const QString& emptyMarker()
{
    static const QString marker = vocabulary::EmptyValue.toString();
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
VariantArray readArray(QStringView inner, const std::function<void(const QString&)>& error, TextPool* pool)
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
        const QStringView piece = trimmedBlanks(inner.mid(start, i - start));
        items.push_back(piece.isEmpty() ? Variant() : readValue(piece, ValueForm::Plain, error, pool));
        start = i + 1;
    }
    return items;
}

} // namespace

Variant readValue(QStringView text, ValueForm form, const std::function<void(const QString&)>& error, TextPool* pool)
{
    const auto textOf = [pool](QStringView t) { return pool ? pool->copy(t) : t.toString(); };
    if (form == ValueForm::Quoted)
        return text.isEmpty() ? QStringLiteral("") : textOf(text);
    if (form == ValueForm::Array)
        return readArray(text, error, pool);
    if (text.isEmpty() || text == vocabulary::EmptyValue)
        return emptyMarker();
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        return textOf(text.sliced(1, text.size() - 2));
    const double number = CoreServices::readNumber(text);
    if (text == u"0" || text == u"0.0" || number != 0)
        return number;
    if (const auto flag = vocabulary::booleanWord(text))
        return *flag;
    if (text.startsWith(vocabulary::ReferencePrefix))
        return textOf(text);
    if (text.startsWith(ArrayMarker))
        return readArray(text.sliced(ArrayMarker.size()), error, pool);
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

    // An error of a line: on the open block, or on the structure at top level.
    void error(Message kind, const QString& text, const TextRange& at, qint32 statementLine)
    {
        if (atTop())
            reportError(*m_structure, kind, text, at, statementLine);
        else
            reportError(*m_structure, current(), kind, text, at);
    }

    void open(const Ref<cls_VornElement>& element) { m_open.push_back(element); }

    Ref<cls_VornElement> close()
    {
        Ref<cls_VornElement> element = std::move(m_open.back());
        m_open.pop_back();
        return element;
    }

    // Checks a completed element under the current container and files it by its SORT.
    // An element left open at the end of the script is checked and then told so.
    void checkAndFile(const Ref<cls_VornElement>& element, bool unclosed = false)
    {
        {
            cls_VornStructure::CheckingScope checking(*m_structure, element);
            element->CHECK(container(), m_structure);
            if (unclosed)
                reportError(*m_structure, element, Message::BeginWithoutEnd,
                            QStringLiteral("Das Element wurde nicht ordentlich mit END abgeschlossen!"),
                            element->source() ? element->source()->range(element->source()->keyword) : TextRange());
        }
        const QString& sort = element->SORT();
        const bool include = sort == vocabulary::IncludeSort;
        const bool dropped = include || sort == vocabulary::DeclarationSort;
        if (dropped && element->ERRORS())
            m_dropped.push_back(Dropped{ size_t(m_structure->ELEMENTS()->COUNT(false)), element });
        if (include)
            collection().MERGE(*element->ELEMENTS());
        else if (!dropped)
            collection().append(element);
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

// The names of the last lines that named their values each once: lines of one type repeat
// them, and their bags share the list. Lines of a few types come in turns (a group, its
// sections, their items), so a few lists are kept.
class RecentNames {
public:
    const QStringList& listFor(const std::vector<Slot>& values)
    {
        for (const QStringList& list : m_lists)
            if (matches(list, values))
                return list;
        QStringList names;
        names.reserve(qsizetype(values.size()));
        for (const Slot& slot : values)
            names.append(slot.name);
        QStringList& list = m_lists[m_next];
        m_next = (m_next + 1) % m_lists.size();
        list = std::move(names);
        return list;
    }

private:
    static bool matches(const QStringList& list, const std::vector<Slot>& values)
    {
        return list.size() == qsizetype(values.size())
            && std::equal(values.begin(), values.end(), list.cbegin(), [](const Slot& slot, const QString& name) {
                   return slot.name.constData() == name.constData() || slot.name == name;
               });
    }
    std::array<QStringList, 4> m_lists;
    size_t m_next = 0;
};

// Converts the values of one line into the bag and notes where each stands. Without a
// structure the errors are only set on the element.
void storeValues(std::vector<Slot>& values, const Line& line, const Ref<cls_VornElement>& target,
                 cls_VornStructure* structure, RecentNames& recentNames, TextPool& texts)
{
    cls_VornElement& element = *target;
    AttributeValues& bag = element.attributeValues();
    QHash<QString, qint32> positions; // many values: an index of the names keeps a long line linear
    const bool indexed = values.size() > 8;
    // The usual line: the element's first, each name given once. Its values need no lookup.
    const bool distinct = !indexed && bag.COUNT() == 0 && [&values] {
        for (size_t i = 1; i < values.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                if (sameName(values[i].name, values[j].name))
                    return false;
        return true;
    }();
    if (distinct) {
        bag.startSharing(recentNames.listFor(values));
    } else if (indexed) {
        positions.reserve(bag.COUNT() + qsizetype(values.size()));
        for (qint32 i = bag.COUNT(); i >= 1; --i)
            positions.insert(bag.NAME(i), i); // the first position of a name wins
    } else {
        bag.reserve(bag.COUNT() + qint32(values.size()));
    }
    Extent valueAt;
    // One pointer as capture: small enough for std::function to keep without allocating.
    const auto report = [&](const QString& e) {
        if (structure)
            reportError(*structure, target, Message::UnknownValue, e, line.range(valueAt.from, valueAt.to));
        else
            element.ERRORSET(e);
    };
    const std::function<void(const QString&)> unknown = [r = &report](const QString& e) { (*r)(e); };
    for (Slot& slot : values) {
        // A value left empty ("X=,") stands where its name does.
        valueAt = slot.valueAt.isSet() ? slot.valueAt
            : slot.nameAt.isSet()      ? slot.nameAt
                                       : Extent{ line.text.size(), line.text.size() };
        Variant value = readValue(slot.value, slot.form, unknown, &texts);
        QString name = std::move(slot.name);
        const TextExtent valueExtent = line.extent(valueAt);
        const AttributeValues::Place place{ slot.nameAt.isSet() ? line.extent(slot.nameAt) : valueExtent, valueExtent };
        if (distinct) {
            bag.appendShared(std::move(value), place);
        } else if (!indexed) {
            bag.put(std::move(name), std::move(value), place);
        } else if (const auto it = positions.constFind(name); it != positions.cend()) {
            bag.putAt(*it, std::move(value), place);
        } else {
            positions.insert(name, bag.COUNT() + 1);
            bag.append(std::move(name), std::move(value), place);
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

bool cls_VornStructure::errorAt(qint32 line, const QString& text)
{
    m_errors = true;
    ++m_structureErrorCount;
    if (!ErrorTextBudget::keepNext())
        return false;
    if (m_errorText.isEmpty())
        m_errorText = text;
    else
        m_errorText += QStringLiteral("\r\n") + text;
    m_errorLocations.push_back(ErrorLocation{ line, text });
    return true;
}

void cls_VornStructure::noteAt(qint32 line, const QString& text, const QString& file)
{
    m_notes.push_back(Note{ file, line, text });
}

void cls_VornStructure::addDiagnostic(Diagnostic diagnostic, const cls_VornElement* on)
{
    if (m_parsing == 0)
        return;
    if (on && on == m_checking.get())
        diagnostic.element = m_checking;
    m_diagnostics.push_back(std::move(diagnostic));
}

cls_VornStructure::CheckingScope::CheckingScope(cls_VornStructure& structure, const Ref<cls_VornElement>& element)
    : m_structure(structure), m_previous(std::exchange(structure.m_checking, element))
{
}

cls_VornStructure::CheckingScope::~CheckingScope() { m_structure.m_checking = std::move(m_previous); }

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
    // The included structure's own errors stay there: the INCLUDE reports that it failed.
    if (m_parsing > 0)
        for (Diagnostic& d : included.m_diagnostics) {
            if (d.severity == Severity::Error && d.element.expired())
                continue;
            if (d.span.file.isEmpty())
                d.span.file = file;
            m_diagnostics.push_back(std::move(d));
        }
    included.m_diagnostics.clear();
}

bool cls_VornStructure::PARSE(const QString& pScript, const Ref<CoreList>& pErrors)
{
    const Ref<cls_VornStructure> self = shared_from_this();
    const qint32 firstNew = ELEMENTS()->COUNT(false) + 1;
    const size_t firstStructureError = m_errorLocations.size();
    const qint64 structureErrorsBefore = m_structureErrorCount;
    struct Parsing {
        cls_VornStructure& s;
        explicit Parsing(cls_VornStructure& structure) : s(structure)
        {
            if (s.m_parsing++ == 0)
                s.m_checkPlans = std::make_unique<CheckPlans>();
        }
        ~Parsing()
        {
            if (--s.m_parsing == 0)
                s.m_checkPlans.reset();
        }
    } parsing(*this);
    BlockStack blocks(self);
    NameCache names;
    RecentNames recentNames;
    TextPool texts;
    LineReading reading;
    int skipped = 0; // depth of blocks skipped for being nested too deeply

    const QString script = pScript; // the lines point into it
    const QExplicitlySharedDataPointer<SourceLines> lines(new SourceLines);
    StatementSource statements(script, *lines);
    for (Line line; statements.next(line);) {
        if (skipped > 0) {
            const QString word = firstWord(line.text);
            if (vocabulary::isBegin(word))
                ++skipped;
            else if (vocabulary::isEnd(word))
                --skipped;
            continue;
        }
        readLine(line.text, names, reading);
        for (const LineError& e : reading.errors)
            blocks.error(e.kind, e.text, line.range(e.at.from, e.at.to), line.number);

        if (reading.command.isEmpty() && reading.type.isEmpty()) {
            if (blocks.atTop()) {
                if (!reading.slots_.empty())
                    reportError(*this, Message::ValuesOutsideElement,
                                QStringLiteral("Die Zeile '") + line.text
                                    + QStringLiteral("' enthält Attribute außerhalb eines Elements"),
                                line.whole(), line.number);
                continue;
            }
            storeValues(reading.slots_, line, blocks.current(), this, recentNames, texts);
            continue;
        }

        const Extent keywordAt = reading.commandAt.isSet() ? reading.commandAt
            : reading.typeAt.isSet()                       ? reading.typeAt
                                                           : Extent{ 0, 0 };
        const TextRange keyword = line.range(keywordAt.from, keywordAt.to);
        const QStringView command = reading.command; // name characters only
        if (vocabulary::isBegin(command) && blocks.depth() >= MaxNesting) {
            blocks.error(
                Message::NestedTooDeep,
                QStringLiteral("Die Zeile '") + line.text
                    + QStringLiteral("' öffnet mehr als %1 verschachtelte Elemente; der Block wird übersprungen")
                          .arg(MaxNesting),
                keyword, line.number);
            skipped = 1;
            continue;
        }
        auto element = cls_VornElement::create();
        element->setUID(UIDCREATE());
        element->setLINE(line.number);
        if (!reading.type.isEmpty())
            element->setSORT(reading.type);
        else
            element->setID(reading.command.toString());

        if (vocabulary::isEnd(command)) {
            // END's own values belong to no element: they are read and dropped.
            storeValues(reading.slots_, line, element, nullptr, recentNames, texts);
            if (blocks.atTop()) {
                reportError(*this, Message::EndWithoutBegin,
                            QStringLiteral("Die Zeile '") + line.text
                                + QStringLiteral("' schließt kein mit BEGIN geöffnetes Element"),
                            keyword, line.number);
                continue;
            }
            const Ref<cls_VornElement> block = blocks.close();
            block->source()->whole.to = line.wholeExtent().to;
            blocks.checkAndFile(block);
            continue;
        }

        ElementSource source;
        source.lines = QExplicitlySharedDataPointer<const SourceLines>(lines.data());
        source.whole = line.wholeExtent();
        source.keyword = line.extent(keywordAt);
        if (reading.typeAt.isSet())
            source.type = line.extent(reading.typeAt);
        element->setSource(std::move(source));
        storeValues(reading.slots_, line, element, this, recentNames, texts);
        if (vocabulary::isBegin(command))
            blocks.open(element);
        else
            blocks.checkAndFile(element);
    }

    while (!blocks.atTop())
        blocks.checkAndFile(blocks.close(), true);
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
