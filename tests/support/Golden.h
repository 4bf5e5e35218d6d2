#pragma once
// Golden files: each NAME.vorn (or NAME.keys) in a folder of tests/data is one case and
// NAME.expected next to it holds what the case must give. With VORN_UPDATE_GOLDEN=1 in the environment the tests
// write the expected files from what the code gives now instead of comparing; review the diff
// before committing it. A new case is found when the suite is listed, at the next ctest run.

#include "support/Common.h"

#include <QDirIterator>

#include <string>
#include <vector>

namespace golden {

inline QString folder(const char* family) { return QStringLiteral(VORN_TEST_DATA "/") + QLatin1String(family); }

// The case names of a family, sorted.
inline std::vector<std::string> cases(const char* family, const QString& extension = QStringLiteral(".vorn"))
{
    QStringList names = QDir(folder(family)).entryList({ "*" + extension }, QDir::Files, QDir::Name);
    std::vector<std::string> out;
    for (const QString& name : names)
        out.push_back(name.chopped(extension.size()).toStdString());
    return out;
}

// A test name GoogleTest accepts.
inline std::string testName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

inline QString script(const char* family, const std::string& name, const QString& extension = QStringLiteral(".vorn"))
{
    return QString::fromUtf8(support::readAll(folder(family) + "/" + QString::fromStdString(name) + extension));
}

// The first "# KEY: value" line of a script, or `otherwise`.
inline QString directive(const QString& script, const QString& key, const QString& otherwise = {})
{
    const QString prefix = "# " + key + ":";
    for (const QString& line : script.split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    return otherwise;
}

// Compares with NAME.expected, or rewrites it.
inline void expectMatches(const char* family, const std::string& name, const QString& actual)
{
    const QString path = folder(family) + "/" + QString::fromStdString(name) + ".expected";
    if (qEnvironmentVariableIntValue("VORN_UPDATE_GOLDEN") == 1) {
        support::writeFile(path, actual.toUtf8());
        return;
    }
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString() << " is missing; VORN_UPDATE_GOLDEN=1 writes it";
    EXPECT_EQ(actual.toStdString(), support::readAll(path).toStdString()) << "golden file " << path.toStdString();
}

} // namespace golden
