#pragma once
// What the check of an element needs to know about its type under one parent type, looked up
// once per parse instead of once per element: the SORT it takes, the definition chosen, and the
// attribute definitions in order with the names the check compares.

#include <vorn/Structure.h>

#include <QHash>

#include <array>
#include <vector>

namespace vorn {

// One attribute definition of a type, in definition order.
struct AttributeStep {
    Ref<cls_VornAttributeDef> definition;
    QString name;                         // as declared, for the messages
    QString upperName;                    // the name in the bag
    QString positional;                   // "1", "2", ... for the n-th attribute that is not fixed
    qint32 type = 0;                      // the data type values convert to
    bool enumerated = false;              // an ENUM of a value list: the list encodes
    Ref<cls_VornEnumeration> enumeration; // that list; none when the script lacks it
    bool fixed = false;
    bool required = false;
    bool repeatsName = false; // an earlier step has the same name
};

struct CheckPlan {
    // The SORT the element takes: "type.parenttype" when that is defined, else as written.
    QString sort;
    // Whether the structure defines `sort` at all; `definition` may still be none when every
    // definition of the type was declared in lower case.
    bool defined = false;
    Ref<cls_VornElementDef> definition;
    // The placement was checked once without any finding: it need not run again.
    bool placementClean = false;
    std::vector<AttributeStep> steps;
    bool stepsBuilt = false;
    bool definesId = false; // an attribute definition is keyed ID
    qint32 idPosition = 0;  // the first step named ID, from 1; 0 when none
    // The steps' names, which every checked bag of the type shares; only when they are distinct.
    QStringList upperNames;
    bool namesShared = false;
    // The list of names, as a bag held it, that last passed the check in place: a bag named by
    // the same list passes again without comparing a name.
    QStringList namesInPlace;
};

// The plans of one structure. A parse keeps one for its whole run and forgets it whenever a
// command may have changed the definitions; a CHECK outside a parse makes a plan for one use.
class CheckPlans {
public:
    CheckPlan& planFor(const QString& sortAsWritten, const QString& parentType, cls_VornStructure& structure);
    void buildSteps(CheckPlan& plan, cls_VornStructure& structure);
    void clear()
    {
        m_plans.clear();
        m_recentCount = m_recentNext = 0;
    }

private:
    struct Key {
        QString sort, parent;
        bool operator==(const Key& o) const { return sort == o.sort && parent == o.parent; }
    };
    friend size_t qHash(const Key& k, size_t seed) noexcept { return qHashMulti(seed, k.sort, k.parent); }
    QHash<Key, CheckPlan> m_plans;
    // Elements of a few types under their parents come in turns (a group, its sections, their
    // items): the entries of the last lookups, forgotten at an insertion, which may move them.
    static constexpr size_t Recent = 4;
    std::array<QHash<Key, CheckPlan>::iterator, Recent> m_recent;
    size_t m_recentCount = 0;
    size_t m_recentNext = 0;
};

} // namespace vorn
