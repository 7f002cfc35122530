#pragma once

#include <QObject>
#include <QString>

namespace quillory {

// The run log a window shows: the pieces each run appends, in order. It is never saved, so
// appending to it or clearing it leaves the document as it is.
class RunLogText : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    const QString& text() const { return m_text; }
    void append(const QString& piece);
    void setText(const QString& text);

signals:
    void changed();

private:
    QString m_text;
};

} // namespace quillory
