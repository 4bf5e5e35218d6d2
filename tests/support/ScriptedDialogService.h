#pragma once
// A dialog service for tests and fuzzing: answers from a prepared script, records what was shown.

#include <vorn/CoreServices.h>

#include <optional>
#include <vector>

namespace vorn {

// Answers dialogs from a prepared script and records what was shown.
class ScriptedDialogService final : public DialogService {
public:
    struct Shown {
        QString kind;  // "message", "input" or "file"
        QString text;  // the message, the prompt or the file chooser's title
        QString title; // the title, the proposal (input) or the start path (file)
    };

    void message(const QString& text, const QString& title) override
    {
        m_shown.push_back({ QStringLiteral("message"), text, title });
    }
    std::optional<QString> input(const QString& prompt, const QString&, const QString& proposal) override
    {
        m_shown.push_back({ QStringLiteral("input"), prompt, proposal });
        return nextAnswer();
    }
    std::optional<QString> chooseFile(const QString& title, const QString& startPath) override
    {
        m_shown.push_back({ QStringLiteral("file"), title, startPath });
        return nextAnswer();
    }

    // Answers for the next input boxes and file choosers, in order; std::nullopt cancels.
    // When no answer is queued the dialog counts as cancelled.
    void queueAnswer(std::optional<QString> answer) { m_answers.push_back(std::move(answer)); }
    const std::vector<Shown>& shown() const noexcept { return m_shown; }
    void clear()
    {
        m_shown.clear();
        m_answers.clear();
    }

private:
    std::optional<QString> nextAnswer()
    {
        if (m_answers.empty())
            return std::nullopt;
        const bool given = m_answers.front().has_value();
        const QString text = given ? *m_answers.front() : QString();
        m_answers.erase(m_answers.begin());
        return given ? std::optional<QString>(text) : std::nullopt;
    }

    std::vector<Shown> m_shown;
    std::vector<std::optional<QString>> m_answers;
};

} // namespace vorn
