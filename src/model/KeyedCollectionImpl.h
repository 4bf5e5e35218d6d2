#pragma once
// The bodies of the keyed collections' shared members, for the library's own translation units:
// the four collections are instantiated once in KeyedCollections.cpp, and the collections'
// own files use the member templates.

#include "core/RecordFields.h"
#include <vorn/KeyedCollection.h>
#include <vorn/Package.h>

#include "core/TextKeys.h"

namespace vorn {

template <class Derived, class Entry>
const Ref<Entry>& KeyedCollection<Derived, Entry>::entryAt(qint32 position)
{
    static const Ref<Entry> none;
    if (position < 1 || position > COUNT())
        return none;
    Ref<Entry>& slot = m_entries[size_t(position - 1)];
    if (!slot && Derived::FillsEmptySlots) {
        slot = Entry::create();
        entriesChanged();
        if (m_index && m_index->valid)
            m_index->members.insert(slot.get());
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
void KeyedCollection<Derived, Entry>::append(Ref<Entry> pEntry)
{
    const bool wasCurrent = indexCurrent();
    m_entries.push_back(std::move(pEntry));
    entriesChanged();
    if (wasCurrent)
        indexAppended(COUNT());
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
    if (entry && ID.isMissing()) {
        append(std::move(entry));
        return;
    }
    const bool wasCurrent = indexCurrent();
    // A new key for an entry this collection already holds changes earlier positions too.
    const bool rekeysMember = !ID.isMissing() && entry && wasCurrent && m_index->members.contains(entry.get());
    m_entries.push_back(entry);
    entriesChanged();
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
    const Index& index = *m_index;
    const bool indexed = !index.irregular && (probe.isText() || probe.isNumeric());
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
        const auto chain = index.text.constFind(probe.text());
        const qint32 byText = chain == index.text.cend() ? 0 : chain->first;
        if (probe.text().isEmpty() && index.firstEmpty && (!byText || index.firstEmpty < byText))
            return index.firstEmpty;
        return byText;
    }
    return index.numeric.value(probe.numeric(), 0);
}

template <class Derived, class Entry>
template <class Visit>
bool KeyedCollection<Derived, Entry>::forEachTextKey(const QString& normalized, Visit visit)
{
    if (!indexCurrent())
        buildIndex();
    const Index& index = *m_index;
    if (index.nonText)
        return false;
    const auto chain = index.text.constFind(normalized);
    if (chain == index.text.cend())
        return true;
    for (qint32 p = chain->first; p; p = index.nextSame[size_t(p)])
        if (visit(p))
            break;
    return true;
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::buildIndex()
{
    m_index = std::make_unique<Index>();
    m_index->text.reserve(COUNT());
    m_index->nextSame.reserve(size_t(COUNT()) + 1);
    m_index->clock = Entry::keyClock();
    m_index->valid = true;
    for (qint32 p = 1; p <= COUNT(); ++p)
        indexAppended(p);
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::indexAppended(qint32 position)
{
    Index& index = *m_index;
    index.clock = Entry::keyClock();
    const Ref<Entry>& e = m_entries[size_t(position - 1)];
    const Variant& key = e ? e->DATA().KEY() : Variant();
    if (e)
        index.members.insert(e.get());
    index.nextSame.resize(size_t(position) + 1, 0);
    if (key.isText()) {
        const QString normalized = normalizedKey(key.text());
        auto chain = index.text.find(normalized);
        if (chain == index.text.end()) {
            index.text.insert(normalized, typename Index::Chain{ position, position });
        } else {
            index.nextSame[size_t(chain->last)] = position;
            chain->last = position;
        }
        return;
    }
    index.nonText = true;
    switch (key.kind()) {
    case Variant::Kind::Empty:
        if (!index.firstEmpty)
            index.firstEmpty = position;
        if (!index.numeric.contains(0.0))
            index.numeric.insert(0.0, position);
        break;
    case Variant::Kind::Long:
    case Variant::Kind::Double:
    case Variant::Kind::Bool:
    case Variant::Kind::Date:
        if (!index.numeric.contains(key.numeric()))
            index.numeric.insert(key.numeric(), position);
        break;
    default: index.irregular = true;
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
            throw Error(QStringLiteral("Package"),
                        QStringLiteral("A %1 package holds an empty position").arg(Derived::staticClassName()));
        entries.push_back(std::move(entry));
    }
    m_entries = std::move(entries);
    invalidateIndex();
    this->DATA().setKEY(std::move(key));
}

template <class Derived, class Entry>
void KeyedCollection<Derived, Entry>::storeRecordHead(CoreFile& file, const Variant& key, qint32 count)
{
    file.WRITE(record::version());
    file.WRITE(key);
    file.WRITE(count);
}

template <class Derived, class Entry>
bool KeyedCollection<Derived, Entry>::readRecordHead(CoreFile& file, Variant& key, qint32& count)
{
    QString version;
    file.READ(version);
    if (!record::isCurrent(version))
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
