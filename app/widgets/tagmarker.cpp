#include "app/widgets/tagmarker.h"

#include "core/document.h"
#include "prototypes/unknowntags.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QToolTip>

namespace quillory {

// The template editor's marks, as layout formats of its document: they change no text and
// take no undo step.
class TagHighlighter : public QSyntaxHighlighter
{
public:
    TagHighlighter(QPlainTextEdit* edit, const QStringList& known)
        : QSyntaxHighlighter(edit->document()), m_edit(edit), m_known(known)
    {}
    void setKnown(const QStringList& known)
    {
        m_known = known;
        rehighlight();
    }

protected:
    void highlightBlock(const QString& text) override
    {
        for (const UnknownTags::Span& s : UnknownTags::spans(m_known, text))
            setFormat(int(s.start), int(s.length),
                      s.known ? TagMarker::knownFormat(m_edit) : TagMarker::unknownFormat());
    }

private:
    QPlainTextEdit* m_edit;
    QStringList m_known;
};

TagMarker::TagMarker(QWidget* edit, const Document& doc, bool withRecordTags)
    : QObject(edit), m_doc(doc), m_withRecordTags(withRecordTags),
      m_known(UnknownTags::knownTags(doc, withRecordTags))
{
    // Renamed, added or removed fields change which tags are known.
    connect(&doc, &Document::keysReset, this, &TagMarker::remark);
    for (auto signal : {&Document::keyInserted, &Document::keyRemoved, &Document::keyRenamed})
        connect(&doc, signal, this, &TagMarker::remark);
}

TagMarker::TagMarker(QLineEdit* edit, const Document& doc, bool withRecordTags)
    : TagMarker(static_cast<QWidget*>(edit), doc, withRecordTags)
{
    m_line = edit;
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, &TagMarker::markLine);
    markLine();
}

TagMarker::TagMarker(QPlainTextEdit* edit, const Document& doc, bool withRecordTags)
    : TagMarker(static_cast<QWidget*>(edit), doc, withRecordTags)
{
    m_text = edit;
    m_highlighter = new TagHighlighter(edit, m_known);
    edit->viewport()->installEventFilter(this);
}

QTextCharFormat TagMarker::knownFormat(const QWidget* edit)
{
    QTextCharFormat format;
    const QColor link = edit->palette().color(QPalette::Link);
    format.setForeground(link);
    QColor tint = link;
    tint.setAlpha(32);
    format.setBackground(tint);
    return format;
}

QTextCharFormat TagMarker::unknownFormat()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    format.setUnderlineColor(Qt::red);
    return format;
}

QString TagMarker::reason(const QString& tag) const
{
    if (!m_withRecordTags && UnknownTags::knownTags(m_doc).contains(tag))
        return tr("%1 stays as typed here: what is filled without a record takes only the date "
                  "and time tags.")
            .arg(tag);
    QString why = tr("%1 matches no field: a run writes it as typed.").arg(tag);
    if (const std::optional<QString> meant = UnknownTags::likelyMeant(m_known, tag))
        why += u' ' + tr("Did you mean %1?").arg(*meant);
    return why;
}

void TagMarker::remark()
{
    m_known = UnknownTags::knownTags(m_doc, m_withRecordTags);
    if (m_highlighter)
        m_highlighter->setKnown(m_known);
    else
        markLine();
}

void TagMarker::markLine()
{
    // A line edit shows the formats of an input method's event, placed from its cursor.
    const int cursor = m_line->cursorPosition();
    QList<QInputMethodEvent::Attribute> marks;
    for (const UnknownTags::Span& s : UnknownTags::spans(m_known, m_line->text()))
        marks.append({QInputMethodEvent::TextFormat, int(s.start) - cursor, int(s.length),
                      s.known ? knownFormat(m_line) : unknownFormat()});
    QInputMethodEvent event(QString(), marks);
    QCoreApplication::sendEvent(m_line, &event);
}

QString TagMarker::tooltipAt(const QString& text, qsizetype position) const
{
    for (const UnknownTags::Span& s : UnknownTags::spans(m_known, text))
        if (!s.known && position >= s.start && position <= s.start + s.length)
            return Qt::convertFromPlainText(reason(text.mid(s.start, s.length)));
    return {};
}

bool TagMarker::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    QString tip;
    if (m_line) {
        tip = tooltipAt(m_line->text(), m_line->cursorPositionAt(help->pos()));
    } else {
        const QTextCursor at = m_text->cursorForPosition(help->pos());
        tip = tooltipAt(at.block().text(), at.positionInBlock());
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
        return QObject::eventFilter(watched, event);
    }
    QToolTip::showText(help->globalPos(), tip, static_cast<QWidget*>(watched));
    return true;
}

} // namespace quillory
