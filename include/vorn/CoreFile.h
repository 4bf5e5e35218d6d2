#pragma once
// Record files: typed values written one after the other, optionally sealed with a password.
//
// A file is read whole and checked when it is opened for reading, and written whole, through
// a temporary file, when it is closed after writing: a failed save never harms the file
// that was there, and a damaged or foreign file fails at OPEN before anything is read.

#include <vorn/Variant.h>

#include <QByteArray>
#include <QStringList>

#include <memory>

namespace vorn {

class CoreFile : public Object {
public:
    enum Mode : int { ModeRead = 1, ModeWrite = 2 };

    static Ref<CoreFile> create();
    ~CoreFile() override;
    QString className() const override { return QStringLiteral("CoreFile"); }

    // Opens pFile for reading (mode 1) or writing (mode 2). A non-empty password seals the file
    // (writing) or is needed to open it (reading). The flags and the last argument are accepted
    // for the caller's convenience and change nothing. Raises Error on any failure.
    void OPEN(const QString& pFile, int pMode, const QString& pPassword = QString(), bool pFlag1 = true,
              bool pFlag2 = true, const Ref<Object>& pOwner = {});
    // Finishes the file: after writing, the file on disk is replaced in one step.
    void CLOSE();
    bool isOpen() const noexcept;

    // Appends values in order.
    void WRITE(const Variant& value);
    void WRITE(std::initializer_list<Variant> values);
    // A plain text (versions are written this way).
    void WRITETAG(const QString& tag);

    // The next value with the type it was written with.
    Variant READVALUE();
    // The next value converted to the target's type.
    template <class T>
    void READ(T& target);
    QString READTAG();

    // The bytes a closed file would hold (for tests and tools).
    static QByteArray encode(const QByteArray& payload, const QString& password);
    static QByteArray decode(const QByteArray& file, const QString& password);

private:
    CoreFile();
    struct State;
    std::unique_ptr<State> m_state;
};

// Conversions of a read value to a target type.
void assignValue(const Variant& value, Variant& target);
void assignValue(const Variant& value, QString& target);
void assignValue(const Variant& value, qint32& target);
void assignValue(const Variant& value, double& target);
void assignValue(const Variant& value, bool& target);
void assignValue(const Variant& value, QDateTime& target);
void assignValue(const Variant& value, VariantArray& target);

template <class T>
void CoreFile::READ(T& target)
{
    assignValue(READVALUE(), target);
}

} // namespace vorn
