// Record files: typed values written one after the other, the file read or written whole.
// The value codec, the framing and the sealing live in their own files (RecordFormat.h has
// the layout).

#include <vorn/CoreFile.h>

#include "core/RecordFormat.h"
#include "core/RecordValueCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vorn {

using namespace record;

namespace {

[[noreturn]] void notOpenFor(const char* what)
{
    fail(QStringLiteral("The file is not open for %1").arg(QLatin1String(what)));
}

// Encodes straight onto the payload; a value that cannot be written takes back what it wrote,
// so it leaves no partial record behind.
template <class Encode>
void appendWhole(QByteArray& payload, const Encode& encode)
{
    const qsizetype before = payload.size();
    try {
        encode(payload);
    } catch (...) {
        payload.truncate(before);
        throw;
    }
}

} // namespace

struct CoreFile::State {
    int mode = 0; // 0 closed, else the Mode it was opened with
    QString path;
    QString password;
    QByteArray data; // writing: the payload so far; reading: the whole payload
    qsizetype pos = 0;
};

CoreFile::CoreFile() : m_state(std::make_unique<State>()) {}
CoreFile::~CoreFile() = default;

Ref<CoreFile> CoreFile::create() { return Ref<CoreFile>(new CoreFile()); }

bool CoreFile::isOpen() const noexcept { return m_state->mode != 0; }

void CoreFile::OPEN(const QString& pFile, int pMode, const QString& pPassword, bool, bool, const Ref<Object>&)
{
    // Opening again drops whatever an earlier, unclosed write collected.
    *m_state = State();
    if (pMode != ModeRead && pMode != ModeWrite)
        fail(QStringLiteral("Unknown open mode %1 (1 reads, 2 writes)").arg(pMode));
    if (pFile.isEmpty())
        fail(QStringLiteral("No file name given"));

    if (pMode == ModeWrite) {
        m_state->path = pFile;
        m_state->password = pPassword;
        m_state->mode = ModeWrite;
        return;
    }

    // Opened straight away: a look at the file first can miss it for the instant in which
    // another process replaces it, where the open itself never fails.
    QFile file(pFile);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::OpenError && !QFileInfo::exists(pFile))
            fail(QStringLiteral("The file '%1' does not exist").arg(pFile));
        fail(QStringLiteral("The file '%1' cannot be read: %2").arg(pFile, file.errorString()));
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("The file '%1' cannot be read: %2").arg(pFile, file.errorString()));
    file.close();

    QByteArray payload;
    try {
        payload = decode(content, pPassword);
        ValueReader check(payload, 0, false);
        while (!check.atEnd())
            check.value();
    } catch (const Error& e) {
        throw Error(e.number(), Source, QStringLiteral("'%1': %2").arg(pFile, e.description()));
    }
    m_state->path = pFile;
    m_state->data = std::move(payload);
    m_state->mode = ModeRead;
}

void CoreFile::CLOSE()
{
    State s = std::move(*m_state);
    *m_state = State();
    if (s.mode != ModeWrite)
        return;

    const QByteArray content = encode(s.data, s.password);
    QSaveFile file(s.path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("The file '%1' cannot be written: %2").arg(s.path, file.errorString()));
    if (file.write(content) != content.size() || !file.commit())
        fail(QStringLiteral("The file '%1' cannot be written: %2").arg(s.path, file.errorString()));
}

void CoreFile::WRITE(const Variant& value)
{
    // Not through the list overload: that would copy the value, deep arrays and all.
    if (m_state->mode != ModeWrite)
        notOpenFor("writing");
    appendWhole(m_state->data, [&value](QByteArray& out) { putValue(out, value); });
}

void CoreFile::WRITE(std::initializer_list<Variant> values)
{
    if (m_state->mode != ModeWrite)
        notOpenFor("writing");
    appendWhole(m_state->data, [values](QByteArray& out) {
        for (const Variant& v : values)
            putValue(out, v);
    });
}

void CoreFile::WRITETAG(const QString& tag)
{
    if (m_state->mode != ModeWrite)
        notOpenFor("writing");
    m_state->data.append(char(KindTag));
    putText(m_state->data, tag);
}

Variant CoreFile::READVALUE()
{
    if (m_state->mode != ModeRead)
        notOpenFor("reading");
    ValueReader reader(m_state->data, m_state->pos, true);
    if (reader.atEnd())
        fail(QStringLiteral("'%1' holds no further values").arg(m_state->path));
    Variant v = reader.value();
    // Only a value read completely moves on; a failure leaves the position as it was.
    m_state->pos = reader.pos();
    return v;
}

QString CoreFile::READTAG()
{
    const qsizetype before = m_state->pos;
    Variant v = READVALUE();
    if (!v.isText()) {
        m_state->pos = before;
        throw Error(ErrorConversion, Source,
                    QStringLiteral("A text was expected in '%1' but a value of type code %2 was found")
                        .arg(m_state->path)
                        .arg(v.typeCode()));
    }
    return v.text();
}

// ---- conversions ----

void assignValue(const Variant& value, Variant& target) { target = value; }
void assignValue(const Variant& value, QString& target) { target = value.toText(); }
void assignValue(const Variant& value, qint32& target) { target = value.toLong(); }
void assignValue(const Variant& value, double& target) { target = value.toDouble(); }
void assignValue(const Variant& value, bool& target) { target = value.toBool(); }
void assignValue(const Variant& value, QDateTime& target) { target = value.toDate(); }

void assignValue(const Variant& value, VariantArray& target)
{
    if (value.isArray())
        target = value.array();
    else if (value.isEmpty())
        target.clear();
    else
        throw Error(
            ErrorConversion, Source,
            QStringLiteral("An array was expected but a value of type code %1 was found").arg(value.typeCode()));
}

} // namespace vorn
