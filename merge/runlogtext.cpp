#include "merge/runlogtext.h"

namespace quillory {

void RunLogText::append(const QString& piece)
{
    m_text += piece;
    emit changed();
}

void RunLogText::setText(const QString& text)
{
    m_text = text;
    emit changed();
}

} // namespace quillory
