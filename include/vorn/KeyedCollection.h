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
//
// The member bodies are compiled once, inside the library, for the four collections.

#include <vorn/CoreDatabase.h>
#include <vorn/CoreFile.h>
#include <vorn/Persistent.h>

#include <QHash>
#include <QSet>

#include <memory>
#include <vector>

namespace vorn {

template <class Derived, class Entry>
class KeyedCollection : public Persistent<Derived>, public DatabaseEvents {
public:
    using EntryType = Entry;

    CoreDatabase& DATABASE() noexcept { return m_database; }

    // By key for a text, else by position (1..COUNT); empty when nothing matches.
    Ref<Entry> Item(const Variant& pIDOrIndex)
    {
        return std::static_pointer_cast<Entry>(m_database.ITEM(pIDOrIndex, !pIDOrIndex.isText()));
    }
    Ref<Entry> operator[](const Variant& pIDOrIndex) { return Item(pIDOrIndex); }
    // Whether an entry's key matches; a number is matched against keys, not taken as a position.
    bool EXISTS(const Variant& pID) { return m_database.EXISTS(pID); }
    qint32 COUNT() const noexcept { return qint32(m_entries.size()); }
    bool REMOVE(const Variant& pIDOrIndex) { return m_database.REMOVE(pIDOrIndex, !pIDOrIndex.isText()); }
    // Exchanges two entries; invalid positions change nothing.
    bool SWAP(qint32 p1, qint32 p2);
    // Adds the entry itself (not a copy), with pID as its new key when given; returns it.
    Ref<Entry> ADD(const Ref<Entry>& pEntry, const Variant& pID = Variant::missing());
    // ADD of an entry under its own key, for code that needs nothing back.
    void append(Ref<Entry> pEntry);

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

    // Counts changes of the entries of every collection of this class on this thread, for
    // indexes that reach into more than one collection (FIND's over an element tree).
    static std::uint64_t contentClock() noexcept { return s_contentClock; }

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
    void invalidateIndex() noexcept
    {
        if (m_index)
            m_index->valid = false;
        entriesChanged();
    }
    void entriesChanged() noexcept
    {
        ++m_version;
        ++s_contentClock;
    }
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
    bool indexCurrent() const noexcept { return m_index && m_index->valid && m_index->clock == Entry::keyClock(); }

    struct Index {
        bool valid = false;
        std::uint64_t clock = 0;
        struct Chain {
            qint32 first, last;
        };
        QHash<QString, Chain> text;    // normalized text key -> first and last position
        std::vector<qint32> nextSame;  // position -> next position with the same text key
        bool nonText = false;          // keys that are not texts exist
        QHash<double, qint32> numeric; // numeric value (Empty counts as 0) -> first position
        qint32 firstEmpty = 0;         // first Empty key: also equals the text ""
        bool irregular = false;        // keys of other kinds exist: search by walking
        QSet<const Entry*> members;    // the entries indexed, to notice one added twice
    };

    CoreDatabase m_database;
    // Made by the first lookup: most collections of a large tree are never searched.
    std::unique_ptr<Index> m_index;
    std::uint64_t m_version = 0;
    static inline thread_local std::uint64_t s_contentClock = 0;
};

} // namespace vorn
