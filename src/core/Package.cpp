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

#include <charconv>
#include <cmath>

namespace vorn {

namespace {

const QString Source = QStringLiteral("Package");
constexpr QLatin1String Magic("VP1");

[[noreturn]] void malformed(const QString& what)
{
    throw Error(Source, QStringLiteral("Malformed package: %1").arg(what));
}

class Writer {
public:
    QString out;

    void length(qsizetype n)
    {
        out += QString::number(n);
        out += QLatin1Char(':');
    }
    void text(const QString& t)
    {
        out += QLatin1Char('S');
        length(t.size());
        out += t;
    }

    void value(const Variant& v)
    {
        using K = Variant::Kind;
        switch (v.kind()) {
        case K::Empty: out += QLatin1Char('E'); break;
        case K::Missing: out += QLatin1Char('M'); break;
        case K::Text: text(v.text()); break;
        case K::Long: out += QLatin1Char('L') + QString::number(v.longValue()) + QLatin1Char(';'); break;
        case K::Double: out += QLatin1Char('D') + numberText(v.doubleValue()) + QLatin1Char(';'); break;
        case K::Bool: out += QLatin1Char(v.boolValue() ? 'T' : 'F'); break;
        case K::Date: out += QLatin1Char('W') + QString::number(v.date().toMSecsSinceEpoch()) + QLatin1Char(';'); break;
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
        out += QLatin1Char('A');
        length(qsizetype(items.size()));
        for (const Variant& item : items)
            value(item);
    }

    void object(const Ref<Object>& object)
    {
        if (!object) {
            out += QLatin1Char('N');
            return;
        }
        DataEvents& p = ClassRegistry::persistent(object);
        const QString identity = p.DATA().CLASSNAME();
        const QString package = p.DATA().PACKAGE();
        out += QLatin1Char('O');
        length(identity.size());
        out += identity;
        length(package.size());
        out += package;
    }
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
            const QString identity = chars(length());
            const QString package = chars(length());
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

    QStringView until(char16_t end)
    {
        const qsizetype stop = m_text.indexOf(QChar(end), m_at);
        if (stop < 0 || stop - m_at > 40)
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
    Writer w;
    w.out = QString(Magic);
    w.array(values);
    return w.out;
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
