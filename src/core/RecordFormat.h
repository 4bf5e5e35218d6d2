#pragma once
// The record file format: its layout, the constants the codec, the framing and the sealing
// share, and their little-endian byte helpers.
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

#include <vorn/Object.h>

#include <QByteArray>
#include <QtEndian>

namespace vorn::record {

// Every failure of a record file names this source.
inline const QString Source = QStringLiteral("CoreFile");

constexpr char Magic[8] = { 'V', 'O', 'R', 'N', 'R', 'E', 'C', '\0' };
constexpr quint8 FormatVersion = 1;
constexpr quint8 FlagSealed = 0x01;
constexpr qsizetype HeaderSize = 10;

enum Kind : quint8 {
    KindEmpty = 0,
    KindMissing = 1,
    KindText = 2,
    KindLong = 3,
    KindDouble = 4,
    KindBool = 5,
    KindDate = 6,
    KindArray = 7,
    KindObject = 8,
    KindNoObject = 9,
    KindTag = 10
};

[[noreturn]] inline void fail(const QString& description) { throw Error(Source, description); }

[[noreturn]] inline void damaged(const QString& what) { fail(QStringLiteral("The file is damaged: %1").arg(what)); }

inline const unsigned char* bytes(const QByteArray& a, qsizetype at = 0)
{
    return reinterpret_cast<const unsigned char*>(a.constData()) + at;
}

inline unsigned char* bytes(QByteArray& a, qsizetype at = 0) { return reinterpret_cast<unsigned char*>(a.data()) + at; }

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

// Magic, format version and flags: the first bytes of every record file.
inline QByteArray header(quint8 flags)
{
    QByteArray h(Magic, sizeof Magic);
    h.append(char(FormatVersion));
    h.append(char(flags));
    return h;
}

} // namespace vorn::record
