// ENUMERATION declares a value list; INCLUDE reads another script file into the structure.
#include "core/Vocabulary.h"
#include "engine/Commands.h"
#include "engine/Messages.h"

#include "core/TextKeys.h"
#include <vorn/CoreServices.h>

#include "engine/IncludeScope.h"
#include <QFileInfo>

namespace vorn {

bool runEnumerationCommand(cls_VornElement& block, cls_VornStructure& structure)
{
    cls_VornEnumerations& lists = *structure.ENUMERATIONS();
    const QString name = attributeText(block, u"NAME");
    if (lists.EXISTS(name)) {
        reportError(structure, block, Message::ListExists,
                    QStringLiteral("Es gibt bereits eine Enumeration mit dem Namen ") + name
                        + QStringLiteral(" in dieser Struktur!"),
                    valueRange(block, QStringLiteral("NAME")));
        return false;
    }
    const Ref<cls_VornEnumeration> list = lists.CREATE(name, attributeText(block, u"DESCRIPTION"));
    list->setSPAN(block.SPAN());
    const auto items = block.ELEMENTS()->entries(); // the walk's length is fixed at its start
    for (const Ref<cls_VornElement>& item : items) {
        if (upperCased(item->SORT()) != QLatin1String("ENUMITEM")) {
            reportError(structure, block, Message::ListPartNotMember,
                        QStringLiteral("Eine Enumeration darf nur Unter-Elemente vom Typ ENUMITEM enthalten!"),
                        typeRange(*item));
            return false;
        }
        if (item->ERRORS())
            return false;
        const QString itemName = attributeText(*item, u"NAME");
        const QString member = upperCased(itemName);
        if (list->EXISTS(member)) {
            reportError(structure, block, Message::MemberExists,
                        QStringLiteral("Diese Enumeration enthält bereits ein Mitglied mit dem Namen '") + itemName
                            + QStringLiteral("'!"),
                        valueRange(*item, QStringLiteral("NAME")));
            return false;
        }
        list->CREATE(member, item->attributeValues().VALUE(QStringLiteral("VALUE"), QString()),
                     attributeText(*item, u"DESCRIPTION"));
        list->setMEMBERSPAN(list->COUNT(), item->SPAN());
    }
    block.setSORT(vocabulary::DeclarationSort.toString());
    return true;
}

namespace {

// Elements taken over from an included file are numbered on in the including structure, depth
// first in script order, so that UIDs stay unique there; they remember the file they came from
// (nested includes already marked theirs).
void adoptElements(const std::vector<Ref<cls_VornElement>>& top, cls_VornStructure& structure, const QString& file)
{
    walkElements(top, {}, [&](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>&) {
        e->setUID(structure.UIDCREATE());
        if (e->SOURCEFILE().isEmpty())
            e->setSOURCEFILE(file);
        return false;
    });
}

// Declarations of an included file name it in their spans (nested includes already did).
void nameTheFile(cls_VornStructure& included, const QString& file)
{
    const auto mark = [&](auto& declaration) {
        if (declaration.SPAN().isValid() && declaration.SPAN().file.isEmpty()) {
            SourceSpan span = declaration.SPAN();
            span.file = file;
            declaration.setSPAN(std::move(span));
        }
    };
    for (const Ref<cls_VornElementDef>& d : included.DEFINITIONS()->entries()) {
        mark(*d);
        for (const Ref<cls_VornAttributeDef>& a : d->ATTRIBUTES()->entries())
            mark(*a);
    }
    for (const Ref<cls_VornEnumeration>& list : included.ENUMERATIONS()->entries())
        mark(*list);
}

thread_local std::vector<QString> t_openFiles;

QString canonical(const QString& file)
{
    const QFileInfo info(file);
    const QString path = info.canonicalFilePath();
    return path.isEmpty() ? info.absoluteFilePath() : path;
}

} // namespace

IncludeScope::IncludeScope(const QString& file) { t_openFiles.push_back(canonical(file)); }

IncludeScope::~IncludeScope() { t_openFiles.pop_back(); }

bool IncludeScope::isOpen(const QString& file)
{
    const QString path = canonical(file);
    return std::find(t_openFiles.begin(), t_openFiles.end(), path) != t_openFiles.end();
}

int IncludeScope::depth() { return int(t_openFiles.size()); }

QString IncludeScope::innermost() { return t_openFiles.empty() ? QString() : t_openFiles.back(); }

namespace {

// Inside an included file the INCLUDE looks its file up by name alone, from the working folder.
// When a file of that name lies next to the including file and is not what that rule took,
// the program says so: it is what the writer of the script most likely meant.
void noteSurprisingLookup(const cls_VornElement& block, cls_VornStructure& structure, const QString& file,
                          const QString& taken)
{
    const QString including = IncludeScope::innermost();
    if (!structure.ROOT().isEmpty() || including.isEmpty() || QFileInfo(file).isAbsolute())
        return;
    const QString beside = QFileInfo(including).absolutePath() + QLatin1Char('/') + file;
    if (!CoreServices::instance().fileExists(beside))
        return;
    if (!taken.isEmpty() && canonical(taken) == canonical(beside))
        return;
    reportNote(structure, Message::IncludeLookup,
               QStringLiteral("an INCLUDE inside an included file looks for '%1' from the working folder, "
                              "not next to '%2': %3, not '%4'")
                   .arg(file, including,
                        taken.isEmpty() ? QStringLiteral("none was found") : QStringLiteral("it took '%1'").arg(taken),
                        beside),
               valueRange(block, QStringLiteral("FILE")));
}

// The first structure-level error of an included file, as the program shows it below the
// INCLUDE that failed on it.
void noteCause(const cls_VornElement& block, cls_VornStructure& structure, const cls_VornStructure& included,
               const QString& path)
{
    const auto& errors = included.errorLocations();
    if (errors.empty())
        return;
    const QString more = errors.size() > 1 ? QStringLiteral(" (and %1 more)").arg(errors.size() - 1) : QString();
    reportNote(structure, Message::IncludeCause,
               QStringLiteral("%1:%2: %3%4").arg(path).arg(errors.front().line).arg(errors.front().text, more),
               valueRange(block, QStringLiteral("FILE")));
}

} // namespace

bool runIncludeCommand(cls_VornElement& block, cls_VornStructure& structure)
{
    const QString file = attributeText(block, u"FILE");
    const TextRange fileAt = valueRange(block, QStringLiteral("FILE"));
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
    noteSurprisingLookup(block, structure, file, path);
    if (path.isNull()) {
        reportError(structure, block, Message::IncludeNotFound,
                    QStringLiteral("Include-Datei '") + file + QStringLiteral("' nicht gefunden!"), fileAt);
        return true;
    }
    if (!VORN()->includeAllowed(path)) {
        reportError(structure, block, Message::IncludeOutsideRoots,
                    QStringLiteral("Include-Datei '") + file
                        + QStringLiteral("' liegt außerhalb der erlaubten Include-Ordner!"),
                    fileAt);
        return true;
    }

    const QString failed = QStringLiteral("Fehler beim Parsen der Include-Datei '") + path + QStringLiteral("'");
    // A file that is already being read, or a chain of includes too long, ends here.
    if (IncludeScope::isOpen(path) || IncludeScope::depth() >= cls_VornStructure::MaxIncludeDepth) {
        reportError(structure, block, Message::IncludeFailed, failed, fileAt);
        return false;
    }
    // A fresh structure, as a host would make one: no ROOT, folders or SOURCE of ours.
    auto included = cls_VornStructure::create();
    bool parsed = false;
    try {
        const QString text = services.readTextFile(path, QString(), false);
        IncludeScope scope(path);
        parsed = included->PARSE(text);
    } catch (const Error& e) {
        reportNote(structure, Message::IncludeUnreadable, e.description(), fileAt);
        parsed = false;
    }
    if (!parsed) {
        reportError(structure, block, Message::IncludeFailed, failed, fileAt);
        noteCause(block, structure, *included, path);
        return false;
    }
    nameTheFile(*included, path);
    structure.DEFINITIONS()->MERGE(*included->DEFINITIONS());
    structure.ENUMERATIONS()->MERGE(*included->ENUMERATIONS());
    adoptElements(included->ELEMENTS()->entries(), structure, path);
    adoptElements(included->droppedWithErrors(), structure, path);
    structure.adoptFindings(*included, path);
    block.setELEMENTS(included->ELEMENTS());
    block.setSORT(vocabulary::IncludeSort.toString());
    return true;
}

} // namespace vorn
