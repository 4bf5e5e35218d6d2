// ENUMERATION declares a value list; INCLUDE reads another script file into the structure.
#include "engine/Commands.h"

#include <vorn/TextKeys.h>
#include <vorn/CoreServices.h>

#include <QFileInfo>

namespace vorn {

bool runEnumerationCommand(cls_VornElement& block, cls_VornStructure& structure)
{
    cls_VornEnumerations& lists = *structure.ENUMERATIONS();
    const QString name = attributeText(block, u"NAME");
    if (lists.EXISTS(name)) {
        block.ERRORSET(QStringLiteral("Es gibt bereits eine Enumeration mit dem Namen ") + name
                       + QStringLiteral(" in dieser Struktur!"));
        return false;
    }
    const Ref<cls_VornEnumeration> list = lists.CREATE(name, attributeText(block, u"DESCRIPTION"));
    const auto items = block.ELEMENTS()->entries(); // the walk's length is fixed at its start
    for (const Ref<cls_VornElement>& item : items) {
        if (upperCased(item->SORT()) != QLatin1String("ENUMITEM")) {
            block.ERRORSET(QStringLiteral("Eine Enumeration darf nur Unter-Elemente vom Typ ENUMITEM enthalten!"));
            return false;
        }
        if (item->ERRORS())
            return false;
        const QString itemName = attributeText(*item, u"NAME");
        const QString member = upperCased(itemName);
        if (list->EXISTS(member)) {
            block.ERRORSET(QStringLiteral("Diese Enumeration enthält bereits ein Mitglied mit dem Namen '") + itemName
                           + QStringLiteral("'!"));
            return false;
        }
        list->CREATE(member, item->ATTRIBUTES()->VALUE(QStringLiteral("VALUE"), QString()),
                     attributeText(*item, u"DESCRIPTION"));
    }
    block.setSORT(QStringLiteral("_NONE_"));
    return true;
}

namespace {

// Elements that came from an included file remember it (nested includes already marked theirs).
void markSource(cls_VornElements& elements, const QString& file)
{
    walkElements(elements.entries(), {}, [&file](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>&) {
        if (e->SOURCEFILE().isEmpty())
            e->setSOURCEFILE(file);
        return false;
    });
}

thread_local std::vector<QString> t_openFiles;

QString canonical(const QString& file)
{
    const QFileInfo info(file);
    const QString path = info.canonicalFilePath();
    return path.isEmpty() ? info.absoluteFilePath() : path;
}

} // namespace

IncludeScope::IncludeScope(const QString& file)
{
    t_openFiles.push_back(canonical(file));
}

IncludeScope::~IncludeScope()
{
    t_openFiles.pop_back();
}

bool IncludeScope::isOpen(const QString& file)
{
    const QString path = canonical(file);
    return std::find(t_openFiles.begin(), t_openFiles.end(), path) != t_openFiles.end();
}

int IncludeScope::depth()
{
    return int(t_openFiles.size());
}

bool runIncludeCommand(cls_VornElement& block, cls_VornStructure& structure)
{
    const QString file = attributeText(block, u"FILE");
    QStringList candidates{ structure.ROOT() + file, file };
    const Ref<CoreList>& folders = structure.INCLUDEFOLDERS();
    for (qint32 i = 1; i <= folders->COUNT(); ++i)
        candidates.append(folders->ITEM(i) + file);

    const CoreServices& services = CoreServices::instance();
    QString path;
    for (const QString& candidate : candidates)
        if (services.fileExists(candidate)) {
            path = candidate;
            break;
        }
    if (path.isNull()) {
        block.ERRORSET(QStringLiteral("Include-Datei '") + file + QStringLiteral("' nicht gefunden!"));
        return true;
    }

    const QString failed = QStringLiteral("Fehler beim Parsen der Include-Datei '") + path + QStringLiteral("'");
    // A file that is already being read, or a chain of includes too long, ends here.
    if (IncludeScope::isOpen(path) || IncludeScope::depth() >= cls_VornStructure::MaxIncludeDepth) {
        block.ERRORSET(failed);
        return false;
    }
    auto included = cls_VornStructure::create();
    included->setSOURCE(path);
    bool parsed = false;
    try {
        const QString text = services.readTextFile(path, QString(), false);
        IncludeScope scope(path);
        parsed = included->PARSE(text);
    } catch (const Error&) {
        parsed = false;
    }
    if (!parsed) {
        block.ERRORSET(failed);
        return false;
    }
    structure.DEFINITIONS()->MERGE(*included->DEFINITIONS());
    structure.ENUMERATIONS()->MERGE(*included->ENUMERATIONS());
    markSource(*included->ELEMENTS(), path);
    block.setELEMENTS(included->ELEMENTS());
    block.setSORT(QStringLiteral("_INCLUDE_"));
    return true;
}

} // namespace vorn
