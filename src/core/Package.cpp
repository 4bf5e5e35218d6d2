// Package text:   "VP1" ARRAY
// Value:          "E" empty | "M" missing | "N" no object | "T" True | "F" False
//                 | "S" LEN ":" chars             text of LEN UTF-16 code units
//                 | "L" digits ";"               32-bit integer
//                 | "D" number ";"               double, shortest round-trip text
//                 | "W" digits ";"               date, milliseconds since 1970 UTC
//                 | ARRAY                          "A" COUNT ":" value*COUNT
//                 | "O" LEN ":" identity LEN ":" package   object of a registered class
// Lengths count code units, so nested packages need no escaping.
#include <vorn/NestingGuard.h>
#include <vorn/Package.h>

#include "core/ClassRegistry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace vorn {

namespace {

const QString Source = QStringLiteral("Package");
constexpr QLatin1String Magic("VP1");

[[noreturn]] void malformed(const QString& what)
{
    throw Error(Source, QStringLiteral("Malformed package: %1").arg(what));
}

// Most of a package is short pieces, and a QString append each costs a call that checks for
// sharing: the writer keeps its text's capacity itself and copies the pieces in.
class Writer {
public:
    explicit Writer(QLatin1String start)
    {
        reserve(start.size());
        for (const char c : start)
            m_at[m_size++] = char16_t(c);
    }
    QString result() &&
    {
        m_out.truncate(m_size);
        return std::move(m_out);
    }

    // A length or count: its digits and ':', after the kind letter when there is one.
    void length(qsizetype n, char kind = 0) { token(kind, n, ':'); }
    void text(const QString& t)
    {
        length(t.size(), 'S');
        append(t);
    }

    void value(const Variant& v)
    {
        using K = Variant::Kind;
        switch (v.kind()) {
        case K::Empty: put(u'E'); break;
        case K::Missing: put(u'M'); break;
        case K::Text: text(v.text()); break;
        case K::Long: token('L', v.longValue(), ';'); break;
        case K::Double:
            if (std::isfinite(v.doubleValue()))
                token('D', v.doubleValue(), ';');
            else
                append(QLatin1Char('D') + numberText(v.doubleValue()) + QLatin1Char(';'));
            break;
        case K::Bool: put(v.boolValue() ? u'T' : u'F'); break;
        case K::Date: token('W', v.date().toMSecsSinceEpoch(), ';'); break;
        case K::Array: {
            const NestingGuard nesting(Source);
            array(v.array());
            break;
        }
        case K::Object: object(v.object()); break;
        }
    }

    void array(const VariantArray& items)
    {
        length(qsizetype(items.size()), 'A');
        for (const Variant& item : items)
            value(item);
    }

    void object(const Ref<Object>& object)
    {
        if (!object) {
            put(u'N');
            return;
        }
        DataEvents& p = ClassRegistry::persistent(object);
        const QString identity = p.DATA().CLASSNAME();
        const QString package = p.DATA().PACKAGE();
        length(identity.size(), 'O');
        append(identity);
        length(package.size());
        append(package);
    }

private:
    void append(const QString& t) { append(reinterpret_cast<const char16_t*>(t.constData()), t.size()); }
    void append(const char16_t* chars, qsizetype count)
    {
        reserve(count);
        std::memcpy(m_at + m_size, chars, size_t(count) * sizeof(char16_t));
        m_size += count;
    }
    void put(char16_t c)
    {
        reserve(1);
        m_at[m_size++] = c;
    }
    // Room for `more` units after the written ones, growing by half again at least.
    void reserve(qsizetype more)
    {
        if (m_size + more <= m_out.size())
            return;
        m_out.resize(std::max(m_size + more, m_out.size() + m_out.size() / 2 + 64));
        m_at = reinterpret_cast<char16_t*>(m_out.data());
    }

    // The kind letter (none for 0), the number and its end mark, appended at once: most of a
    // package is such short pieces.
    template <class Number>
    void token(char kind, Number n, char end)
    {
        char digits[32];
        const auto result = std::to_chars(digits, digits + sizeof digits, n);
        char16_t piece[sizeof digits + 2];
        qsizetype at = 0;
        if (kind)
            piece[at++] = char16_t(kind);
        for (const char* c = digits; c != result.ptr; ++c)
            piece[at++] = char16_t(*c);
        piece[at++] = char16_t(end);
        append(piece, at);
    }

    QString m_out;            // sized ahead; the first m_size units are written
    char16_t* m_at = nullptr; // m_out's units
    qsizetype m_size = 0;
};

class Reader {
public:
    explicit Reader(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_at >= m_text.size(); }
    qsizetype remaining() const { return m_text.size() - m_at; }

    void expectMagic()
    {
        if (!m_text.startsWith(Magic))
            malformed(QStringLiteral("it does not start with the package mark"));
        m_at = Magic.size();
    }

    Variant value()
    {
        if (atEnd())
            malformed(QStringLiteral("it ends in the middle of a value"));
        const QChar kind = m_text[m_at++];
        switch (kind.unicode()) {
        case 'E': return Variant();
        case 'M': return Variant::missing();
        case 'N': return Variant(Ref<Object>());
        case 'T': return Variant(true);
        case 'F': return Variant(false);
        case 'S': return Variant(chars(length()));
        case 'L': {
            const QStringView digits = until(u';');
            bool ok = false;
            const qint32 n = digits.toInt(&ok);
            if (!ok)
                malformed(QStringLiteral("'%1' is not a 32-bit number").arg(digits));
            return Variant(n);
        }
        case 'D': {
            const QStringView t = until(u';');
            if (t == u"NaN")
                return Variant(std::nan(""));
            if (t == u"Infinity" || t == u"-Infinity")
                return Variant(t[0] == u'-' ? -HUGE_VAL : HUGE_VAL);
            const QByteArray latin = t.toLatin1();
            double d = 0;
            auto r = std::from_chars(latin.constData(), latin.constData() + latin.size(), d);
            if (r.ec != std::errc() || r.ptr != latin.constData() + latin.size())
                malformed(QStringLiteral("'%1' is not a number").arg(t));
            return Variant(d);
        }
        case 'W': {
            const QStringView digits = until(u';');
            bool ok = false;
            const qint64 ms = digits.toLongLong(&ok);
            if (!ok)
                malformed(QStringLiteral("'%1' is not a date").arg(digits));
            return Variant(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
        }
        case 'A': {
            const NestingGuard nesting(Source);
            return Variant(array());
        }
        case 'O': {
            // Lent, not copied: the object reads its package through and keeps none of it.
            const QString identity = lent(length());
            const QString package = lent(length());
            Ref<DataEvents> object = ClassRegistry::create(identity);
            object->DataUnpack(package);
            return Variant(Ref<Object>(std::move(object)));
        }
        default: malformed(QStringLiteral("unknown value kind '%1'").arg(kind));
        }
    }

    VariantArray array()
    {
        const qsizetype n = length();
        VariantArray items;
        items.reserve(size_t(n)); // every value takes at least one code unit, so n <= remaining
        for (qsizetype i = 0; i < n; ++i)
            items.push_back(value());
        return items;
    }

    VariantArray top()
    {
        expectMagic();
        if (atEnd() || m_text[m_at++] != u'A')
            malformed(QStringLiteral("it holds no value list"));
        VariantArray values = array();
        if (!atEnd())
            malformed(QStringLiteral("text follows the last value"));
        return values;
    }

private:
    // A length or count: digits and ':', never more than what is left of the text.
    qsizetype length()
    {
        const qsizetype start = m_at;
        qsizetype n = 0;
        while (!atEnd() && m_text[m_at].isDigit() && m_text[m_at].unicode() < 128) {
            n = n * 10 + (m_text[m_at].unicode() - '0');
            if (n > remaining())
                malformed(QStringLiteral("a length exceeds the text"));
            ++m_at;
        }
        if (m_at == start || atEnd() || m_text[m_at] != u':')
            malformed(QStringLiteral("a length is missing"));
        ++m_at;
        if (n > remaining())
            malformed(QStringLiteral("a length exceeds the text"));
        return n;
    }

    QString chars(qsizetype n)
    {
        QString s = m_text.mid(m_at, n).toString();
        m_at += n;
        return s;
    }

    // The next n units as a text that shares this package's storage, for use while it lives.
    QString lent(qsizetype n)
    {
        QString s = QString::fromRawData(m_text.data() + m_at, n);
        m_at += n;
        return s;
    }

    QStringView until(char16_t end)
    {
        constexpr qsizetype MaxNumber = 40;
        const qsizetype last = std::min(m_text.size(), m_at + MaxNumber + 1);
        qsizetype stop = m_at;
        while (stop < last && m_text[stop] != end)
            ++stop;
        if (stop == last)
            malformed(QStringLiteral("a number is not terminated"));
        QStringView v = m_text.mid(m_at, stop - m_at);
        m_at = stop + 1;
        return v;
    }

    QStringView m_text;
    qsizetype m_at = 0;
};

} // namespace

// Packages nest through objects that pack and unpack their own packages: each package counts
// a level, like each array.
QString Package::PACK(const VariantArray& values)
{
    const NestingGuard nesting(Source);
    Writer w(Magic);
    w.array(values);
    return std::move(w).result();
}

VariantArray Package::UNPACK(const QString& package, qsizetype count)
{
    const NestingGuard nesting(Source);
    VariantArray values = Reader(package).top();
    if (qsizetype(values.size()) != count)
        malformed(QStringLiteral("it holds %1 values where %2 were expected").arg(values.size()).arg(count));
    return values;
}

} // namespace vorn
