// Record files.
//
// Layout (all numbers little-endian):
//
//   header    8  magic "VORNREC\0"
//             1  format version (1)
//             1  flags: bit 0 = sealed; any other bit set means a format this code does not read
//
//   open file:   header, payload, 32-byte BLAKE2b (crypto_generichash) of header + payload
//
//   sealed file: header
//                8  Argon2id opslimit
//                8  Argon2id memlimit (bytes)
//               16  salt
//               24  secretstream header (xchacha20poly1305)
//                then chunks, each: u32 ciphertext length, ciphertext of at most 64 KiB of
//                payload; every byte above is the chunk's additional data, and the last chunk
//                carries TAG_FINAL (a stream without it was cut short). An empty payload is one
//                empty FINAL chunk.
//
//   payload: values one after the other, each a kind byte and its data:
//     0 Empty, 1 Missing                  -
//     2 Text, 10 Tag                      u32 length in UTF-16 units, UTF-16LE units (a tag
//                                         reads back as a plain text)
//     3 Long                              i32
//     4 Double                            f64 (IEEE bits)
//     5 Bool                              u8, 0 or 1
//     6 Date                              i64 ms since 1970-01-01 UTC
//     7 Array                             u32 count, then that many values (nested at most
//                                         NestingGuard::MaxDepth deep)
//     8 Object                            class identity, then package, each a u32 length and
//                                         UTF-16LE units as for Text
//     9 no object                         -
//
// The whole file is checked at OPEN (check sum or authentication, then the payload's structure),
// so a damaged or foreign file fails before anything is read. Every length is checked against
// the bytes that remain before anything is allocated for it.

#include <vorn/CoreFile.h>
#include <vorn/NestingGuard.h>

#include "core/ClassRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <sodium.h>

#include <cstring>

namespace vorn {

namespace {

const QString Source = QStringLiteral("CoreFile");

constexpr char Magic[8] = { 'V', 'O', 'R', 'N', 'R', 'E', 'C', '\0' };
constexpr quint8 FormatVersion = 1;
constexpr quint8 FlagSealed = 0x01;
constexpr qsizetype HeaderSize = 10;
constexpr qsizetype HashSize = crypto_generichash_BYTES;
constexpr qsizetype SaltSize = crypto_pwhash_SALTBYTES;
constexpr qsizetype StreamHeaderSize = crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr qsizetype SealedHeaderSize = HeaderSize + 8 + 8 + SaltSize + StreamHeaderSize;
constexpr qsizetype ChunkSize = 64 * 1024;
constexpr qsizetype ChunkOverhead = crypto_secretstream_xchacha20poly1305_ABYTES;

// Key settings beyond these are refused: a file must not make opening it arbitrarily costly.
constexpr quint64 MaxOpsLimit = 16;
constexpr quint64 MaxMemLimit = quint64(1) << 30;

enum Kind : quint8 {
    KindEmpty = 0, KindMissing = 1, KindText = 2, KindLong = 3, KindDouble = 4, KindBool = 5,
    KindDate = 6, KindArray = 7, KindObject = 8, KindNoObject = 9, KindTag = 10
};

[[noreturn]] void fail(const QString& description)
{
    throw Error(Source, description);
}

[[noreturn]] void damaged(const QString& what)
{
    fail(QStringLiteral("The file is damaged: %1").arg(what));
}

[[noreturn]] void wrongPassword()
{
    fail(QStringLiteral("Wrong password or damaged file"));
}

[[noreturn]] void notOpenFor(const char* what)
{
    fail(QStringLiteral("The file is not open for %1").arg(QLatin1String(what)));
}

void ensureSodium()
{
    static const int status = sodium_init();
    if (status < 0)
        fail(QStringLiteral("The encryption library could not be started"));
}

const unsigned char* bytes(const QByteArray& a, qsizetype at = 0)
{
    return reinterpret_cast<const unsigned char*>(a.constData()) + at;
}

unsigned char* bytes(QByteArray& a, qsizetype at = 0)
{
    return reinterpret_cast<unsigned char*>(a.data()) + at;
}

template <class T>
void put(QByteArray& out, T value)
{
    char buffer[sizeof(T)];
    qToLittleEndian(value, buffer);
    out.append(buffer, sizeof(T));
}

template <class T>
T get(const QByteArray& in, qsizetype at)
{
    return qFromLittleEndian<T>(in.constData() + at);
}

// ---- values ----

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

// Walks a payload. Without `build` it only checks the structure and creates nothing, so OPEN
// can refuse a malformed payload before any value is handed out.
class Reader {
public:
    Reader(const QByteArray& data, qsizetype pos, bool build) : m_data(data), m_pos(pos), m_build(build) {}

    qsizetype pos() const noexcept { return m_pos; }
    bool atEnd() const noexcept { return m_pos >= m_data.size(); }

    Variant value()
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

private:
    void need(qsizetype n, const char* what)
    {
        if (n > m_data.size() - m_pos)
            damaged(QStringLiteral("%1 runs past the end").arg(QLatin1String(what)));
    }

    Variant text()
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

    const QByteArray& m_data;
    qsizetype m_pos;
    bool m_build;
};

// ---- framing ----

QByteArray header(quint8 flags)
{
    QByteArray h(Magic, sizeof Magic);
    h.append(char(FormatVersion));
    h.append(char(flags));
    return h;
}

QByteArray checksum(const QByteArray& data, qsizetype length)
{
    QByteArray hash(HashSize, Qt::Uninitialized);
    crypto_generichash(bytes(hash), size_t(hash.size()), bytes(data), quint64(length), nullptr, 0);
    return hash;
}

// Wiped on every way out, so the key never outlives its use.
struct StreamKey {
    unsigned char key[crypto_secretstream_xchacha20poly1305_KEYBYTES];
    ~StreamKey() { sodium_memzero(key, sizeof key); }

    void derive(const QString& password, const unsigned char* salt, quint64 ops, quint64 mem)
    {
        QByteArray pw = password.toUtf8();
        const int rc = crypto_pwhash(key, sizeof key, pw.constData(), quint64(pw.size()), salt, ops, size_t(mem),
                                     crypto_pwhash_ALG_ARGON2ID13);
        sodium_memzero(pw.data(), size_t(pw.size()));
        if (rc != 0)
            fail(QStringLiteral("Not enough memory to derive the key from the password"));
    }
};

QByteArray seal(const QByteArray& payload, const QString& password)
{
    const quint64 ops = crypto_pwhash_OPSLIMIT_INTERACTIVE;
    const quint64 mem = crypto_pwhash_MEMLIMIT_INTERACTIVE;

    QByteArray out = header(FlagSealed);
    put<quint64>(out, ops);
    put<quint64>(out, mem);
    const qsizetype saltAt = out.size();
    out.resize(saltAt + SaltSize + StreamHeaderSize);
    randombytes_buf(bytes(out, saltAt), size_t(SaltSize));

    StreamKey k;
    k.derive(password, bytes(out, saltAt), ops, mem);
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_push(&state, bytes(out, saltAt + SaltSize), k.key);
    const QByteArray ad = out;

    const qsizetype chunks = payload.isEmpty() ? 1 : (payload.size() + ChunkSize - 1) / ChunkSize;
    out.reserve(out.size() + payload.size() + chunks * (4 + ChunkOverhead));
    qsizetype at = 0;
    do {
        const qsizetype n = qMin(ChunkSize, payload.size() - at);
        const bool last = at + n == payload.size();
        put<quint32>(out, quint32(n + ChunkOverhead));
        const qsizetype c = out.size();
        out.resize(c + n + ChunkOverhead);
        crypto_secretstream_xchacha20poly1305_push(
            &state, bytes(out, c), nullptr, bytes(payload, at), quint64(n), bytes(ad), quint64(ad.size()),
            last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
        at += n;
    } while (at < payload.size());
    sodium_memzero(&state, sizeof state);
    return out;
}

QByteArray unseal(const QByteArray& file, const QString& password)
{
    if (file.size() < SealedHeaderSize)
        damaged(QStringLiteral("it ends inside its header"));
    const quint64 ops = get<quint64>(file, HeaderSize);
    const quint64 mem = get<quint64>(file, HeaderSize + 8);
    if (ops < crypto_pwhash_OPSLIMIT_MIN || ops > MaxOpsLimit || mem < crypto_pwhash_MEMLIMIT_MIN || mem > MaxMemLimit)
        damaged(QStringLiteral("its key settings are out of range"));

    const qsizetype saltAt = HeaderSize + 16;
    StreamKey k;
    k.derive(password, bytes(file, saltAt), ops, mem);
    crypto_secretstream_xchacha20poly1305_state state;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&state, bytes(file, saltAt + SaltSize), k.key) != 0)
        wrongPassword();
    const QByteArray ad = file.left(SealedHeaderSize);

    QByteArray payload;
    qsizetype pos = SealedHeaderSize;
    bool final = false;
    while (!final && pos < file.size()) {
        if (file.size() - pos < 4)
            wrongPassword();
        const quint32 length = get<quint32>(file, pos);
        pos += 4;
        if (length < ChunkOverhead || length > ChunkSize + ChunkOverhead || qsizetype(length) > file.size() - pos)
            wrongPassword();
        const qsizetype at = payload.size();
        payload.resize(at + qsizetype(length) - ChunkOverhead);
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&state, bytes(payload, at), nullptr, &tag, bytes(file, pos),
                                                       length, bytes(ad), quint64(ad.size())) != 0)
            wrongPassword();
        pos += length;
        if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL)
            final = true;
        else if (tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE)
            wrongPassword();
    }
    sodium_memzero(&state, sizeof state);
    if (!final)
        fail(QStringLiteral("Wrong password or damaged file (the file is cut short)"));
    if (pos != file.size())
        damaged(QStringLiteral("there are bytes after its end"));
    return payload;
}

} // namespace

// ---- CoreFile ----

struct CoreFile::State {
    int mode = 0;  // 0 closed, else the Mode it was opened with
    QString path;
    QString password;
    QByteArray data;  // writing: the payload so far; reading: the whole payload
    qsizetype pos = 0;
};

CoreFile::CoreFile() : m_state(std::make_unique<State>()) {}
CoreFile::~CoreFile() = default;

Ref<CoreFile> CoreFile::create()
{
    return Ref<CoreFile>(new CoreFile());
}

bool CoreFile::isOpen() const noexcept
{
    return m_state->mode != 0;
}

QByteArray CoreFile::encode(const QByteArray& payload, const QString& password)
{
    ensureSodium();
    if (!password.isEmpty())
        return seal(payload, password);
    QByteArray out = header(0);
    out.reserve(HeaderSize + payload.size() + HashSize);
    out.append(payload);
    out.append(checksum(out, out.size()));
    return out;
}

QByteArray CoreFile::decode(const QByteArray& file, const QString& password)
{
    ensureSodium();
    if (file.size() < HeaderSize || std::memcmp(file.constData(), Magic, sizeof Magic) != 0)
        fail(QStringLiteral("This is not a record file"));
    const quint8 version = quint8(file[8]);
    const quint8 flags = quint8(file[9]);
    if (version != FormatVersion || (flags & ~FlagSealed) != 0)
        fail(QStringLiteral("The record file has format version %1 (flags %2); only version %3 can be read")
                 .arg(version).arg(flags).arg(FormatVersion));
    const bool sealed = flags & FlagSealed;
    if (sealed && password.isEmpty())
        fail(QStringLiteral("The file is sealed; a password is needed to open it"));
    if (!sealed && !password.isEmpty())
        fail(QStringLiteral("The file is not sealed; open it without a password"));
    if (sealed)
        return unseal(file, password);

    if (file.size() < HeaderSize + HashSize)
        damaged(QStringLiteral("it ends before its check sum"));
    const qsizetype end = file.size() - HashSize;
    if (sodium_memcmp(checksum(file, end).constData(), file.constData() + end, HashSize) != 0)
        damaged(QStringLiteral("its check sum does not match (altered or cut short)"));
    return file.mid(HeaderSize, end - HeaderSize);
}

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
        Reader check(payload, 0, false);
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
    QByteArray bytes;
    putValue(bytes, value);
    m_state->data.append(bytes);
}

void CoreFile::WRITE(std::initializer_list<Variant> values)
{
    if (m_state->mode != ModeWrite)
        notOpenFor("writing");
    // Encoded aside first, so a value that cannot be written leaves no partial record behind.
    QByteArray bytes;
    for (const Variant& v : values)
        putValue(bytes, v);
    m_state->data.append(bytes);
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
    Reader reader(m_state->data, m_state->pos, true);
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
                        .arg(m_state->path).arg(v.typeCode()));
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
        throw Error(ErrorConversion, Source,
                    QStringLiteral("An array was expected but a value of type code %1 was found").arg(value.typeCode()));
}

} // namespace vorn
