#pragma once
// General services of the core library: files, numbers, text splitting, folders, dialogs.

#include <vorn/Object.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

namespace vorn {

// Messages, input boxes and file choosers. The Qt implementation comes with the editor;
// without one every dialog counts as cancelled.
class DialogService {
public:
    virtual ~DialogService() = default;
    virtual void message(const QString& text, const QString& title) = 0;
    // std::nullopt when the user cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& title, const QString& proposal) = 0;
    // The chosen path, or std::nullopt when cancelled.
    virtual std::optional<QString> chooseFile(const QString& title, const QString& startPath) = 0;
};

class CoreServices {
public:
    // The calling thread's services.
    static CoreServices& instance();

    // File service.
    bool fileExists(const QString& path) const;
    // A whole text file as one text: UTF-8 with or without BOM, UTF-16 with BOM; bytes that are
    // not valid UTF-8 are read as Latin-1. The password and flag are accepted and unused.
    // Raises Error when the file cannot be read.
    // With isText, also tells whether the bytes are text at all: False for a NUL byte or for
    // UTF-16 that does not decode (a program refuses such a file instead of reading noise).
    QString readTextFile(const QString& path, const QString& password = QString(), bool flag = true,
                         bool* isText = nullptr) const;
    static QString decodeText(const QByteArray& bytes, bool* isText = nullptr);

    // Number reader: the whole text must be a decimal number; anything else reads as 0 with
    // *isNumber False. "12abc" and "0x10" are not numbers.
    static double readNumber(QStringView text, bool* isNumber = nullptr);

    // Text splitting: the text before the first separator and the text after it (which may
    // hold further separators). Without a separator the whole text is the first part.
    static std::pair<QString, QString> splitFirst(const QString& text, const QString& separator);

    // Folder service: the settings folder of a product key, with its trailing separator
    // ($XDG_CONFIG_HOME/<key in lower case>/, else ~/.config/<key in lower case>/).
    static QString settingsFolder(const QString& key);

    // Dialog service of this thread.
    DialogService& dialogs();
    void setDialogs(std::shared_ptr<DialogService> service) { m_dialogs = std::move(service); }

private:
    CoreServices() = default;
    std::shared_ptr<DialogService> m_dialogs;
};

} // namespace vorn
