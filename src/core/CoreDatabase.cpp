#include <vorn/CoreDatabase.h>

namespace vorn {

qint32 CoreDatabase::COUNT() const
{
    qint32 n = 0;
    m_owner->DatabaseCount(n);
    return n;
}

qint32 CoreDatabase::position(const Variant& key, bool byPosition) const
{
    if (!byPosition) {
        qint32 found = 0;
        m_owner->DatabaseSearch(found, key);
        return found;
    }
    try {
        return key.toLong();
    } catch (const Error&) {
        return 0;
    }
}

bool CoreDatabase::EXISTS(const Variant& key) const { return position(key, false) > 0; }

Ref<Object> CoreDatabase::ITEM(const Variant& key, bool pByPosition) const
{
    const qint32 at = position(key, pByPosition);
    if (at < 1 || at > COUNT())
        return {};
    Ref<Object> entry;
    m_owner->DatabaseItem(entry, at);
    return entry;
}

Ref<Object> CoreDatabase::ITEMOBJ(const Variant& key, bool pByPosition) const
{
    const qint32 at = position(key, pByPosition);
    if (at < 1 || at > COUNT())
        return {};
    Ref<Object> entry;
    m_owner->DatabaseItemObj(entry, at);
    return entry;
}

bool CoreDatabase::REMOVE(const Variant& key, bool pByPosition)
{
    const qint32 at = position(key, pByPosition);
    if (at < 1 || at > COUNT())
        return false;
    m_owner->DatabaseRemove(at);
    return true;
}

void CoreDatabase::ADD(const Ref<Object>& entry, const Variant& key) { m_owner->DatabaseImport(entry, key); }

void CoreDatabase::CLEAR() { m_owner->DatabaseClear(); }

} // namespace vorn
