#pragma once
// The header of a dialog: icon, title, a line of text and the help, feedback and close buttons.

#include <QWidget>

class QLabel;
class QToolButton;

namespace vorn {

class ctl_Title : public QWidget {
    Q_OBJECT
public:
    explicit ctl_Title(QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    QString text() const;
    void setText(const QString& text);
    // A relative icon path (32 pixels); a path that resolves to nothing shows no icon.
    void setIcon(const QString& relativePath);
    void setHelpVisible(bool visible);
    void setFeedbackVisible(bool visible);
    void setCloseVisible(bool visible);

Q_SIGNALS:
    void helpClicked();
    void feedbackClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_text;
    QToolButton* m_help;
    QToolButton* m_feedback;
    QToolButton* m_close;
};

} // namespace vorn
