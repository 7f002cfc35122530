#pragma once

#include "merge/runlog.h"

#include <QColor>
#include <QPlainTextEdit>

class QSyntaxHighlighter;

namespace quillory {

// The read-only view of a window's run log, with error lines in red and skipped ones in amber.
// A run's pieces are added at the end without laying out again what is already shown; any
// other change of the log shows it afresh. It can show only the skipped and failed lines of a
// run instead, until it is asked for the whole log again.
class LogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit LogView(QWidget* parent = nullptr);

    // Adds text at the end and scrolls to it.
    void append(const QString& text);
    // Shows log when it is not what the view holds; the log only changes as a whole (cleared,
    // put back) or by appends made through append, so its length tells. A change shows the
    // whole log again.
    void follow(const QString& log);

    // Shows only the skipped and failed lines of log from partStart on (what one run logged).
    void showOnlyProblems(const QString& log, qsizetype partStart);
    // Shows the whole log again.
    void showAll(const QString& log);
    bool showsOnlyProblems() const { return m_problemsOnly; }

    // The colour of the lines of a kind; invalid for lines in the text's own colour.
    QColor colourOf(RunLog::LineKind kind) const;

protected:
    // A switch between a light and a dark palette colours the lines again.
    void changeEvent(QEvent* event) override;

private:
    void showText(const QString& text);

    QSyntaxHighlighter* m_highlighter = nullptr;
    qsizetype m_length = 0;
    bool m_problemsOnly = false;
};

} // namespace quillory
