// Style and options of the editing engine, and the style file "vorn.stl" (an INI file).

#include "CoreEditorPrivate.h"
#include "core/RecordFields.h"

#include <vorn/CoreFile.h>
#include <vorn/Package.h>

#include <QFileInfo>
#include <QFontDatabase>
#include <QSettings>

namespace vorn {

namespace {

const char* const CategoryKeys[] = {
    "comment", "keyword", "type", "attribute", "text", "number", "boolean", "reference"
};
const char* const RoleKeys[] = { "background", "text",        "selection", "selectedtext",
                                 "cursor",     "currentline", "margin",    "linenumber" };

bool readBool(const QString& value, bool& out)
{
    const QString v = value.trimmed().toLower();
    if (v == u"true" || v == u"yes" || v == u"1" || v == u"on") {
        out = true;
        return true;
    }
    if (v == u"false" || v == u"no" || v == u"0" || v == u"off") {
        out = false;
        return true;
    }
    return false;
}

// "" and "none" give the invalid colour (meaning: not set).
bool readColor(const QString& value, QColor& out)
{
    const QString v = value.trimmed();
    if (v.isEmpty() || v.compare(u"none", Qt::CaseInsensitive) == 0) {
        out = QColor();
        return true;
    }
    const QColor c = QColor::fromString(v);
    if (!c.isValid())
        return false;
    out = c;
    return true;
}

QString colorText(const QColor& c) { return c.isValid() ? c.name(QColor::HexRgb) : QString(); }

// "COLOUR [bold] [italic]", the words in any order after the colour.
bool readFormat(const QString& value, CoreEditorStyle::Format& out)
{
    const QStringList words = value.simplified().split(u' ', Qt::SkipEmptyParts);
    CoreEditorStyle::Format f;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString w = words[i].toLower();
        if (w == u"bold")
            f.bold = true;
        else if (w == u"italic")
            f.italic = true;
        else if (w == u"normal")
            continue;
        else if (i == 0 && readColor(w, f.color))
            continue;
        else
            return false;
    }
    out = f;
    return true;
}

QString formatText(const CoreEditorStyle::Format& f)
{
    QStringList words;
    words << (f.color.isValid() ? colorText(f.color) : QStringLiteral("none"));
    if (f.bold)
        words << QStringLiteral("bold");
    if (f.italic)
        words << QStringLiteral("italic");
    return words.join(u' ');
}

// One "key=value" text split at its first "=".
std::pair<QString, QString> splitSetting(const QString& setting)
{
    const qsizetype eq = setting.indexOf(u'=');
    if (eq < 0)
        return { setting, QString() };
    return { setting.left(eq), setting.mid(eq + 1) };
}

VariantArray textsToArray(const QStringList& texts)
{
    VariantArray out;
    out.reserve(texts.size());
    for (const QString& t : texts)
        out.emplace_back(t);
    return out;
}

} // namespace

// --- Options ------------------------------------------------------------------------------

Ref<CoreEditorOptions> CoreEditorOptions::create() { return Ref<CoreEditorOptions>(new CoreEditorOptions); }

void CoreEditorOptions::setValues(const Values& values)
{
    Values v = values;
    v.tabWidth = qBound(1, v.tabWidth, 16);
    if (v == m_values)
        return;
    m_values = v;
    changed();
}

void CoreEditorOptions::changed()
{
    if (m_owner)
        m_owner->optionsChanged();
}

QStringList CoreEditorOptions::settings() const
{
    const auto b = [](bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); };
    return { QStringLiteral("tabwidth=%1").arg(m_values.tabWidth),
             QStringLiteral("spacesfortab=") + b(m_values.spacesForTab),
             QStringLiteral("autoindent=") + b(m_values.autoIndent),
             QStringLiteral("indentafterbegin=") + b(m_values.indentAfterBegin),
             QStringLiteral("linenumbers=") + b(m_values.lineNumbers),
             QStringLiteral("highlightline=") + b(m_values.highlightLine) };
}

bool CoreEditorOptions::applySetting(const QString& key, const QString& value)
{
    Values v = m_values;
    const QString k = key.trimmed().toLower();
    bool ok = false;
    if (k == u"tabwidth") {
        const int n = value.trimmed().toInt(&ok);
        ok = ok && n >= 1 && n <= 16;
        if (ok)
            v.tabWidth = n;
    } else if (k == u"spacesfortab") {
        ok = readBool(value, v.spacesForTab);
    } else if (k == u"autoindent") {
        ok = readBool(value, v.autoIndent);
    } else if (k == u"indentafterbegin") {
        ok = readBool(value, v.indentAfterBegin);
    } else if (k == u"linenumbers") {
        ok = readBool(value, v.lineNumbers);
    } else if (k == u"highlightline") {
        ok = readBool(value, v.highlightLine);
    }
    if (ok)
        setValues(v);
    return ok;
}

void CoreEditorOptions::DataCopy(const Object& pOther, bool& pcDone)
{
    const CoreEditorOptions& other = sameClass(pOther);
    DATA().setKEY(other.DATA().KEY());
    setValues(other.m_values);
    pcDone = true;
}

void CoreEditorOptions::DataPACK(QString& pcPackage)
{
    pcPackage = Package::PACK({ DATA().KEY(), textsToArray(settings()) });
}

void CoreEditorOptions::DataUnpack(const QString& prPackage)
{
    Variant key;
    VariantArray texts;
    Package::UNPACK(prPackage, key, texts);
    DATA().setKEY(std::move(key));
    for (const Variant& t : texts) {
        const auto [k, v] = splitSetting(t.toText());
        applySetting(k, v);
    }
}

void CoreEditorOptions::DataStore(CoreFile& pFile)
{
    pFile.WRITE(record::version());
    pFile.WRITE(DATA().KEY());
    pFile.WRITE(textsToArray(settings()));
}

bool CoreEditorOptions::DataRead(CoreFile& pFile)
{
    QString version;
    pFile.READ(version);
    if (!record::isCurrent(version))
        return false;
    DATA().setKEY(pFile.READVALUE());
    VariantArray texts;
    pFile.READ(texts);
    for (const Variant& t : texts) {
        const auto [k, v] = splitSetting(t.toText());
        applySetting(k, v);
    }
    return true;
}

void CoreEditorOptions::swapContents(DataEvents& other) noexcept
{
    CoreEditorOptions& o = same(other);
    swapKey(o);
    std::swap(m_values, o.m_values);
    changed();
    o.changed();
}

// --- Style --------------------------------------------------------------------------------

CoreEditorStyle::CoreEditorStyle() : m_optionSet(CoreEditorOptions::create()) { resetToDefaults(); }

Ref<CoreEditorStyle> CoreEditorStyle::create() { return Ref<CoreEditorStyle>(new CoreEditorStyle); }

// The same values as the shipped resources/vorn.stl.
void CoreEditorStyle::resetToDefaults()
{
    m_family = QStringLiteral("DejaVu Sans Mono");
    m_size = 10;
    const auto c = [](const char* name) { return QColor::fromString(QLatin1String(name)); };
    m_colors[Background] = c("#ffffff");
    m_colors[Foreground] = c("#1f2328");
    m_colors[Selection] = c("#b6d6fd");
    m_colors[SelectedText] = QColor();
    m_colors[Cursor] = c("#000000");
    m_colors[CurrentLine] = c("#f3f6fb");
    m_colors[Margin] = c("#f6f8fa");
    m_colors[LineNumber] = c("#8c959f");
    m_formats[Comment] = { c("#6a737d"), false, true };
    m_formats[Keyword] = { c("#cf222e"), true, false };
    m_formats[Type] = { c("#8250df"), true, false };
    m_formats[Attribute] = { c("#0550ae"), false, false };
    m_formats[Text] = { c("#116329"), false, false };
    m_formats[Number] = { c("#953800"), false, false };
    m_formats[Boolean] = { c("#e36209"), false, false };
    m_formats[Reference] = { c("#9a6700"), false, true };
}

void CoreEditorStyle::changed()
{
    if (m_owner)
        m_owner->styleChanged();
}

QString CoreEditorStyle::categoryKey(Category category) { return QLatin1String(CategoryKeys[category]); }

QString CoreEditorStyle::roleKey(Role role) { return QLatin1String(RoleKeys[role]); }

void CoreEditorStyle::setFont(const QString& family, double pointSize)
{
    if (!(pointSize >= 4 && pointSize <= 96))
        return;
    if (family == m_family && pointSize == m_size)
        return;
    m_family = family;
    m_size = pointSize;
    changed();
}

QFont CoreEditorStyle::font() const
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!m_family.isEmpty())
        f.setFamilies({ m_family, f.family() });
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    f.setPointSizeF(m_size);
    return f;
}

void CoreEditorStyle::setColor(Role role, const QColor& color)
{
    if (role < 0 || role >= RoleCount || m_colors[role] == color)
        return;
    m_colors[role] = color;
    changed();
}

void CoreEditorStyle::setFormat(Category category, const Format& format)
{
    if (category < 0 || category >= CategoryCount || m_formats[category] == format)
        return;
    m_formats[category] = format;
    changed();
}

CoreEditorOptions& CoreEditorStyle::optionSet() { return *m_optionSet; }

const Ref<CoreEditorOptions>& CoreEditorStyle::optionSetRef() { return m_optionSet; }

QStringList CoreEditorStyle::settings() const
{
    QStringList out;
    out << QStringLiteral("font/family=") + m_family << QStringLiteral("font/size=%1").arg(m_size);
    for (int r = 0; r < RoleCount; ++r)
        out << QStringLiteral("colors/") + roleKey(Role(r)) + u'=' + colorText(m_colors[r]);
    for (int k = 0; k < CategoryCount; ++k)
        out << QStringLiteral("syntax/") + categoryKey(Category(k)) + u'=' + formatText(m_formats[k]);
    return out;
}

bool CoreEditorStyle::applySetting(const QString& groupKey, const QString& value)
{
    const QString gk = groupKey.trimmed().toLower();
    const qsizetype slash = gk.indexOf(u'/');
    if (slash < 0)
        return false;
    const QString group = gk.left(slash);
    const QString key = gk.mid(slash + 1);
    if (group == u"options")
        return m_optionSet->applySetting(key, value);
    if (group == u"font") {
        if (key == u"family") {
            setFont(value.trimmed(), m_size);
            return true;
        }
        if (key == u"size") {
            bool ok = false;
            const double size = value.trimmed().toDouble(&ok);
            if (!ok || !(size >= 4 && size <= 96))
                return false;
            setFont(m_family, size);
            return true;
        }
        return false;
    }
    if (group == u"colors") {
        for (int r = 0; r < RoleCount; ++r)
            if (key == QLatin1String(RoleKeys[r])) {
                QColor c;
                if (!readColor(value, c))
                    return false;
                // Only the selected text may go without a colour of its own.
                if (!c.isValid() && r != SelectedText)
                    return false;
                setColor(Role(r), c);
                return true;
            }
        return false;
    }
    if (group == u"syntax") {
        for (int k = 0; k < CategoryCount; ++k)
            if (key == QLatin1String(CategoryKeys[k])) {
                Format f;
                if (!readFormat(value, f))
                    return false;
                setFormat(Category(k), f);
                return true;
            }
    }
    return false;
}

bool CoreEditorStyle::load(const QString& pPath, const QString& pScheme)
{
    if (!QFileInfo(pPath).isFile())
        return false;
    QSettings file(pPath, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return false;

    // Changes are collected on a copy and told to the engine once.
    const Ref<CoreEditorStyle> staged = create();
    bool done = false;
    staged->DataCopy(*this, done);
    const QString scheme = pScheme.trimmed().toLower();
    const QStringList keys = file.allKeys();
    const auto valueOf = [&](const QString& key) {
        const QVariant v = file.value(key);
        // An unquoted value with commas comes back as a list.
        return v.userType() == QMetaType::QStringList ? v.toStringList().join(QStringLiteral(", ")) : v.toString();
    };
    for (const QString& key : keys)
        if (key.count(u'/') == 1)
            staged->applySetting(key, valueOf(key));
    if (!scheme.isEmpty())
        for (const QString& key : keys)
            if (key.count(u'/') == 2 && key.section(u'/', 0, 0).toLower() == scheme)
                staged->applySetting(key.section(u'/', 1), valueOf(key));
    DataCopy(*staged, done);
    return true;
}

void CoreEditorStyle::DataCopy(const Object& pOther, bool& pcDone)
{
    const CoreEditorStyle& other = sameClass(pOther);
    DATA().setKEY(other.DATA().KEY());
    const bool differs = m_family != other.m_family || m_size != other.m_size
        || !std::equal(std::begin(m_colors), std::end(m_colors), std::begin(other.m_colors))
        || !std::equal(std::begin(m_formats), std::end(m_formats), std::begin(other.m_formats));
    m_family = other.m_family;
    m_size = other.m_size;
    std::copy(std::begin(other.m_colors), std::end(other.m_colors), std::begin(m_colors));
    std::copy(std::begin(other.m_formats), std::end(other.m_formats), std::begin(m_formats));
    m_optionSet->setValues(other.m_optionSet->values());
    if (differs)
        changed();
    pcDone = true;
}

void CoreEditorStyle::DataPACK(QString& pcPackage)
{
    pcPackage = Package::PACK({ DATA().KEY(), textsToArray(settings()), m_optionSet->DATA().PACKAGE() });
}

void CoreEditorStyle::DataUnpack(const QString& prPackage)
{
    Variant key;
    VariantArray texts;
    QString options;
    Package::UNPACK(prPackage, key, texts, options);
    const Ref<CoreEditorStyle> staged = create();
    for (const Variant& t : texts) {
        const auto [k, v] = splitSetting(t.toText());
        staged->applySetting(k, v);
    }
    staged->m_optionSet->DATA().setPACKAGE(options);
    bool done = false;
    DataCopy(*staged, done);
    DATA().setKEY(std::move(key));
}

void CoreEditorStyle::DataStore(CoreFile& pFile)
{
    pFile.WRITE(record::version());
    pFile.WRITE(DATA().KEY());
    pFile.WRITE(textsToArray(settings()));
    m_optionSet->DATA().STORE(pFile);
}

bool CoreEditorStyle::DataRead(CoreFile& pFile)
{
    QString version;
    pFile.READ(version);
    if (!record::isCurrent(version))
        return false;
    Variant key = pFile.READVALUE();
    VariantArray texts;
    pFile.READ(texts);
    const Ref<CoreEditorStyle> staged = create();
    for (const Variant& t : texts) {
        const auto [k, v] = splitSetting(t.toText());
        staged->applySetting(k, v);
    }
    staged->m_optionSet->DATA().READ(pFile);
    bool done = false;
    DataCopy(*staged, done);
    DATA().setKEY(std::move(key));
    return true;
}

void CoreEditorStyle::swapContents(DataEvents& other) noexcept
{
    CoreEditorStyle& o = same(other);
    swapKey(o);
    std::swap(m_family, o.m_family);
    std::swap(m_size, o.m_size);
    std::swap(m_colors, o.m_colors);
    std::swap(m_formats, o.m_formats);
    m_optionSet.swap(o.m_optionSet);
    changed();
    o.changed();
}

} // namespace vorn
