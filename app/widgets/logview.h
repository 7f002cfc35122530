#pragma once

#include <QPlainTextEdit>

namespace quillory {

// The read-only view of a window's run log. A run's pieces are added at the end without
// laying out again what is already shown; any other change of the log shows it afresh.
class LogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit LogView(QWidget* parent = nullptr);

    // Adds text at the end and scrolls to it.
    void append(const QString& text);
    // Shows log when it is not what the view holds; the log only changes as a whole (cleared,
    // put back) or by appends made through append, so its length tells.
    void follow(const QString& log);

private:
    qsizetype m_length = 0;
};

} // namespace quillory
