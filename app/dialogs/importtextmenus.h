#pragma once

#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"

#include <QString>

class QComboBox;

namespace quillory {

// The items of the import's format and encoding menus, in order: a menu's position is an index
// into them. The titles are what the user sees; the values are the codes remembered per
// document.
namespace ImportTextMenus {

// Adds the format items, or the encoding items, to menu.
void addFormatItems(QComboBox* menu);
void addEncodingItems(QComboBox* menu);
// What the item at index chooses; Automatic for no item.
ImportSession::FileFormat formatAt(int index);
TextEncoding encodingAt(int index);
// The position of the item that chooses format or encoding.
int indexOf(ImportSession::FileFormat format);
int indexOf(TextEncoding encoding);
// The encoding menu's title for encoding.
QString encodingTitle(TextEncoding encoding);

} // namespace ImportTextMenus

} // namespace quillory
