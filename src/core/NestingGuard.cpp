#include <vorn/NestingGuard.h>

namespace vorn {

namespace {
thread_local int t_depth = 0;
}

NestingGuard::NestingGuard(const QString& source)
{
    if (t_depth >= MaxDepth)
        throw Error(source, QStringLiteral("Objects and arrays are nested deeper than %1 levels").arg(MaxDepth));
    ++t_depth;
}

NestingGuard::~NestingGuard() { --t_depth; }

} // namespace vorn
