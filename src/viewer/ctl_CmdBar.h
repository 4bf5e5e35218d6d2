#pragma once
// A bar of command buttons along the bottom of a dialog; each button reports its key.

#include <QWidget>

class QHBoxLayout;
class QPushButton;

namespace vorn {

class ctl_CmdBar : public QWidget {
    Q_OBJECT
public:
    // The standard buttons every bar has; keys "OK", "CANCEL", "APPLY" and "HELP".
    explicit ctl_CmdBar(QWidget* parent = nullptr);

    // A further button; an existing key is replaced.
    QPushButton* addButton(const QString& key, const QString& caption);
    // The button with that key (case ignored), none for an unknown key.
    QPushButton* button(const QString& key) const;
    void setButtonVisible(const QString& key, bool visible);
    // Hides every button but the one named.
    void showOnly(const QString& key);

Q_SIGNALS:
    void buttonClicked(const QString& key);

private:
    QHBoxLayout* m_row;
};

} // namespace vorn
