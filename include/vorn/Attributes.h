#pragma once
// The attribute values of one element as an object of the model: name/value pairs in insertion
// order, names upper-case, that copy, pack and store as every persistent object does.

#include <vorn/AttributeValues.h>
#include <vorn/Persistent.h>

namespace vorn {

class cls_VornAttributes final : public Persistent<cls_VornAttributes>, public AttributeValues {
public:
    static Ref<cls_VornAttributes> create();
    explicit cls_VornAttributes(CreateKey<cls_VornAttributes>) {}
    static QString staticClassName() { return QStringLiteral("cls_VornAttributes"); }

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override { pcPackage = PACKAGE(); }
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override { STORE(pFile); }
    bool DataRead(CoreFile& pFile) override { return READ(pFile); }
    void swapContents(DataEvents& other) noexcept override;
};

} // namespace vorn
