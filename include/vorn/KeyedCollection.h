#pragma once
// The design shared by the four keyed collections: entries at positions 1..n, found by key
// through a CoreDatabase whose events the collection answers, persisted through CoreData.
//
// Keys compare trimmed (blanks only) and upper-cased when both sides are texts, otherwise as
// variants; the first matching position wins. Lookups go through an index that is built on the
// first lookup and kept in step: appends extend it, and any change of an entry's key (on any
// object of the entry class) or of the order makes the next lookup rebuild it.
//
// Derived supplies the differences as static members:
//   static constexpr bool FillsEmptySlots;  // reading an empty position places a new entry
//   static constexpr bool RemoveMovesLast;  // removal moves the last entry into the gap
//   qint32 searchFallback(const Variant& normalizedProbe);  // a second pass, 0 when none

#include <vorn/CoreDatabase.h>
#include <vorn/CoreFile.h>
#include <vorn/Package.h>
#include <vorn/Persistent.h>
#include <vorn/TextKeys.h>

#include <QHash>
#include <QSet>

#include <vector>

namespace vorn {

template <class Derived, class Entry>
class KeyedCollection : public Persistent<Derived>, public DatabaseEvents {
public:
    using EntryType = Entry;

    CoreDatabase& DATABASE() noexcept { return m_database; }

    // By key for a text, else by position (1..COUNT); empty when nothing matches.
    Ref<Entry> Item(const Variant& pIDOrIndex) { return std::static_pointer_cast<Entry>(m_database.ITEM(pIDOrIndex, !pIDOrIndex.isText())); }
    Ref<Entry> operator[](const Variant& pIDOrIndex) { return Item(pIDOrIndex); }
    // Whether an entry's key matches; a number is matched against keys, not taken as a position.
    bool EXISTS(const Variant& pID) { return m_database.EXISTS(pID); }
    qint32 COUNT() const noexcept { return qint32(m_entries.size()); }
    bool REMOVE(const Variant& pIDOrIndex) { return m_database.REMOVE(pIDOrIndex, !pIDOrIndex.isText()); }
    // Exchanges two entries; invalid positions change nothing.
    bool SWAP(qint32 p1, qint32 p2);
    // Adds the entry itself (not a copy), with pID as its new key when given; returns it.
    Ref<Entry> ADD(const Ref<Entry>& pEntry, const Variant& pID = Variant::missing());

    // The entries in order, for code that walks the collection.
    const std::vector<Ref<Entry>>& entries() const noexcept { return m_entries; }
    // Item by position without a variant or a reference count: none outside 1..COUNT; an empty
    // slot gets a new entry when the collection fills empty slots.
    const Ref<Entry>& entryAt(qint32 position);

    // Database events.
    void DatabaseClear() override;
    void DatabaseCount(qint32& ret) override { ret = COUNT(); }
    void DatabaseImport(const Ref<Object>& NewEntry, const Variant& ID) override;
    void DatabaseItem(Ref<Object>& rRet, qint32 pIndex) override { rRet = entryAt(pIndex); }
    void DatabaseItemObj(Ref<Object>& rRet, qint32 pIndex) override { rRet = entryAt(pIndex); }
    void DatabaseRemove(qint32 ID) override;
    void DatabaseSearch(qint32& ret, const Variant& ID) override { ret = search(ID); }

    // Data events.
    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override;
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;
    void swapContents(DataEvents& other) noexcept override;

protected:
    KeyedCollection() : m_database(*this) {}

    // Adds every entry of another collection, shared and without key.
    void mergeFrom(Derived& other);
    // Position of the first entry whose key matches (0 when none), without the fallback.
    qint32 searchKey(const Variant& probe);
    qint32 searchFallback(const Variant&) { return 0; }
    // Calls visit(position) for each entry whose key is a text that normalizes to `normalized`,
    // in order, until visit answers True. Answers False without calling anything when keys of
    // other kinds exist: the caller must then walk the entries itself.
    template <class Visit>
    bool forEachTextKey(const QString& normalized, Visit visit);
    void invalidateIndex() noexcept { m_index.valid = false; ++m_version; }
    // The start of a collection's file record (version, key, count) and its reading: False for
    // a record of another version, of which only the version was read.
    static void storeRecordHead(CoreFile& file, const Variant& key, qint32 count);
    static bool readRecordHead(CoreFile& file, Variant& key, qint32& count);
    // Replaces key and entries at once.
    void takeOver(Variant key, std::vector<Ref<Entry>> entries);
    // Changes whenever entries are added, removed or reordered.
    std::uint64_t version() const noexcept { return m_version; }

    std::vector<Ref<Entry>> m_entries; // position p at index p - 1

private:
    qint32 search(const Variant& probe);
    void buildIndex();
    void indexAppended(qint32 position);
    bool indexCurrent() const noexcept { return m_index.valid && m_index.clock == Entry::keyClock(); }

    struct Index {
        bool valid = false;
        std::uint64_t clock = 0;
        struct Chain {
            qint32 first, last;
        };
        QHash<QString, Chain> text;     // normalized text key -> first and last position
        std::vector<qint32> nextSame;   // position -> next position with the same text key
        bool nonText = false;           // keys that are not texts exist
        QHash<double, qint32> numeric;  // numeric value (Empty counts as 0) -> first position
        qint32 firstEmpty = 0;          // first Empty key: also equals the text ""
        bool irregular = false;         // keys of other kinds exist: search by walking
        QSet<const Entry*> members;     // the entries indexed, to notice one added twice
    };

    CoreDatabase m_database;
    Index m_index;
    std::uint64_t m_version = 0;
};

// ---- implementation ----

template <class Derived, class Entry>
const Ref<Entry>& KeyedCollection<Derived, Entry>::entryAt(qint32 position)
{
    static const Ref<Entry> none;
    if (position < 1 || position > COUNT())
        return none;
    Ref<Entry>& slot = m_entries[size_t(position - 1)];
    if (!slot && Derived::FillsEmptySlots) {
        slot = Entry::create();
        if (m_index.valid)
            m_index.members.insert(slot.get());
    }
    return slot;
}

template <class Derived, class Entry>
bool KeyedCollection<Derived, Entry>::SWAP(qint32 p1, qint32 p2)
{
    if (p1 < 1 || p1 > COUNT() || p2 < 1 || p2 > COUNT())
        return false;
    std::swap(m_entries[size_t(p1 - 1)], m_entries[size_t(p2 - 1)]);
    invalidateIndex();
    return true;
}

template <class Derived, class Entry>
Ref<Entry> KeyedCollection<Derived, Entry>::ADD(const Ref<Entry>& pEntry, const Variant& pID)
{
    m_database.ADD(pEntry, pID);
    return Item(COUNT());
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::mergeFrom(Derived& other)
{
    const qint32 n = other.COUNT();
    for (qint32 i = 1; i <= n; ++i)
        ADD(other.Item(i));
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::DatabaseClear()
{
    m_entries.clear();
    invalidateIndex();
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::DatabaseImport(const Ref<Object>& NewEntry, const Variant& ID)
{
    Ref<Entry> entry = std::dynamic_pointer_cast<Entry>(NewEntry);
    if (NewEntry && !entry)
        raiseWrongClass(Entry::staticClassName(), *NewEntry);
    if (!entry && !Derived::FillsEmptySlots)
        throw Error(QStringLiteral("ADD"), QStringLiteral("There is no %1 to add").arg(Entry::staticClassName()));
    const bool wasCurrent = indexCurrent();
    // A new key for an entry this collection already holds changes earlier positions too.
    const bool rekeysMember = !ID.isMissing() && entry && wasCurrent && m_index.members.contains(entry.get());
    m_entries.push_back(entry);
    ++m_version;
    if (!ID.isMissing()) {
        if (!entry)
            entry = entryAt(COUNT());
        entry->DATA().setKEY(ID);
    }
    if (wasCurrent && !rekeysMember)
        indexAppended(COUNT());
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::DatabaseRemove(qint32 ID)
{
    if (ID < 1 || ID > COUNT())
        return;
    if (Derived::RemoveMovesLast) {
        m_entries[size_t(ID - 1)] = std::move(m_entries.back());
        m_entries.pop_back();
    } else {
        m_entries.erase(m_entries.begin() + (ID - 1));
    }
    invalidateIndex();
}

template <class Derived, class Entry>
qint32 KeyedCollection<Derived, Entry>::search(const Variant& probe)
{
    Variant normalized = probe.isText() ? Variant(normalizedKey(probe.text())) : probe;
    const qint32 found = searchKey(normalized);
    return found ? found : static_cast<Derived*>(this)->searchFallback(normalized);
}

template <class Derived, class Entry>
qint32 KeyedCollection<Derived, Entry>::searchKey(const Variant& probe)
{
    if (!indexCurrent())
        buildIndex();
    const bool indexed = !m_index.irregular && (probe.isText() || probe.isNumeric());
    if (!indexed) {
        for (qint32 p = 1; p <= COUNT(); ++p) {
            const Ref<Entry>& e = m_entries[size_t(p - 1)];
            const Variant& key = e ? e->DATA().KEY() : Variant();
            if (key.isText() && probe.isText() ? normalizedKey(key.text()) == probe.text() : key == probe)
                return p;
        }
        return 0;
    }
    if (probe.isText()) {
        const auto chain = m_index.text.constFind(probe.text());
        const qint32 byText = chain == m_index.text.cend() ? 0 : chain->first;
        if (probe.text().isEmpty() && m_index.firstEmpty && (!byText || m_index.firstEmpty < byText))
            return m_index.firstEmpty;
        return byText;
    }
    return m_index.numeric.value(probe.numeric(), 0);
}

template <class Derived, class Entry>
template <class Visit>
bool KeyedCollection<Derived, Entry>::forEachTextKey(const QString& normalized, Visit visit)
{
    if (!indexCurrent())
        buildIndex();
    if (m_index.nonText)
        return false;
    const auto chain = m_index.text.constFind(normalized);
    if (chain == m_index.text.cend())
        return true;
    for (qint32 p = chain->first; p; p = m_index.nextSame[size_t(p)])
        if (visit(p))
            break;
    return true;
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::buildIndex()
{
    m_index = Index();
    m_index.text.reserve(COUNT());
    m_index.nextSame.reserve(size_t(COUNT()) + 1);
    m_index.clock = Entry::keyClock();
    m_index.valid = true;
    for (qint32 p = 1; p <= COUNT(); ++p)
        indexAppended(p);
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::indexAppended(qint32 position)
{
    m_index.clock = Entry::keyClock();
    const Ref<Entry>& e = m_entries[size_t(position - 1)];
    const Variant& key = e ? e->DATA().KEY() : Variant();
    if (e)
        m_index.members.insert(e.get());
    m_index.nextSame.resize(size_t(position) + 1, 0);
    if (key.isText()) {
        const QString normalized = normalizedKey(key.text());
        auto chain = m_index.text.find(normalized);
        if (chain == m_index.text.end()) {
            m_index.text.insert(normalized, typename Index::Chain{ position, position });
        } else {
            m_index.nextSame[size_t(chain->last)] = position;
            chain->last = position;
        }
        return;
    }
    m_index.nonText = true;
    switch (key.kind()) {
    case Variant::Kind::Empty:
        if (!m_index.firstEmpty)
            m_index.firstEmpty = position;
        if (!m_index.numeric.contains(0.0))
            m_index.numeric.insert(0.0, position);
        break;
    case Variant::Kind::Long: case Variant::Kind::Double: case Variant::Kind::Bool: case Variant::Kind::Date:
        if (!m_index.numeric.contains(key.numeric()))
            m_index.numeric.insert(key.numeric(), position);
        break;
    default:
        m_index.irregular = true;
    }
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::DataCopy(const Object& pOther, bool& pcDone)
{
    Derived& other = const_cast<Derived&>(Persistent<Derived>::sameClass(pOther));
    this->DATA().setKEY(other.DATA().KEY());
    const qint32 m = other.DATABASE().COUNT();
    std::vector<Ref<Entry>> copies;
    copies.reserve(size_t(m));
    for (qint32 i = 1; i <= m; ++i) {
        Ref<Entry> copy = Entry::create();
        Ref<Object> source = other.DATABASE().ITEM(i, true);
        if (source)
            copy->DATA().COPY(*source);
        copies.push_back(std::move(copy));
    }
    m_entries = std::move(copies);
    invalidateIndex();
    pcDone = true;
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::DataPACK(QString& pcPackage)
{
    VariantArray entries;
    entries.reserve(m_entries.size() + 1);
    entries.emplace_back(); // slot 0 is never an entry
    for (const Ref<Entry>& e : m_entries)
        entries.emplace_back(Ref<Object>(e));
    pcPackage = Package::PACK({ this->DATA().KEY(), std::move(entries) });
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::DataUnpack(const QString& prPackage)
{
    Variant key;
    VariantArray slotValues;
    Package::UNPACK(prPackage, key, slotValues);
    std::vector<Ref<Entry>> entries;
    entries.reserve(slotValues.empty() ? 0 : slotValues.size() - 1);
    for (size_t i = 1; i < slotValues.size(); ++i) {
        const Ref<Object> object = slotValues[i].toObject();
        Ref<Entry> entry = std::dynamic_pointer_cast<Entry>(object);
        if (object && !entry)
            raiseWrongClass(Entry::staticClassName(), *object);
        if (!entry && !Derived::FillsEmptySlots)
            throw Error(QStringLiteral("Package"), QStringLiteral("A %1 package holds an empty position").arg(Derived::staticClassName()));
        entries.push_back(std::move(entry));
    }
    m_entries = std::move(entries);
    invalidateIndex();
    this->DATA().setKEY(std::move(key));
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::storeRecordHead(CoreFile& file, const Variant& key, qint32 count)
{
    file.WRITE(QStringLiteral("1.0"));
    file.WRITE(key);
    file.WRITE(count);
}

template <class Derived, class Entry>
bool KeyedCollection<Derived, Entry>::readRecordHead(CoreFile& file, Variant& key, qint32& count)
{
    QString version;
    file.READ(version);
    if (version.toUpper() != QLatin1String("1.0"))
        return false;
    key = file.READVALUE();
    file.READ(count);
    if (count < 0)
        throw Error(QStringLiteral("READ"), QStringLiteral("The record holds a negative count"));
    return true;
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::takeOver(Variant key, std::vector<Ref<Entry>> entries)
{
    m_entries = std::move(entries);
    invalidateIndex();
    this->DATA().setKEY(std::move(key));
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::DataStore(CoreFile& pFile)
{
    storeRecordHead(pFile, this->DATA().KEY(), COUNT());
    for (qint32 i = 1; i <= COUNT(); ++i)
        entryAt(i)->DATA().STORE(pFile);
}

template <class Derived, class Entry>
bool KeyedCollection<Derived, Entry>::DataRead(CoreFile& pFile)
{
    Variant key;
    qint32 n = 0;
    if (!readRecordHead(pFile, key, n))
        return false;
    std::vector<Ref<Entry>> entries;
    for (qint32 i = 0; i < n; ++i) { // grows only as far as the file really holds entries
        Ref<Entry> entry = Entry::create();
        entry->DataRead(pFile);
        entries.push_back(std::move(entry));
    }
    takeOver(std::move(key), std::move(entries));
    return true;
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::swapContents(DataEvents& other) noexcept
{
    Derived& o = Persistent<Derived>::same(other);
    this->swapKey(o);
    m_entries.swap(o.m_entries);
    invalidateIndex();
    o.invalidateIndex();
}

} // namespace vorn
