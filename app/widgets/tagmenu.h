#pragma once

class QMenu;

namespace quillory {

class Document;

// Fills a tag menu: the date and time tags, then, for templates filled once per record, the
// counter and the fields.
void fillTagMenu(QMenu* menu, const Document& doc, bool withRecordTags);

} // namespace quillory
