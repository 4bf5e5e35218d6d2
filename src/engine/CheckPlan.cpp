#include "engine/CheckPlan.h"
#include "engine/ReaderSupport.h"

#include "core/TextKeys.h"

#include <algorithm>

namespace vorn {

CheckPlan& CheckPlans::planFor(const QString& sortAsWritten, const QString& parentType, cls_VornStructure& structure)
{
    for (size_t i = 0; i < m_recentCount; ++i) {
        const auto it = m_recent[i];
        if (sameName(it.key().sort, sortAsWritten) && sameName(it.key().parent, parentType))
            return *it;
    }
    const auto remember = [this](QHash<Key, CheckPlan>::iterator it) -> CheckPlan& {
        m_recent[m_recentNext] = it;
        m_recentNext = (m_recentNext + 1) % Recent;
        m_recentCount = std::max(m_recentCount, m_recentNext == 0 ? Recent : m_recentNext);
        return *it;
    };
    const Key key{ sortAsWritten, parentType };
    if (auto it = m_plans.find(key); it != m_plans.end())
        return remember(it);
    CheckPlan plan;
    plan.sort = sortAsWritten;
    cls_VornElementDefs& definitions = *structure.DEFINITIONS();
    if (!parentType.isEmpty() && !sortAsWritten.isEmpty()) {
        const QString specific = sortAsWritten + u'.' + parentType;
        if (definitions.EXISTS(specific))
            plan.sort = specific;
    }
    if (!plan.sort.isEmpty() && definitions.EXISTS(plan.sort)) {
        plan.defined = true;
        plan.definition = definitions.ITEMPARENT(plan.sort, parentType.isEmpty() ? QStringLiteral("NONE") : parentType);
    }
    m_recentCount = m_recentNext = 0;
    return remember(m_plans.insert(key, std::move(plan)));
}

void CheckPlans::buildSteps(CheckPlan& plan, cls_VornStructure& structure)
{
    if (plan.stepsBuilt)
        return;
    plan.stepsBuilt = true;
    cls_VornAttributeDefs& definitions = *plan.definition->ATTRIBUTES();
    const qint32 n = definitions.COUNT();
    plan.steps.reserve(size_t(n));
    qint32 position = 0;
    static const QString Id = QStringLiteral("ID");
    for (qint32 p = 1; p <= n; ++p) {
        AttributeStep step;
        step.definition = definitions.entryAt(p);
        step.name = step.definition->NAME();
        step.upperName = upperCased(step.name);
        step.type = step.definition->SORT();
        step.enumerated = !step.definition->ENUMID().isEmpty();
        if (step.enumerated)
            step.enumeration = structure.ENUMERATIONS()->listNamed(step.definition->ENUMID());
        step.fixed = step.definition->FIXED();
        step.required = step.definition->REQUIRED();
        if (!step.fixed)
            step.positional = positionName(++position);
        for (const AttributeStep& earlier : plan.steps)
            if (earlier.upperName == step.upperName)
                step.repeatsName = true;
        if (plan.idPosition == 0 && step.upperName == Id)
            plan.idPosition = p;
        plan.steps.push_back(std::move(step));
    }
    plan.definesId = definitions.EXISTS(Id);
    plan.namesShared = std::none_of(plan.steps.begin(), plan.steps.end(),
                                    [](const AttributeStep& step) { return step.repeatsName; });
    if (plan.namesShared)
        for (const AttributeStep& step : plan.steps)
            plan.upperNames.append(step.upperName);
}

} // namespace vorn
