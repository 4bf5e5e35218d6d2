#pragma once
// Sealed record files: the payload encrypted with a key derived from a password (libsodium).

#include <QByteArray>
#include <QString>

namespace vorn::record {

// Starts libsodium once per process; raises Error when it cannot start.
void ensureSodium();

// The whole sealed file for a payload: header, key settings, salt and the encrypted chunks.
QByteArray seal(const QByteArray& payload, const QString& password);
// The payload of a sealed file; raises Error for a wrong password or a damaged file.
QByteArray unseal(const QByteArray& file, const QString& password);

} // namespace vorn::record
