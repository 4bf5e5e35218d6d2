#include "core/ClassRegistry.h"

#include <QHash>

#include <mutex>

namespace vorn {

namespace {

struct Registry {
    std::mutex lock;
    QHash<QString, ClassRegistry::Factory> factories;
};

Registry& storage()
{
    static Registry r;
    return r;
}

// The registry with the built-in classes in it.
Registry& registry()
{
    static std::once_flag builtins;
    std::call_once(builtins, [] { registerBuiltinClasses(); });
    return storage();
}

} // namespace

void ClassRegistry::add(const QString& identity, Factory factory)
{
    Registry& r = storage();
    std::lock_guard guard(r.lock);
    r.factories.insert(identity, std::move(factory));
}

Ref<DataEvents> ClassRegistry::create(const QString& identity)
{
    Registry& r = registry();
    Factory factory;
    {
        std::lock_guard guard(r.lock);
        factory = r.factories.value(identity);
    }
    if (!factory)
        throw Error(QStringLiteral("Package"), QStringLiteral("Unknown class '%1'").arg(identity));
    return factory();
}

DataEvents& ClassRegistry::persistent(const Ref<Object>& object)
{
    auto p = dynamic_cast<DataEvents*>(object.get());
    if (!p)
        throw Error(QStringLiteral("Package"),
                    QStringLiteral("An object of class '%1' cannot be packed or stored")
                        .arg(object ? object->className() : QStringLiteral("(none)")));
    return *p;
}

} // namespace vorn
