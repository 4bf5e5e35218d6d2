#pragma once
// JSON text written as it goes: keys stay in the order written, output is always valid UTF-8.

#include <QByteArray>
#include <QString>

#include <vector>

namespace vornapp {

// A small JSON writer that keeps keys in the order they are written (QJsonObject sorts them).
class JsonWriter {
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    // The key of the next value.
    void key(const char* name);

    void string(const QString& text);
    void integer(qint64 value);
    void boolean(bool value);
    // Non-finite numbers have no JSON form and are written as null.
    void number(double value);
    void null();

    const QByteArray& bytes() const noexcept { return m_out; }

private:
    void beforeValue();
    void appendString(const QString& text);
    void open(char c);
    void close(char c);

    QByteArray m_out;
    std::vector<bool> m_empty; // per open container: nothing written in it yet
    bool m_afterKey = false;
};

} // namespace vornapp
