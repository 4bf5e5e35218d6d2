#pragma once
// An ordered list of texts with positions from 1; persistent like every other class.

#include <vorn/Persistent.h>

#include <QStringList>

namespace vorn {

class CoreList final : public Persistent<CoreList> {
public:
    static Ref<CoreList> create();
    static QString staticClassName() { return QStringLiteral("CoreList"); }

    // Declares the kind of the items; 8 (texts) is the only kind the component uses.
    qint32 ITEMKIND() const noexcept { return m_itemKind; }
    void setITEMKIND(qint32 kind) noexcept { m_itemKind = kind; }

    void ADD(const QString& text) { m_items.append(text); }
    qint32 COUNT() const noexcept { return qint32(m_items.size()); }
    // "" outside 1..COUNT.
    QString ITEM(qint32 position) const;
    // Ignored outside 1..COUNT.
    void setITEM(qint32 position, const QString& text);
    // Letter case is ignored.
    bool EXISTS(const QString& text) const;
    QString JOIN(const QString& pre, const QString& sep, const QString& post) const;
    // Removes one entry; later entries move up. False outside 1..COUNT.
    bool REMOVEAT(qint32 position);
    // Removes the first entry equal to the text, ignoring letter case.
    void REMOVEVALUE(const QString& text);
    // Inserts the value as the first (newest) entry; callers pass 0 or 1.
    void INSERT(const QString& value, qint32 position = 0);
    // Keeps only the first n entries.
    void CUT(qint32 n);
    void CLEAR() noexcept { m_items.clear(); }
    // Replaces the entries by the pieces of text between separators.
    void SPLIT(const QString& text, const QString& separator);

    const QStringList& items() const noexcept { return m_items; }
    QStringList& items() noexcept { return m_items; }

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override;
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;
    void swapContents(DataEvents& other) noexcept override;

private:
    CoreList() = default;
    QStringList m_items;
    qint32 m_itemKind = 8;
};

} // namespace vorn
