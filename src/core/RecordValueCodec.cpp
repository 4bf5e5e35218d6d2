// The payload of a record file: each value a kind byte and its data (see RecordFormat.h).

#include "core/RecordValueCodec.h"
#include "core/ClassRegistry.h"
#include "core/RecordFormat.h"

#include <vorn/CoreData.h>
#include <vorn/NestingGuard.h>

#include <cstring>

namespace vorn::record {

void putText(QByteArray& out, const QString& text)
{
    put<quint32>(out, quint32(text.size()));
    const qsizetype at = out.size();
    out.resize(at + text.size() * 2);
    qToLittleEndian<quint16>(text.utf16(), text.size(), out.data() + at);
}

void putValue(QByteArray& out, const Variant& v)
{
    using K = Variant::Kind;
    switch (v.kind()) {
    case K::Empty: out.append(char(KindEmpty)); return;
    case K::Missing: out.append(char(KindMissing)); return;
    case K::Text:
        out.append(char(KindText));
        putText(out, v.text());
        return;
    case K::Long:
        out.append(char(KindLong));
        put<qint32>(out, v.longValue());
        return;
    case K::Double: {
        out.append(char(KindDouble));
        quint64 bits;
        const double d = v.doubleValue();
        std::memcpy(&bits, &d, sizeof bits);
        put<quint64>(out, bits);
        return;
    }
    case K::Bool:
        out.append(char(KindBool));
        out.append(char(v.boolValue() ? 1 : 0));
        return;
    case K::Date:
        if (!v.date().isValid())
            fail(QStringLiteral("An invalid date cannot be written"));
        out.append(char(KindDate));
        put<qint64>(out, v.date().toMSecsSinceEpoch());
        return;
    case K::Array: {
        const NestingGuard nesting(Source);
        out.append(char(KindArray));
        put<quint32>(out, quint32(v.array().size()));
        for (const Variant& item : v.array())
            putValue(out, item);
        return;
    }
    case K::Object: {
        if (!v.object()) {
            out.append(char(KindNoObject));
            return;
        }
        CoreData& data = ClassRegistry::persistent(v.object()).DATA();
        const QString identity = data.CLASSNAME();
        const QString package = data.PACKAGE();
        out.append(char(KindObject));
        putText(out, identity);
        putText(out, package);
        return;
    }
    }
}

Variant ValueReader::value()
{
    need(1, "a value");
    const quint8 kind = quint8(m_data[m_pos++]);
    switch (kind) {
    case KindEmpty: return {};
    case KindMissing: return m_build ? Variant::missing() : Variant();
    case KindText:
    case KindTag: return text();
    case KindLong:
        need(4, "a number");
        m_pos += 4;
        return m_build ? Variant(get<qint32>(m_data, m_pos - 4)) : Variant();
    case KindDouble: {
        need(8, "a number");
        const quint64 bits = get<quint64>(m_data, m_pos);
        m_pos += 8;
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return m_build ? Variant(d) : Variant();
    }
    case KindBool: {
        need(1, "a Boolean");
        const quint8 b = quint8(m_data[m_pos++]);
        if (b > 1)
            damaged(QStringLiteral("a Boolean holds %1").arg(b));
        return m_build ? Variant(b == 1) : Variant();
    }
    case KindDate: {
        need(8, "a date");
        const qint64 ms = get<qint64>(m_data, m_pos);
        m_pos += 8;
        const QDateTime date = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        if (!date.isValid())
            damaged(QStringLiteral("a date is out of range"));
        return m_build ? Variant(date) : Variant();
    }
    case KindArray: {
        const NestingGuard nesting(Source);
        need(4, "an array");
        const quint32 count = get<quint32>(m_data, m_pos);
        m_pos += 4;
        // Every value takes at least one byte.
        if (count > quint64(m_data.size() - m_pos))
            damaged(QStringLiteral("an array claims more values than the file holds"));
        VariantArray items;
        if (m_build)
            items.reserve(count);
        for (quint32 i = 0; i < count; ++i) {
            Variant item = value();
            if (m_build)
                items.push_back(std::move(item));
        }
        return m_build ? Variant(std::move(items)) : Variant();
    }
    case KindObject: {
        const Variant identity = text();
        const Variant package = text();
        if (!m_build)
            return {};
        auto object = ClassRegistry::create(identity.text());
        object->DataUnpack(package.text());
        return Variant(Ref<Object>(std::move(object)));
    }
    case KindNoObject: return m_build ? Variant(Ref<Object>()) : Variant();
    default: damaged(QStringLiteral("unknown value kind %1").arg(kind));
    }
}

void ValueReader::need(qsizetype n, const char* what)
{
    if (n > m_data.size() - m_pos)
        damaged(QStringLiteral("%1 runs past the end").arg(QLatin1String(what)));
}

Variant ValueReader::text()
{
    need(4, "a text");
    const quint32 length = get<quint32>(m_data, m_pos);
    m_pos += 4;
    if (quint64(length) * 2 > quint64(m_data.size() - m_pos))
        damaged(QStringLiteral("a text runs past the end"));
    const qsizetype at = m_pos;
    m_pos += qsizetype(length) * 2;
    if (!m_build)
        return {};
    QString s(qsizetype(length), Qt::Uninitialized);
    qFromLittleEndian<quint16>(m_data.constData() + at, length, s.data());
    return Variant(std::move(s));
}

} // namespace vorn::record
