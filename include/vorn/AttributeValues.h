#pragma once
// Name/value pairs in insertion order, names upper-case: what an element's attribute bag holds,
// and what an element read from a script holds itself until its bag is first asked for.

#include <vorn/ElementSource.h>
#include <vorn/ValueCell.h>
#include <vorn/Variant.h>

#include <QStringList>

#include <array>
#include <memory>
#include <vector>

namespace vorn {

class CoreFile;
class cls_VornAttributeDef;

class AttributeValues {
public:
    AttributeValues() = default;
    AttributeValues(AttributeValues&&) noexcept = default;
    AttributeValues& operator=(AttributeValues&&) noexcept = default;
    // Copies go through COPY, which also trims the array bound.
    AttributeValues(const AttributeValues&) = delete;
    AttributeValues& operator=(const AttributeValues&) = delete;

    // Whether a pair named pID (upper-cased) exists.
    bool EXISTS(const QString& pID) const;
    // The position (1..COUNT) of the pair named pID (upper-cased), 0 when none.
    qint32 FIND(const QString& pID) const;
    // A text names a pair (even when it looks like a number); any other value is a position.
    // Without pKeepOrder the last pair moves into the gap.
    bool REMOVE(const Variant& pIDOrIndex, bool pKeepOrder);
    // The value, or pDefault when there is no such pair (an object as the same reference).
    Variant VALUE(const Variant& pIDOrIndex, const Variant& pDefault = QString()) const;
    Variant operator[](const Variant& pIDOrIndex) const { return VALUE(pIDOrIndex); }
    // Replaces the value of an existing pair or appends one; a position outside 1..COUNT is ignored.
    void setVALUE(const Variant& pIDOrIndex, const Variant& pNew);
    // The value as text for the attribute definition; the plain value without a definition.
    Variant VALUEENCODED(const Variant& pIDOrIndex, const Ref<cls_VornAttributeDef>& pDefinition) const;
    // Replaces everything by the pairs of pOther (object values shared).
    void COPY(const AttributeValues& pOther);
    qint32 COUNT() const noexcept { return qint32(m_values.size()); }
    // "" outside 1..COUNT.
    QString NAME(qint32 pIndex) const;
    // Upper-cases pNew; no check for a duplicate name; ignored outside 1..COUNT.
    void setNAME(qint32 pIndex, const QString& pNew);

    // Packing trims the arrays to exactly COUNT, as the package carries them.
    QString PACKAGE();
    void setPACKAGE(const QString& package);
    bool STORE(CoreFile& pFile) const;
    bool READ(CoreFile& pFile);

    // The upper bound of the name and value arrays: grows by 10 when an append finds them
    // full and shrinks to COUNT on packing, copying and reading.
    qint32 CAPACITY() const noexcept { return m_upperBound; }

    // Where the script gave a pair, in the file its element was read from (the element's
    // ElementSource turns it into lines and columns): the name before "=", or the value itself
    // when it had none, and the value. Unset for pairs made in code, unpacked or read from a
    // record; copies carry it, and a new value for the pair leaves it where it was.
    using Place = ValuePlace;
    Place placeAt(qint32 pPosition) const { return unpacked(m_values[size_t(pPosition - 1)]); }

    // Appends without looking for an existing pair: for code that rebuilds a bag whose names
    // it knows to be distinct and upper-case.
    void append(QString upperName, Variant value, const Place& place = Place());
    // setVALUE for a name known to be upper-case already; the second form also moves the place.
    void put(QString upperName, Variant value);
    void put(QString upperName, Variant value, const Place& place);
    // By position, without the range checks of VALUE and REMOVE: 1 <= pPosition <= COUNT.
    Variant valueAt(qint32 pPosition) const { return m_values[size_t(pPosition - 1)].value(); }
    // The kind of the value, and the characters of a text, without a Variant for them; the
    // characters last as long as the value stays.
    Variant::Kind kindAt(qint32 pPosition) const noexcept { return m_values[size_t(pPosition - 1)].kind(); }
    QStringView textAt(qint32 pPosition) const noexcept { return m_values[size_t(pPosition - 1)].text(); }
    const QString& nameAt(qint32 pPosition) const { return m_names.at(pPosition - 1); }
    void putAt(qint32 pPosition, Variant value, const Place& place)
    {
        ValueCell& slot = m_values[size_t(pPosition - 1)];
        slot.assign(std::move(value));
        notePlace(slot, place);
    }
    // A new value where the pair at pPosition stands, keeping its name and place.
    void replaceValueAt(qint32 pPosition, Variant value) { m_values[size_t(pPosition - 1)].assign(std::move(value)); }
    // Renames every pair at once, by the list `upperNames` (as many, distinct, upper-case),
    // and trims the array bound to COUNT as COPY does: for a check that converted the values
    // where they stand and now names them as its definition does.
    void renameAll(const QStringList& upperNames);
    void removeAt(qint32 pPosition);
    // Drops every pair, keeping the storage of the values for the next ones.
    void clear() noexcept;
    void reserve(qint32 count);
    // COPY from a bag that is not needed afterwards: takes its pairs instead of copying them and
    // leaves `other` empty with this bag's old storage, so that a bag rebuilt again and again
    // allocates nothing.
    void adopt(AttributeValues& other) noexcept;

    // Bags of one type hold the same names in the same order: such a bag shares one list of
    // them (copied on the first change) and keeps only its values. `startSharing` empties the
    // bag and takes `upperNames`, distinct and upper-case; `appendShared` then gives the value
    // of the next name, until every name has one. Until then the bag counts only the values.
    // The reader shares the names of a line with the lines after it that repeat them.
    void startSharing(const QStringList& upperNames);
    void appendShared(Variant&& value, const Place& place = Place());
    // The same, placed where the pair at `position` of `from` stands.
    void appendShared(Variant&& value, const AttributeValues& from, qint32 position);
    // Whether this bag names its pairs with the same list as `other`, not a copy of it.
    bool sharesNamesWith(const AttributeValues& other) const noexcept { return m_names.isSharedWith(other.m_names); }
    // The list that names the pairs: a check that passed one list knows that the next bag
    // named by that same list (isSharedWith, not a copy) passes too.
    const QStringList& names() const noexcept { return m_names; }

    // Exchanges every pair, place and the array bound with `other`.
    void swap(AttributeValues& other) noexcept;

private:
    // Bags unpacked or read one after another mostly name the same pairs, in the same order:
    // such bags share one list, as the reader's do.
    void takeNames(QStringList&& upperNames);
    // Position of a name or a numeric position; 0 when there is none.
    qint32 resolve(const Variant& pIDOrIndex) const;

    // A Place in the seven bytes a cell keeps beside its value, as a value read from a script
    // nearly always fits: the value's offset and length, and how far before it its name starts
    // and how long that is (no distance: the name is the value itself). What does not fit is
    // kept whole by the cell itself, the note saying only that it is there.
    struct PackedPlace {
        qint32 valueFrom = -1;
        quint16 valueLength = 0; // 12 bits
        quint8 nameBack = 0;     // 6 bits
        quint8 nameLength = 0;   // 6 bits
    };
    static constexpr quint16 Wide = 0xFFF;
    static constexpr quint32 NameLimit = 0x3F;
    // The offset is noted one higher, so that a value's zero note is no place at all.
    static void writeNote(ValueCell& value, const PackedPlace& place) noexcept
    {
        const quint64 bits = quint64(quint32(place.valueFrom) + 1u) | quint64(place.valueLength) << 32
            | quint64(place.nameBack) << 44 | quint64(place.nameLength) << 50;
        for (size_t i = 0; i < value.note.size(); ++i)
            value.note[i] = std::uint8_t(bits >> (8 * i));
    }
    static PackedPlace placeNoted(const ValueCell& value) noexcept
    {
        quint64 bits = 0;
        for (size_t i = 0; i < value.note.size(); ++i)
            bits |= quint64(value.note[i]) << (8 * i);
        return PackedPlace{ qint32(quint32(bits) - 1), quint16((bits >> 32) & Wide), quint8((bits >> 44) & NameLimit),
                            quint8((bits >> 50) & NameLimit) };
    }
    static void notePlace(ValueCell& value, const Place& place)
    {
        const TextExtent& name = place.name;
        const TextExtent& at = place.value;
        const quint32 valueLength = quint32(at.to - at.from);
        if (at.from >= 0 && valueLength < Wide) {
            if (name == at)
                return writeNote(value, PackedPlace{ at.from, quint16(valueLength), 0, 0 });
            const quint32 back = quint32(at.from - name.from);
            const quint32 nameLength = quint32(name.to - name.from);
            if (name.from >= 0 && back - 1 < NameLimit && nameLength <= NameLimit)
                return writeNote(value, PackedPlace{ at.from, quint16(valueLength), quint8(back), quint8(nameLength) });
        }
        noteWidePlace(value, place);
    }
    static void noteWidePlace(ValueCell& value, const Place& place);
    static Place unpacked(const ValueCell& value) noexcept;
    // Appends the value of the next name, growing the array bound as an append does.
    void pushValue(Variant&& value, const Place& place)
    {
        if (COUNT() + 1 > m_upperBound)
            m_upperBound = COUNT() + 1 + GrowthStep;
        notePlace(m_values.emplace_back(std::move(value)), place);
    }
    // Position of the pair named upperName; 0 when none.
    qint32 positionNamed(const QString& upperName) const noexcept;

    QStringList m_names; // shared between bags until one changes its names
    CellArray m_values;  // in the order of m_names, each noting its place; the array bound is kept apart
    qint32 m_upperBound = GrowthStep;
    static constexpr qint32 GrowthStep = 10;
};

} // namespace vorn
