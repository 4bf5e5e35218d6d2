#pragma once
// The entry objects: VORN() and its tool, and the structure that holds one parsed script.

#include <vorn/CoreList.h>
#include <vorn/Diagnostic.h>
#include <vorn/ElementDef.h>
#include <vorn/Elements.h>
#include <vorn/Enumeration.h>

#include <functional>

namespace vorn {

class CheckPlans;

// Start pages of the structure viewer.
enum enm_VornInspectorView : qint32 {
    ID_VornInspectorView_Auto = -1,
    ID_VornInspectorView_Elements = 1,
    ID_VornInspectorView_Definitions = 2,
};

class cls_VornStructure final : public Persistent<cls_VornStructure>,
                                public std::enable_shared_from_this<cls_VornStructure> {
public:
    // A new structure holds the 19 built-in definitions of the language.
    static Ref<cls_VornStructure> create();
    ~cls_VornStructure() override;
    static QString staticClassName() { return QStringLiteral("cls_VornStructure"); }

    // Element definitions keyed by name: the built-in language plus what the script declares.
    const Ref<cls_VornElementDefs>& DEFINITIONS();
    void setDEFINITIONS(Ref<cls_VornElementDefs> v) noexcept { m_definitions = std::move(v); }
    // The top-level elements in script order.
    const Ref<cls_VornElements>& ELEMENTS();
    void setELEMENTS(Ref<cls_VornElements> v) noexcept { m_elements = std::move(v); }
    // The value lists declared with ENUMERATION.
    const Ref<cls_VornEnumerations>& ENUMERATIONS();
    void setENUMERATIONS(Ref<cls_VornEnumerations> v) noexcept { m_enumerations = std::move(v); }
    // The last number UIDCREATE handed out.
    qint32 UIDLAST() const noexcept { return m_uidLast; }
    void setUIDLAST(qint32 v) noexcept { m_uidLast = v; }
    // Folder prefix for included files; must end with the path separator.
    const QString& ROOT() const noexcept { return m_root; }
    void setROOT(const QString& v) { m_root = v; }
    bool ERRORS() const noexcept { return m_errors; }
    void setERRORS(bool v) noexcept { m_errors = v; }
    const QString& ERRORTEXT() const noexcept { return m_errorText; }
    void setERRORTEXT(const QString& v) { m_errorText = v; }
    // The origin of the script, copied into the SOURCE of every definition the script makes.
    const QString& SOURCE() const noexcept { return m_source; }
    void setSOURCE(const QString& v) { m_source = v; }
    // Folder prefixes searched by LOAD and INCLUDE; each must end with the path separator.
    const Ref<CoreList>& INCLUDEFOLDERS();
    void setINCLUDEFOLDERS(Ref<CoreList> v) noexcept { m_includeFolders = std::move(v); }

    // Reads a script file (found as named or under an include folder) and parses it.
    bool LOAD(const QString& pFile, const QString& pPW = QString());
    // Writes the element tree as script text to pFile (UTF-8, replaced in one step).
    bool SAVE(const QString& pFile, const QString& pPW = QString());
    // The script text of the whole element tree, one line per entry.
    Ref<CoreList> scriptLines();
    // Opens the structure viewer; raises Error while no viewer is installed.
    void VIEW(bool pModal = true, qint32 pStartView = ID_VornInspectorView_Auto,
              const Variant& pPreselectID = QString());
    // The next unique element number.
    qint32 UIDCREATE() noexcept { return ++m_uidLast; }
    // ELEMENTS.FIND and ELEMENTS.FINDPARENT over the whole tree.
    Ref<cls_VornElement> ELEMENT(const Variant& pIDOrPathOrUID);
    Ref<cls_VornElement> ELEMENTPARENT(const Variant& pIDOrPathOrUID);
    // The script reader: reads pScript into this structure, adding to what is there. Appends
    // every error text it records to pErrors and answers False when it recorded an error on
    // the structure itself.
    bool PARSE(const QString& pScript, const Ref<CoreList>& pErrors = {});
    void ERRORSET(const QString& pDescription);
    // Whether any element of the tree carries errors.
    bool ERRORSGLOBAL();
    // Numbers every element whose UID is 0, depth-first.
    void CHECKIDS(const Ref<cls_VornElement>& pParentElement = {});
    // Removes optional attribute values that only repeat their definition's default.
    void CHECKDEFAULTS(const Ref<cls_VornElement>& pElement = {}, const Ref<cls_VornElement>& pParent = {});

    // The structure-level errors of this object's PARSE calls with the line they were found on
    // (not persisted; ERRORTEXT holds the same texts).
    struct ErrorLocation {
        qint32 line;
        QString text;
    };
    const std::vector<ErrorLocation>& errorLocations() const noexcept { return m_errorLocations; }
    // Command blocks (ELEMENT, MODIFY, INCLUDE, ...) that failed and therefore did not stay in the
    // tree: their errors reach PARSE's error list, and here their elements with their lines.
    const std::vector<Ref<cls_VornElement>>& droppedWithErrors() const noexcept { return m_droppedWithErrors; }
    // ERRORSET that also remembers the line; answers whether the text was kept (see
    // ErrorTextBudget).
    bool errorAt(qint32 line, const QString& text);
    // Hints found while reading that are no errors of the language: why an included file
    // failed, an INCLUDE that took another file than the one next to its script. Tools show
    // them as notes; they change nothing else. A note from an included file names that file
    // (an empty file is this structure's own script). Not persisted, not copied.
    struct Note {
        QString file;
        qint32 line;
        QString text;
    };
    const std::vector<Note>& notes() const noexcept { return m_notes; }
    void noteAt(qint32 line, const QString& text, const QString& file = QString());
    // Takes over what an included structure found: its dropped command blocks, its notes and
    // the diagnostics recorded on its elements (those of its own script then name `file`).
    void adoptFindings(cls_VornStructure& included, const QString& file);

    // Every error and note of this structure's PARSE calls with its code and the token at
    // fault, in the order found; those of included files name their file. Without an
    // ErrorTextBudget there is one per error text PARSE records; with one, the texts not kept
    // have none. Not persisted, not copied.
    const std::vector<Diagnostic>& DIAGNOSTICS() const noexcept { return m_diagnostics; }
    // The engine's side of DIAGNOSTICS, ignored unless PARSE runs. A diagnostic about the
    // element being checked (`on`) is linked to it.
    void addDiagnostic(Diagnostic diagnostic, const cls_VornElement* on = nullptr);
    // While it lives, CHECK runs on `element` for this structure's PARSE.
    class CheckingScope {
    public:
        CheckingScope(cls_VornStructure& structure, const Ref<cls_VornElement>& element);
        ~CheckingScope();
        CheckingScope(const CheckingScope&) = delete;
        CheckingScope& operator=(const CheckingScope&) = delete;

    private:
        cls_VornStructure& m_structure;
        Ref<cls_VornElement> m_previous;
    };

    // The viewer library installs the hook that VIEW calls.
    using ViewerHook =
        std::function<void(const Ref<cls_VornStructure>&, bool modal, qint32 startView, const Variant& preselect)>;
    static void setViewerHook(ViewerHook hook);

    // Deepest BEGIN nesting the reader accepts; deeper blocks are reported and skipped.
    static constexpr int MaxNesting = 256;
    // Deepest chain of files including each other.
    static constexpr int MaxIncludeDepth = 32;

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override;
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;
    void swapContents(DataEvents& other) noexcept override;

private:
    friend class cls_VornElement; // CHECK uses the plans of the parse that runs it
    cls_VornStructure();
    void installBuiltinDefinitions();

    // The plain fields in record order, named once for copy, package, record and swap.
    struct Fields;
    struct Reserved {
        QString text[3];
        bool flag[4] = {};
        qint32 number[4] = {};
    };
    Ref<cls_VornElementDefs> m_definitions;
    Ref<cls_VornElements> m_elements;
    Ref<cls_VornEnumerations> m_enumerations;
    Ref<CoreList> m_includeFolders;
    QString m_root, m_errorText, m_source;
    qint32 m_uidLast = 0;
    bool m_errors = false;
    Reserved m_reserved;
    std::vector<ErrorLocation> m_errorLocations;
    std::vector<Ref<cls_VornElement>> m_droppedWithErrors;
    std::vector<Note> m_notes;
    std::vector<Diagnostic> m_diagnostics;
    Ref<cls_VornElement> m_checking;
    std::unique_ptr<CheckPlans> m_checkPlans; // while PARSE runs
    int m_parsing = 0;                        // PARSE calls running on this structure
    qint64 m_structureErrorCount = 0;         // every errorAt, texts kept or not
};

class cls_VornTool final : public Object {
public:
    static QString staticClassName() { return QStringLiteral("cls_VornTool"); }
    QString className() const override { return staticClassName(); }

    // Parses a script into a new structure. With pRaiseErrors, raises error 4000 when the
    // reader reported an error on the structure or the error list holds any entry.
    Ref<cls_VornStructure> PARSE(const QString& pScript, const Ref<CoreList>& pErrorList = {},
                                 bool pRaiseErrors = false);

    // Folders that included files must lie in, symbolic links resolved; an INCLUDE of a file
    // elsewhere is refused with an error on the INCLUDE. Empty (the default): no confinement.
    // Holds for every structure parsed on this thread, included files included.
    const QStringList& INCLUDEROOTS() const noexcept { return m_includeRoots; }
    void setINCLUDEROOTS(const QStringList& folders);
    // Whether an INCLUDE may read the file at path under INCLUDEROOTS.
    bool includeAllowed(const QString& path) const;

private:
    friend Ref<cls_VornTool> VORN();
    cls_VornTool() = default;
    QStringList m_includeRoots;   // as given
    QStringList m_canonicalRoots; // resolved, each ending in '/'
};

// The calling thread's tool.
Ref<cls_VornTool> VORN();

} // namespace vorn
