#pragma once
// What every suite shares: readable failure output for Qt texts and variants, whole-file
// reads and writes, and record files.

#include <vorn/CoreFile.h>
#include <vorn/CoreList.h>
#include <vorn/DataTypes.h>
#include <vorn/Variant.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
namespace vorn {
inline void PrintTo(const Variant& v, std::ostream* os)
{
    *os << "kind " << int(v.kind()) << " " << DataTypes::FORMAT(v).toStdString();
}
} // namespace vorn

namespace support {

// The whole file, or nothing when it cannot be read.
inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the file, making its folder first; answers the path.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
    return path;
}

// A record file of these values, sealed when a password is given.
inline void writeRecord(const QString& path, const vorn::VariantArray& values, const QString& password = {})
{
    auto f = vorn::CoreFile::create();
    f->OPEN(path, vorn::CoreFile::ModeWrite, password);
    for (const vorn::Variant& v : values)
        f->WRITE(v);
    f->CLOSE();
}
inline vorn::Ref<vorn::CoreFile> openRecord(const QString& path, const QString& password = {})
{
    auto f = vorn::CoreFile::create();
    f->OPEN(path, vorn::CoreFile::ModeRead, password);
    return f;
}

// The names of a bag of values (attributes, a value list), joined by commas.
template <class Bag>
QString names(Bag& bag)
{
    QStringList out;
    for (qint32 i = 1; i <= bag.COUNT(); ++i)
        out << bag.NAME(i);
    return out.join(QLatin1Char(','));
}

// The package of a list holding these items.
inline QString listPackage(std::initializer_list<const char*> items)
{
    auto l = vorn::CoreList::create();
    for (const char* item : items)
        l->ADD(QString::fromUtf8(item));
    return l->DATA().PACKAGE();
}

} // namespace support
