// Sealing a record file: Argon2id derives the key from the password, xchacha20poly1305
// secretstream encrypts the payload in chunks (layout in RecordFormat.h).

#include "core/RecordSealing.h"
#include "core/RecordFormat.h"

#include <sodium.h>

namespace vorn::record {

namespace {

constexpr qsizetype SaltSize = crypto_pwhash_SALTBYTES;
constexpr qsizetype StreamHeaderSize = crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr qsizetype SealedHeaderSize = HeaderSize + 8 + 8 + SaltSize + StreamHeaderSize;
constexpr qsizetype ChunkSize = 64 * 1024;
constexpr qsizetype ChunkOverhead = crypto_secretstream_xchacha20poly1305_ABYTES;

// Key settings beyond these are refused: a file must not make opening it arbitrarily costly.
constexpr quint64 MaxOpsLimit = 16;
constexpr quint64 MaxMemLimit = quint64(1) << 30;

[[noreturn]] void wrongPassword() { fail(QStringLiteral("Wrong password or damaged file")); }

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

} // namespace

void ensureSodium()
{
    static const int status = sodium_init();
    if (status < 0)
        fail(QStringLiteral("The encryption library could not be started"));
}

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
                                                       length, bytes(ad), quint64(ad.size()))
            != 0)
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

} // namespace vorn::record
