// Framing a record file: header, payload and its check sum; a password makes it a sealed file.

#include <vorn/CoreFile.h>

#include "core/RecordFormat.h"
#include "core/RecordSealing.h"

#include <sodium.h>

#include <cstring>

namespace vorn {

using namespace record;

namespace {

constexpr qsizetype HashSize = crypto_generichash_BYTES;

QByteArray checksum(const QByteArray& data, qsizetype length)
{
    QByteArray hash(HashSize, Qt::Uninitialized);
    crypto_generichash(bytes(hash), size_t(hash.size()), bytes(data), quint64(length), nullptr, 0);
    return hash;
}

} // namespace

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
                 .arg(version)
                 .arg(flags)
                 .arg(FormatVersion));
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

} // namespace vorn
