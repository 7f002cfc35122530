#include "app/widgets/tagmenu.h"

#include "prototypes/tagchoices.h"
#include "templates/standardtags.h"

#include <QAction>
#include <QMenu>

namespace quillory {

namespace {

// The item names the tag and says what it gives; the tag alone is what gets inserted.
void addTag(QMenu* menu, const QString& tag)
{
    QString shown = tag;
    const QStringView meaning = StandardTags::meaningOf(tag);
    if (!meaning.isEmpty())
        shown += u' ' + meaning.toString();
    // A field named "R&D" would otherwise lose its "&" to a mnemonic.
    QAction* action = menu->addAction(shown.replace(u'&', QStringLiteral("&&")));
    action->setData(tag);
}

} // namespace

void fillTagMenu(QMenu* menu, const Document& doc, bool withRecordTags)
{
    menu->clear();
    for (const QString& tag : TagChoices::dateAndTime())
        addTag(menu, tag);
    if (!withRecordTags)
        return;
    menu->addSeparator();
    for (const QString& tag : TagChoices::ofRecord(doc))
        addTag(menu, tag);
}

QString tagOfItem(const QAction* action)
{
    return action->data().toString();
}

} // namespace quillory
