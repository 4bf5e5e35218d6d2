#pragma once
// Step tabs: a row of selectable steps, each showing one page container of the window.

#include <QWidget>

#include <vector>

class QButtonGroup;
class QHBoxLayout;
class QLabel;
class QToolButton;

namespace vorn {

class ctl_StepTabs : public QWidget {
    Q_OBJECT
public:
    struct Step {
        QString key;
        QString page; // object name of the page container in the same window
        QString caption;
        QString description;
        QString icon;     // relative icon path
        QString extra[4]; // kept for the caller, not shown
        bool enabled = true;
        bool visible = true;
    };

    explicit ctl_StepTabs(QWidget* parent = nullptr);

    // Adds a step; it appears with the next refresh.
    void addStep(const QString& key, const QString& page, const QString& caption, const QString& description,
                 const QString& icon, const QString& extra1 = {}, const QString& extra2 = {},
                 const QString& extra3 = {}, const QString& extra4 = {}, bool enabled = true, bool visible = true);
    int stepCount() const noexcept { return int(m_steps.size()); }
    // Positions from 1; an invalid position gives an empty step.
    Step step(int index) const;

    // Rebuilds the tabs from the steps and shows the selected step's page only.
    void refresh();
    // Selects the step at the position (from 1) and shows its page; other positions are ignored.
    void selectStep(int index);
    // 0 while no step is selected.
    int selectedStep() const noexcept { return m_selected; }

Q_SIGNALS:
    void stepSelected(int index);

private:
    QWidget* pageOf(const Step& s) const;
    void showSelectedPage();

    std::vector<Step> m_steps;
    std::vector<QToolButton*> m_buttons;
    QButtonGroup* m_group;
    QHBoxLayout* m_row;
    QLabel* m_description;
    int m_selected = 0;
};

} // namespace vorn
