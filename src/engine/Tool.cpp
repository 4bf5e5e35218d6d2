#include <vorn/Structure.h>

#include <QDir>
#include <QFileInfo>

namespace vorn {

Ref<cls_VornTool> VORN()
{
    thread_local const Ref<cls_VornTool> tool(new cls_VornTool);
    return tool;
}

Ref<cls_VornStructure> cls_VornTool::PARSE(const QString& pScript, const Ref<CoreList>& pErrorList, bool pRaiseErrors)
{
    const Ref<CoreList> errors = pErrorList ? pErrorList : CoreList::create();
    auto structure = cls_VornStructure::create();
    const bool parsed = structure->PARSE(pScript, errors);
    if (pRaiseErrors && (!parsed || errors->COUNT() >= 1))
        throw Error(ErrorParse, QStringLiteral("VORN.PARSE"), QStringLiteral("Input script could not be parsed"));
    return structure;
}

void cls_VornTool::setINCLUDEROOTS(const QStringList& folders)
{
    m_includeRoots = folders;
    m_canonicalRoots.clear();
    for (const QString& folder : folders) {
        // A folder that does not exist yet keeps its plain absolute path.
        QString resolved = QFileInfo(folder).canonicalFilePath();
        if (resolved.isEmpty())
            resolved = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        if (!resolved.endsWith(QLatin1Char('/')))
            resolved += QLatin1Char('/');
        m_canonicalRoots.append(resolved);
    }
}

bool cls_VornTool::includeAllowed(const QString& path) const
{
    if (m_canonicalRoots.isEmpty())
        return true;
    const QString resolved = QFileInfo(path).canonicalFilePath();
    if (resolved.isEmpty())
        return false;
    for (const QString& root : m_canonicalRoots)
        if (resolved.startsWith(root))
            return true;
    return false;
}

} // namespace vorn
