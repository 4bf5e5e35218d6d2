#pragma once
// The persistence object behind every DATA property, and the events its owner answers.

#include <vorn/Variant.h>

#include <cstdint>

namespace vorn {

class CoreFile;
class CoreData;

// The six events of a persistent class. By-reference outputs are reference parameters.
class DataEvents : public Object {
public:
    virtual CoreData& DATA() = 0;
    const CoreData& DATA() const { return const_cast<DataEvents*>(this)->DATA(); }

    // Copies pOther (an object of the same class) into this object.
    virtual void DataCopy(const Object& pOther, bool& pcDone) = 0;
    virtual void DataPACK(QString& pcPackage) = 0;
    // Fills this object from a package. May leave it half filled when it raises:
    // CoreData::setPACKAGE is the guarded entry that never does. The package of an object
    // inside another package is lent from the outer one's storage for the call: keep copies of
    // its parts (as Package::UNPACK makes them), never prPackage itself.
    virtual void DataUnpack(const QString& prPackage) = 0;
    virtual void DataStore(CoreFile& pFile) = 0;
    // Fills this object from its file record; answers False when the record is of another
    // version and nothing beyond the version was read (the object is then unchanged).
    virtual bool DataRead(CoreFile& pFile) = 0;
    virtual void DataSpawn(Ref<Object>& pcNewInstance) = 0;

    // Exchanges the whole state (persisted, reserved and key) with another object of the same
    // class, keeping both objects' identities; owned sub-objects exchange their contents too.
    // Lets guarded unpacking and loading fill a fresh object first and commit without failing.
    virtual void swapContents(DataEvents& other) noexcept = 0;

    // Raised when KEY changes, so keyed collections know their index is stale.
    virtual void keyChanged() noexcept {}
};

class CoreData {
public:
    explicit CoreData(DataEvents& owner) noexcept : m_owner(&owner) {}
    CoreData(const CoreData&) = delete;
    CoreData& operator=(const CoreData&) = delete;

    const Variant& KEY() const noexcept { return m_key; }
    void setKEY(Variant key) noexcept;
    // The key as text: NAME and ID of the entry classes; "" for a key without a text form.
    QString KEYTEXT() const;

    // "LmVornScript." followed by the owner's class name.
    QString CLASSNAME() const;

    // Raises the owner's DataCopy with pOther; copying an object onto itself changes nothing.
    void COPY(const Object& pOther);
    void COPY(const Ref<Object>& pOther);

    QString PACKAGE() const;
    // Unpacks into a fresh object first: a malformed package raises Error and this object
    // stays exactly as it was.
    void setPACKAGE(const QString& package);

    void STORE(CoreFile& file);
    // Reads into a fresh object first and commits only a complete record; answers whether the
    // record was taken (False for a record of another version).
    bool READ(CoreFile& file);

    Ref<Object> SPAWN() const;

    DataEvents& owner() const noexcept { return *m_owner; }

private:
    friend class DataEvents;
    Variant m_key;
    DataEvents* m_owner;
};

// Whole-file helpers behind every LOAD and SAVE: open a record file, read or store the object,
// close it. Any failure answers False; a failed LOAD leaves the object as it was and a failed
// SAVE leaves the file on disk as it was.
bool loadObject(DataEvents& object, const QString& file, const QString& password);
bool saveObject(DataEvents& object, const QString& file, const QString& password);

// The library name that prefixes every class identity text.
inline constexpr char16_t LibraryName[] = u"LmVornScript";

} // namespace vorn
