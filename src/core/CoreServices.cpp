#include <vorn/CoreServices.h>

#include <QVarLengthArray>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace vorn {

namespace {

// Larger files are refused rather than read whole into memory.
constexpr qint64 MaxTextFileSize = qint64(256) * 1024 * 1024;

bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

// The power of ten of the first significant digit of a well-formed number text without sign
// ("0.05e3" gives 1); only its sign matters, so the exponent saturates.
long long decimalMagnitude(const char* p, const char* end)
{
    const char* point = std::find(p, end, '.');
    const char* mantissaEnd = std::find_if(p, end, [](char c) { return c == 'e' || c == 'E'; });
    if (point > mantissaEnd)
        point = mantissaEnd;
    const long long position = (point - p) - 1; // power of ten of the digit at p
    long long first = std::numeric_limits<long long>::min();
    for (const char* q = p; q != mantissaEnd; ++q) {
        if (*q == '.')
            continue;
        if (*q != '0') {
            first = q < point ? position - (q - p) : -(q - point);
            break;
        }
    }
    if (first == std::numeric_limits<long long>::min())
        return -1; // all zeros
    long long exponent = 0;
    const char* e = mantissaEnd;
    if (e != end) {
        ++e;
        const bool negative = *e == '-';
        if (*e == '+' || *e == '-')
            ++e;
        for (; e != end; ++e)
            exponent = std::min(exponent * 10 + (*e - '0'), 1000000000LL);
        if (negative)
            exponent = -exponent;
    }
    return first + exponent;
}

} // namespace

// --- Dialogs --------------------------------------------------------------------------------

namespace {

// Without a user interface every dialog counts as cancelled.
class CancellingDialogService final : public DialogService {
public:
    void message(const QString&, const QString&) override {}
    std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> chooseFile(const QString&, const QString&) override { return std::nullopt; }
};

} // namespace

// --- Services ---------------------------------------------------------------------------------

CoreServices& CoreServices::instance()
{
    static thread_local CoreServices services;
    return services;
}

DialogService& CoreServices::dialogs()
{
    if (!m_dialogs)
        m_dialogs = std::make_shared<CancellingDialogService>();
    return *m_dialogs;
}

bool CoreServices::fileExists(const QString& path) const
{
    // QFileInfo::isFile is true for regular files only (not folders, devices or pipes).
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString CoreServices::readTextFile(const QString& path, const QString&, bool, bool* isText) const
{
    const QString source = QStringLiteral("CoreServices.readTextFile");
    // Opened straight away: a look at the file first can miss it for the instant in which
    // another process replaces it. A pipe is read like a file, up to the same limit.
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        if (path.isEmpty() || (file.error() == QFileDevice::OpenError && !QFileInfo::exists(path)))
            throw Error(source, QStringLiteral("'%1' is not an existing file").arg(path));
        throw Error(source, QStringLiteral("'%1' cannot be read: %2").arg(path, file.errorString()));
    }
    if (file.size() > MaxTextFileSize)
        throw Error(source, QStringLiteral("'%1' is larger than 256 MiB").arg(path));
    // Read in steps: QIODevice::read(n) reserves n bytes up front, so one read up to the limit
    // would reserve 256 MiB for every file. Reading goes past the limit by at most one step, so
    // a file that grew after the size check is still refused.
    QByteArray bytes;
    if (!file.isSequential())
        bytes.reserve(qsizetype(file.size()));
    while (bytes.size() <= MaxTextFileSize) {
        const QByteArray piece = file.read(qint64(1) << 16);
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (bytes.size() > MaxTextFileSize)
        throw Error(source, QStringLiteral("'%1' is larger than 256 MiB").arg(path));
    if (file.error() != QFileDevice::NoError)
        throw Error(source, QStringLiteral("'%1' cannot be read: %2").arg(path, file.errorString()));
    return decodeText(bytes, isText);
}

namespace {

// UTF-16 that does not decode: the decoder passes a half of a surrogate pair through.
bool hasLoneSurrogate(const QString& text)
{
    // Nearly every text has no surrogate at all: four code units at a time are passed while
    // none of them is one (a lane is zero after the mask and the exclusive or exactly when
    // its unit is a surrogate; the test may also fire just after one, never miss one).
    const QChar* units = text.constData();
    qsizetype from = 0;
    for (; from + 4 <= text.size(); from += 4) {
        std::uint64_t word;
        std::memcpy(&word, units + from, sizeof word);
        const std::uint64_t v = (word & 0xF800F800F800F800ull) ^ 0xD800D800D800D800ull;
        if ((v - 0x0001000100010001ull) & ~v & 0x8000800080008000ull)
            break;
    }
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

QString CoreServices::decodeText(const QByteArray& bytes, bool* isText)
{
    const auto startsWith = [&](const char* bom, qsizetype n) {
        return bytes.size() >= n && std::equal(bom, bom + n, bytes.constData());
    };
    bool valid = true;
    const auto decode = [&](QStringConverter::Encoding encoding, qsizetype skip) {
        // Stateless, so a sequence cut off at the end counts as invalid.
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
        QString text = decoder(QByteArrayView(bytes).sliced(skip));
        valid = !decoder.hasError();
        return text;
    };
    QString text;
    if (startsWith("\xEF\xBB\xBF", 3)) {
        text = decode(QStringConverter::Utf8, 3);
        valid = true; // marked UTF-8 with faults is still text, as Latin-1 is
    } else if (startsWith("\xFF\xFE", 2)) {
        text = decode(QStringConverter::Utf16LE, 2);
    } else if (startsWith("\xFE\xFF", 2)) {
        text = decode(QStringConverter::Utf16BE, 2);
    } else {
        text = decode(QStringConverter::Utf8, 0);
        if (!valid)
            text = QString::fromLatin1(bytes);
        valid = true;
    }
    if (isText)
        *isText = valid && !text.contains(QChar(0)) && !hasLoneSurrogate(text);
    return text;
}

double CoreServices::readNumber(QStringView text, bool* isNumber)
{
    if (isNumber)
        *isNumber = false;

    // Check the shape first: from_chars alone would also take "inf", "nan" or a partial text.
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto at = [&](qsizetype k) { return k < n ? text[k].unicode() : char16_t(0); };
    if (at(i) == '+' || at(i) == '-')
        ++i;
    const qsizetype intStart = i;
    while (isDigit(at(i)))
        ++i;
    const qsizetype intDigits = i - intStart;
    qsizetype fracDigits = 0;
    if (at(i) == '.') {
        ++i;
        const qsizetype fracStart = i;
        while (isDigit(at(i)))
            ++i;
        fracDigits = i - fracStart;
    }
    if (intDigits == 0 && fracDigits == 0)
        return 0;
    if (at(i) == 'e' || at(i) == 'E') {
        ++i;
        if (at(i) == '+' || at(i) == '-')
            ++i;
        const qsizetype expStart = i;
        while (isDigit(at(i)))
            ++i;
        if (i == expStart)
            return 0;
    }
    if (i != n)
        return 0;

    // A whole number of up to 15 digits is exact as a double: no need for from_chars.
    if (fracDigits == 0 && i == intStart + intDigits && intDigits <= 15) {
        double whole = 0;
        for (qsizetype k = intStart; k < n; ++k)
            whole = whole * 10 + double(text[k].unicode() - u'0');
        if (isNumber)
            *isNumber = true;
        return text[0] == u'-' ? -whole : whole;
    }
    // Up to 15 digits with a short fraction: the digits as a whole number and the power of ten
    // are both exact, so one division rounds correctly, to the value from_chars gives.
    if (intDigits >= 1 && fracDigits >= 1 && intDigits + fracDigits <= 15
        && i == intStart + intDigits + 1 + fracDigits) {
        static constexpr double Powers[] = { 1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
        double digits = 0;
        for (qsizetype k = intStart; k < n; ++k)
            if (text[k] != u'.')
                digits = digits * 10 + double(text[k].unicode() - u'0');
        if (isNumber)
            *isNumber = true;
        const double value = digits / Powers[fracDigits];
        return text[0] == u'-' ? -value : value;
    }
    // The text is plain ASCII now; from_chars reads it without regard to the locale.
    QVarLengthArray<char, 64> bytes(n);
    for (qsizetype k = 0; k < n; ++k)
        bytes[k] = char(text[k].unicode());
    const char* begin = bytes.constData();
    const char* end = begin + n;
    const bool negative = *begin == '-';
    if (*begin == '+' || negative)
        ++begin; // from_chars takes no plus sign; the sign is applied below
    double value = 0;
    const auto result = std::from_chars(begin, end, value, std::chars_format::general);
    if (result.ptr != end)
        return 0;
    if (result.ec == std::errc::result_out_of_range) {
        // Too small to hold reads as zero; too large is not a (finite) number.
        if (decimalMagnitude(begin, end) >= 0)
            return 0;
        value = 0;
    } else if (result.ec != std::errc() || !std::isfinite(value)) {
        return 0;
    }
    if (isNumber)
        *isNumber = true;
    return negative ? -value : value;
}

std::pair<QString, QString> CoreServices::splitFirst(const QString& text, const QString& separator)
{
    const qsizetype at = separator.isEmpty() ? -1 : text.indexOf(separator);
    if (at < 0)
        return { text, QString() };
    return { text.left(at), text.mid(at + separator.size()) };
}

QString CoreServices::settingsFolder(const QString& key)
{
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG base directory rules say.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    if (key.isEmpty())
        return base;
    return base + key.toLower() + QLatin1Char('/');
}

} // namespace vorn
