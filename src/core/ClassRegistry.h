#pragma once
// Creates persistent objects from their class identity text ("LmVornScript.cls_VornElement"),
// so packages and record files can bring back objects they carry as values.

#include <vorn/CoreData.h>

#include <functional>

namespace vorn {

class ClassRegistry {
public:
    using Factory = std::function<Ref<DataEvents>()>;

    // Registers a class by its identity text; the built-in classes are registered on first use.
    static void add(const QString& identity, Factory factory);
    // A new, empty object of that class; raises Error for a class nobody registered.
    static Ref<DataEvents> create(const QString& identity);
    // The persistent interface of a value's object; raises Error when it is not persistent.
    static DataEvents& persistent(const Ref<Object>& object);
};

// Defined beside the classes it names; called once by the registry.
void registerBuiltinClasses();

} // namespace vorn
