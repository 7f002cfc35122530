#include "app/widgets/tagmenu.h"

#include "prototypes/tagchoices.h"

#include <QMenu>

namespace quillory {

void fillTagMenu(QMenu* menu, const Document& doc, bool withRecordTags)
{
    menu->clear();
    for (const QString& tag : TagChoices::dateAndTime())
        menu->addAction(tag);
    if (!withRecordTags)
        return;
    menu->addSeparator();
    for (const QString& tag : TagChoices::ofRecord(doc))
        menu->addAction(tag);
}

} // namespace quillory
