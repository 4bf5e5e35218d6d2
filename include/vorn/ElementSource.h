#pragma once
// Where the reader found an element and the values given for it.

#include <vorn/SourceSpan.h>

#include <vector>

namespace vorn {

struct ElementSource {
    // The statement; for a block, from BEGIN to the end of its END line.
    TextRange whole;
    // BEGIN, or the first word of a statement without it.
    TextRange keyword;
    // The type word; invalid when the statement names none.
    TextRange type;

    // One value as the script gave it. A value given without a name carries its position
    // ("1", "2", ...) until the check has found the attribute it stands for; then the
    // attribute's upper-case name. A value given twice keeps the place of the later one.
    struct Value {
        QString name;
        TextRange nameRange; // the name before "="; the value itself when it had none
        TextRange valueRange;
    };
    std::vector<Value> values;

    const Value* value(const QString& upperName) const noexcept
    {
        for (auto it = values.rbegin(); it != values.rend(); ++it)
            if (it->name == upperName)
                return &*it;
        return nullptr;
    }
};

} // namespace vorn
