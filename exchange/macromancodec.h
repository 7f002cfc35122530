#pragma once

#include <QByteArrayView>
#include <QString>

namespace quillory {

// Decodes the Mac OS Roman single-byte character set, which assigns a character to every byte.
class MacRomanCodec
{
public:
    static QString decode(QByteArrayView bytes);
    // The character of one byte.
    static char16_t toUnicode(unsigned char byte);
};

} // namespace quillory
