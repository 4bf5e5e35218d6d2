#pragma once
// The keyed container behind every DATABASE property. It keeps nothing itself: it turns
// its operations into events that the owning collection answers.

#include <vorn/Variant.h>

namespace vorn {

class DatabaseEvents {
public:
    virtual ~DatabaseEvents() = default;
    virtual void DatabaseClear() = 0;
    virtual void DatabaseCount(qint32& ret) = 0;
    virtual void DatabaseImport(const Ref<Object>& NewEntry, const Variant& ID) = 0;
    virtual void DatabaseItem(Ref<Object>& rRet, qint32 pIndex) = 0;
    virtual void DatabaseItemObj(Ref<Object>& rRet, qint32 pIndex) = 0;
    virtual void DatabaseRemove(qint32 ID) = 0;
    virtual void DatabaseSearch(qint32& ret, const Variant& ID) = 0;
};

class CoreDatabase {
public:
    explicit CoreDatabase(DatabaseEvents& owner) noexcept : m_owner(&owner) {}
    CoreDatabase(const CoreDatabase&) = delete;
    CoreDatabase& operator=(const CoreDatabase&) = delete;

    qint32 COUNT() const;
    // True when DatabaseSearch with the key yields a position above 0.
    bool EXISTS(const Variant& key) const;
    // With pByPosition the key is the position, else DatabaseSearch finds it. Empty when none.
    Ref<Object> ITEM(const Variant& key, bool pByPosition) const;
    Ref<Object> ITEMOBJ(const Variant& key, bool pByPosition) const;
    bool REMOVE(const Variant& key, bool pByPosition);
    // DatabaseImport exactly once; an absent key stays absent.
    void ADD(const Ref<Object>& entry, const Variant& key = Variant::missing());
    void CLEAR();

private:
    qint32 position(const Variant& key, bool byPosition) const;
    DatabaseEvents* m_owner;
};

} // namespace vorn
