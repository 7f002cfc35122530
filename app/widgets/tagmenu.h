#pragma once

#include <QString>

class QAction;
class QMenu;

namespace quillory {

class Document;

// Fills a tag menu: the date and time tags, then, for templates filled once per record, the
// counter and the fields. Each item names its tag and, for all but the fields, what it gives.
void fillTagMenu(QMenu* menu, const Document& doc, bool withRecordTags);

// The tag a tag menu's item inserts.
QString tagOfItem(const QAction* action);

} // namespace quillory
