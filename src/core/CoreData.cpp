#include "core/Logging.h"
#include <vorn/CoreData.h>
#include <vorn/CoreFile.h>
#include <vorn/Persistent.h>

namespace vorn {

void raiseWrongClass(const QString& expected, const Object& got)
{
    throw Error(QStringLiteral("DATA.COPY"),
                QStringLiteral("Cannot copy an object of class '%1' into '%2'").arg(got.className(), expected));
}

void CoreData::setKEY(Variant key) noexcept
{
    m_key = std::move(key);
    m_owner->keyChanged();
}

QString CoreData::KEYTEXT() const
{
    try {
        return m_key.toText();
    } catch (const Error&) {
        return QString();
    }
}

QString CoreData::CLASSNAME() const
{
    return QString::fromUtf16(LibraryName) + QLatin1Char('.') + m_owner->className();
}

void CoreData::COPY(const Object& pOther)
{
    if (&pOther == m_owner)
        return;
    bool done = false;
    m_owner->DataCopy(pOther, done);
}

void CoreData::COPY(const Ref<Object>& pOther)
{
    if (!pOther)
        throw Error(QStringLiteral("DATA.COPY"), QStringLiteral("There is no object to copy"));
    COPY(*pOther);
}

QString CoreData::PACKAGE() const
{
    QString package;
    m_owner->DataPACK(package);
    return package;
}

namespace {
// A fresh object of the owner's class to fill before anything of the owner changes.
Ref<DataEvents> spawnFresh(DataEvents& owner)
{
    Ref<Object> fresh;
    owner.DataSpawn(fresh);
    auto p = std::dynamic_pointer_cast<DataEvents>(fresh);
    if (!p)
        throw Error(QStringLiteral("DATA"), QStringLiteral("The class '%1' spawned no object").arg(owner.className()));
    return p;
}
} // namespace

void CoreData::setPACKAGE(const QString& package)
{
    auto fresh = spawnFresh(*m_owner);
    fresh->DataUnpack(package);
    m_owner->swapContents(*fresh);
}

void CoreData::STORE(CoreFile& file) { m_owner->DataStore(file); }

bool CoreData::READ(CoreFile& file)
{
    auto fresh = spawnFresh(*m_owner);
    if (!fresh->DataRead(file))
        return false;
    m_owner->swapContents(*fresh);
    return true;
}

Ref<Object> CoreData::SPAWN() const
{
    Ref<Object> fresh;
    m_owner->DataSpawn(fresh);
    return fresh;
}

bool loadObject(DataEvents& object, const QString& file, const QString& password)
{
    try {
        auto f = CoreFile::create();
        f->OPEN(file, CoreFile::ModeRead, password, true, true);
        object.DATA().READ(*f);
        f->CLOSE();
        return true;
    } catch (const std::exception& e) {
        qCInfo(lcFiles) << "LOAD" << file << "failed:" << failureText(e);
        return false;
    }
}

bool saveObject(DataEvents& object, const QString& file, const QString& password)
{
    try {
        auto f = CoreFile::create();
        f->OPEN(file, CoreFile::ModeWrite, password, true, true);
        object.DATA().STORE(*f);
        f->CLOSE();
        return true;
    } catch (const std::exception& e) {
        qCInfo(lcFiles) << "SAVE" << file << "failed:" << failureText(e);
        return false;
    }
}

} // namespace vorn
