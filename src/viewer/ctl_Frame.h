#pragma once
// A captioned frame with an icon that holds other controls.

#include <QFrame>

class QLabel;
class QVBoxLayout;

namespace vorn {

class ctl_Frame : public QFrame {
    Q_OBJECT
public:
    explicit ctl_Frame(QWidget* parent = nullptr);

    QString caption() const;
    void setCaption(const QString& caption);
    // A relative icon path; a path that resolves to nothing shows no icon.
    void setIcon(const QString& relativePath);
    // The controls inside the frame are added here.
    QVBoxLayout* contentLayout() const noexcept { return m_content; }

private:
    QLabel* m_icon;
    QLabel* m_caption;
    QVBoxLayout* m_content;
};

} // namespace vorn
