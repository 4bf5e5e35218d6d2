#pragma once
// The payload of a record file: values as kind bytes and their data, written and walked.

#include <vorn/Variant.h>

#include <QByteArray>

namespace vorn::record {

void putText(QByteArray& out, const QString& text);
// Raises Error for a value that cannot be written (an invalid date, an array nested too deep).
void putValue(QByteArray& out, const Variant& v);

// Walks a payload. Without `build` it only checks the structure and creates nothing, so OPEN
// can refuse a malformed payload before any value is handed out.
class ValueReader {
public:
    ValueReader(const QByteArray& data, qsizetype pos, bool build) : m_data(data), m_pos(pos), m_build(build) {}

    qsizetype pos() const noexcept { return m_pos; }
    bool atEnd() const noexcept { return m_pos >= m_data.size(); }

    Variant value();

private:
    void need(qsizetype n, const char* what);
    Variant text();

    const QByteArray& m_data;
    qsizetype m_pos;
    bool m_build;
};

} // namespace vorn::record
