#include "core/Logging.h"
#include "core/RecordFields.h"
#include <vorn/CoreFile.h>
#include <vorn/CoreServices.h>
#include <vorn/ErrorTextBudget.h>
#include <vorn/Package.h>
#include <vorn/Structure.h>

#include "engine/CheckPlan.h"
#include "engine/IncludeScope.h"
#include <QSaveFile>

namespace vorn {

namespace {

const QString CrLf = QStringLiteral("\r\n");
// The structure's records carry their own version.
const QString StructureVersion = QStringLiteral("1.1");

cls_VornStructure::ViewerHook& viewerHook()
{
    static cls_VornStructure::ViewerHook hook;
    return hook;
}

} // namespace

Ref<cls_VornStructure> cls_VornStructure::create() { return Ref<cls_VornStructure>(new cls_VornStructure); }

cls_VornStructure::cls_VornStructure() { installBuiltinDefinitions(); }

cls_VornStructure::~cls_VornStructure() = default;

const Ref<cls_VornElementDefs>& cls_VornStructure::DEFINITIONS()
{
    if (!m_definitions)
        m_definitions = cls_VornElementDefs::create();
    return m_definitions;
}

const Ref<cls_VornElements>& cls_VornStructure::ELEMENTS()
{
    if (!m_elements)
        m_elements = cls_VornElements::create();
    return m_elements;
}

const Ref<cls_VornEnumerations>& cls_VornStructure::ENUMERATIONS()
{
    if (!m_enumerations)
        m_enumerations = cls_VornEnumerations::create();
    return m_enumerations;
}

const Ref<CoreList>& cls_VornStructure::INCLUDEFOLDERS()
{
    if (!m_includeFolders)
        m_includeFolders = CoreList::create();
    return m_includeFolders;
}

bool cls_VornStructure::LOAD(const QString& pFile, const QString&)
{
    try {
        const CoreServices& services = CoreServices::instance();
        QString name = pFile;
        if (!services.fileExists(name)) {
            const Ref<CoreList>& folders = INCLUDEFOLDERS();
            for (qint32 i = 1; i <= folders->COUNT(); ++i) {
                const QString candidate = folders->ITEM(i) + pFile;
                if (services.fileExists(candidate)) {
                    name = candidate;
                    break;
                }
            }
            if (name == pFile)
                return false;
        }
        const QString text = services.readTextFile(name, QString(), true);
        IncludeScope scope(name);
        return PARSE(text);
    } catch (const std::exception& e) {
        // LOAD answers False; the reason is told to whoever listens.
        qCInfo(lcFiles) << "LOAD" << pFile << "failed:" << failureText(e);
        return false;
    }
}

Ref<CoreList> cls_VornStructure::scriptLines()
{
    auto lines = CoreList::create();
    lines->setITEMKIND(8);
    ELEMENTS()->STORE(lines, 0, shared_from_this());
    return lines;
}

bool cls_VornStructure::SAVE(const QString& pFile, const QString&)
{
    try {
        const Ref<CoreList> lines = scriptLines();
        QString text = lines->JOIN(QString(), QStringLiteral("\n"), QString());
        if (lines->COUNT() > 0)
            text += QLatin1Char('\n');
        QSaveFile file(pFile);
        const QByteArray bytes = text.toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qCInfo(lcFiles) << "SAVE" << pFile << "failed:" << file.errorString();
            return false;
        }
        if (!file.commit()) {
            qCInfo(lcFiles) << "SAVE" << pFile << "failed:" << file.errorString();
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        qCInfo(lcFiles) << "SAVE" << pFile << "failed:" << failureText(e);
        return false;
    }
}

void cls_VornStructure::setViewerHook(ViewerHook hook) { viewerHook() = std::move(hook); }

void cls_VornStructure::VIEW(bool pModal, qint32 pStartView, const Variant& pPreselectID)
{
    if (!viewerHook())
        throw Error(QStringLiteral("VIEW"), QStringLiteral("No structure viewer is installed (link vorn::viewer)"));
    if (pStartView == ID_VornInspectorView_Auto)
        pStartView = ELEMENTS()->COUNT(false) >= 1 ? ID_VornInspectorView_Elements : ID_VornInspectorView_Definitions;
    viewerHook()(shared_from_this(), pModal, pStartView, pPreselectID);
}

Ref<cls_VornElement> cls_VornStructure::ELEMENT(const Variant& pIDOrPathOrUID)
{
    return ELEMENTS()->FIND(pIDOrPathOrUID);
}

Ref<cls_VornElement> cls_VornStructure::ELEMENTPARENT(const Variant& pIDOrPathOrUID)
{
    return ELEMENTS()->FINDPARENT(pIDOrPathOrUID, {});
}

void cls_VornStructure::ERRORSET(const QString& pDescription)
{
    m_errors = true;
    if (!ErrorTextBudget::keepNext())
        return;
    if (m_errorText.isEmpty())
        m_errorText = pDescription;
    else
        m_errorText += CrLf + pDescription;
}

bool cls_VornStructure::ERRORSGLOBAL() { return ELEMENTS()->ERRORSGLOBAL(); }

struct cls_VornStructure::Fields {
    template <class Self>
    static auto of(Self& s)
    {
        auto& r = s.m_reserved;
        return std::tie(r.text[0], r.text[1], r.text[2], s.m_errorText, s.m_root, r.flag[0], r.flag[1], r.flag[2],
                        r.flag[3], s.m_errors, r.number[0], r.number[1], r.number[2], r.number[3], s.m_uidLast);
    }
};

void cls_VornStructure::DataCopy(const Object& pOther, bool& pcDone)
{
    auto& other = const_cast<cls_VornStructure&>(sameClass(pOther));
    // The element tree is the part that can fail (an element among its own descendants): it is
    // copied aside first, so that a failure leaves this structure as it was.
    auto elements = cls_VornElements::create();
    elements->DATA().COPY(*other.ELEMENTS());
    DATA().setKEY(other.DATA().KEY());
    DEFINITIONS()->DATA().COPY(*other.DEFINITIONS());
    ELEMENTS()->swapContents(*elements);
    ENUMERATIONS()->DATA().COPY(*other.ENUMERATIONS());
    INCLUDEFOLDERS()->DATA().COPY(*other.INCLUDEFOLDERS());
    const Reserved keep = m_reserved; // the reserved fields are not copied
    Fields::of(*this) = Fields::of(other);
    m_reserved = keep;
    pcDone = true;
}

void cls_VornStructure::DataPACK(QString& pcPackage)
{
    pcPackage = record::pack(DATA().KEY(), DEFINITIONS()->DATA().PACKAGE(), ELEMENTS()->DATA().PACKAGE(),
                             Fields::of(*this), ENUMERATIONS()->DATA().PACKAGE(), INCLUDEFOLDERS()->DATA().PACKAGE());
}

void cls_VornStructure::DataUnpack(const QString& prPackage)
{
    Variant key;
    QString definitions, elements, enumerations, folders;
    record::unpack(prPackage, key, definitions, elements, Fields::of(*this), enumerations, folders);
    INCLUDEFOLDERS()->DataUnpack(folders);
    DATA().setKEY(std::move(key));
    DEFINITIONS()->DataUnpack(definitions);
    ELEMENTS()->DataUnpack(elements);
    ENUMERATIONS()->DataUnpack(enumerations);
}

void cls_VornStructure::DataStore(CoreFile& pFile)
{
    record::write(pFile, StructureVersion, DATA().KEY(), Fields::of(*this));
    DEFINITIONS()->DATA().STORE(pFile);
    ELEMENTS()->DATA().STORE(pFile);
    ENUMERATIONS()->DATA().STORE(pFile);
    INCLUDEFOLDERS()->DATA().STORE(pFile);
}

// Accepts the version this class writes and the common one; no trailing count is read, since no
// writer produces one.
bool cls_VornStructure::DataRead(CoreFile& pFile)
{
    QString version;
    pFile.READ(version);
    if (version != StructureVersion && !record::isCurrent(version))
        return false;
    DATA().setKEY(pFile.READVALUE());
    record::read(pFile, Fields::of(*this));
    // The fresh object's built-in definitions give way to the stored ones.
    DEFINITIONS()->DataRead(pFile);
    ELEMENTS()->DataRead(pFile);
    ENUMERATIONS()->DataRead(pFile);
    INCLUDEFOLDERS()->DataRead(pFile);
    return true;
}

void cls_VornStructure::swapContents(DataEvents& other) noexcept
{
    auto& o = same(other);
    swapKey(o);
    auto swapObjects = [](auto& mine, auto& theirs) {
        if (mine && theirs)
            mine->swapContents(*theirs);
        else
            mine.swap(theirs);
    };
    swapObjects(m_definitions, o.m_definitions);
    swapObjects(m_elements, o.m_elements);
    swapObjects(m_enumerations, o.m_enumerations);
    swapObjects(m_includeFolders, o.m_includeFolders);
    record::swap(Fields::of(*this), Fields::of(o));
}

} // namespace vorn
