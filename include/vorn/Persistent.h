#pragma once
// Shared base of the persistent classes: DATA, LOAD and SAVE, spawning and the key clock.

#include <vorn/CoreData.h>

namespace vorn {

// Derived must offer `static Ref<Derived> create()` and `static QString staticClassName()`.
template <class Derived>
class Persistent : public DataEvents {
public:
    CoreData& DATA() override { return m_data; }
    using DataEvents::DATA;

    QString className() const override { return Derived::staticClassName(); }

    bool LOAD(const QString& pFile, const QString& pPW = QString()) { return loadObject(*this, pFile, pPW); }
    bool SAVE(const QString& pFile, const QString& pPW = QString()) { return saveObject(*this, pFile, pPW); }

    void DataSpawn(Ref<Object>& pcNewInstance) override { pcNewInstance = Derived::create(); }

    // Counts key changes of every object of this class on this thread; a keyed collection
    // compares it with the value its index was built at.
    static std::uint64_t keyClock() noexcept { return s_keyClock; }
    void keyChanged() noexcept override { ++s_keyClock; }

protected:
    Persistent() : m_data(*this) {}

    Derived& self() noexcept { return static_cast<Derived&>(*this); }
    static Derived& same(DataEvents& other) noexcept { return static_cast<Derived&>(other); }
    // The object a DataCopy receives, checked to be of this class.
    static const Derived& sameClass(const Object& other);

    // Exchanges the key with another object, telling both sides' collections.
    void swapKey(DataEvents& other) noexcept;

private:
    CoreData m_data;
    static inline thread_local std::uint64_t s_keyClock = 0;
};

[[noreturn]] void raiseWrongClass(const QString& expected, const Object& got);

template <class Derived>
const Derived& Persistent<Derived>::sameClass(const Object& other)
{
    auto p = dynamic_cast<const Derived*>(&other);
    if (!p)
        raiseWrongClass(Derived::staticClassName(), other);
    return *p;
}

template <class Derived>
void Persistent<Derived>::swapKey(DataEvents& other) noexcept
{
    Variant mine = m_data.KEY();
    Variant theirs = other.DATA().KEY();
    m_data.setKEY(std::move(theirs));
    other.DATA().setKEY(std::move(mine));
}

} // namespace vorn
