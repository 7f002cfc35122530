#include "app/dialogs/importtextmenus.h"

#include <QComboBox>
#include <QCoreApplication>

#include <array>
#include <utility>

namespace quillory::ImportTextMenus {

namespace {

const std::array<std::pair<const char*, ImportSession::FileFormat>, 4> kFormatItems{{
    {QT_TRANSLATE_NOOP("ImportTextMenus", "Automatic"), ImportSession::FileFormat::Automatic},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "Tab-separated"), ImportSession::FileFormat::Tab},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "Comma-separated"), ImportSession::FileFormat::Comma},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "Semicolon-separated"),
     ImportSession::FileFormat::Semicolon},
}};

const std::array<std::pair<const char*, TextEncoding>, 13> kEncodingItems{{
    {QT_TRANSLATE_NOOP("ImportTextMenus", "Automatic"), TextEncoding::Automatic},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "UTF-8"), TextEncoding::Utf8},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "UTF-16"), TextEncoding::Utf16},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "UTF-16 Big Endian"), TextEncoding::Utf16BigEndian},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "UTF-16 Little Endian"), TextEncoding::Utf16LittleEndian},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "UTF-32"), TextEncoding::Utf32},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "UTF-32 Big Endian"), TextEncoding::Utf32BigEndian},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "UTF-32 Little Endian"), TextEncoding::Utf32LittleEndian},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "Windows-1252"), TextEncoding::Windows1252},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "ISO-8859-1"), TextEncoding::Iso88591},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "ISO-8859-15"), TextEncoding::Iso885915},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "Mac OS Roman"), TextEncoding::MacOSRoman},
    {QT_TRANSLATE_NOOP("ImportTextMenus", "ASCII"), TextEncoding::Ascii},
}};

QString translated(const char* title)
{
    return QCoreApplication::translate("ImportTextMenus", title);
}

template <typename Items> void addItems(QComboBox* menu, const Items& items)
{
    for (const auto& item : items)
        menu->addItem(translated(item.first));
}

template <typename Items> auto valueAt(const Items& items, int index)
{
    return index >= 0 && size_t(index) < items.size() ? items[size_t(index)].second
                                                      : items.front().second;
}

template <typename Items, typename Value> int indexIn(const Items& items, Value value)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].second == value)
            return int(i);
    return -1;
}

} // namespace

void addFormatItems(QComboBox* menu)
{
    addItems(menu, kFormatItems);
}

void addEncodingItems(QComboBox* menu)
{
    addItems(menu, kEncodingItems);
}

ImportSession::FileFormat formatAt(int index)
{
    return valueAt(kFormatItems, index);
}

TextEncoding encodingAt(int index)
{
    return valueAt(kEncodingItems, index);
}

int indexOf(ImportSession::FileFormat format)
{
    return indexIn(kFormatItems, format);
}

int indexOf(TextEncoding encoding)
{
    return indexIn(kEncodingItems, encoding);
}

QString encodingTitle(TextEncoding encoding)
{
    const int index = indexOf(encoding);
    return index < 0 ? QString() : translated(kEncodingItems[size_t(index)].first);
}

} // namespace quillory::ImportTextMenus
