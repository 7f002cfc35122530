#pragma once

#include <QObject>
#include <QString>
#include <QTextCharFormat>

class QLineEdit;
class QPlainTextEdit;
class QPoint;
class QWidget;

namespace quillory {

class Document;
class TagHighlighter;

// Marks the tags of a name field or a template editor as a run reads them: the tags it
// replaces are highlighted, the others underlined in red, with a tooltip that says why. The
// marks follow the text and the fields' names.
class TagMarker : public QObject
{
    Q_OBJECT
public:
    // withRecordTags: the text is filled from a record (a One per Record name, a text, a
    // separator), so the counter and the field tags are replaced in it too.
    TagMarker(QLineEdit* edit, const Document& doc, bool withRecordTags);
    TagMarker(QPlainTextEdit* edit, const Document& doc, bool withRecordTags);

    static QTextCharFormat knownFormat(const QWidget* edit);
    static QTextCharFormat unknownFormat();

    // Why a run writes tag as typed here.
    QString reason(const QString& tag) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TagMarker(QWidget* edit, const Document& doc, bool withRecordTags);
    // Marks the name field's text (the text editor's highlighter marks its own).
    void markLine();
    void remark();
    // The tooltip for the text at position (a cursor position) of text; empty when none.
    QString tooltipAt(const QString& text, qsizetype position) const;

    const Document& m_doc;
    bool m_withRecordTags;
    QStringList m_known;
    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_text = nullptr;
    TagHighlighter* m_highlighter = nullptr;
};

} // namespace quillory
