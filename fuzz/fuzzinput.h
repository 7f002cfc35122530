#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace quillory::fuzz {

// Cuts a fuzzer's input into the pieces a target needs: single bytes for choices and texts
// ended by a NUL byte (the rest of the input for the last one). Running out gives zeros and
// empty texts, so every input is usable.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size)
        : m_data(reinterpret_cast<const char*>(data)), m_size(qsizetype(size))
    {}

    bool atEnd() const { return m_pos >= m_size; }
    quint8 byte() { return atEnd() ? 0 : quint8(m_data[m_pos++]); }
    qint64 integer()
    {
        quint64 n = 0;
        for (int i = 0; i < 8; ++i)
            n = (n << 8) | byte();
        return qint64(n);
    }
    QByteArray bytes()
    {
        qsizetype end = m_pos;
        while (end < m_size && m_data[end] != '\0')
            ++end;
        const QByteArray piece(m_data + m_pos, end - m_pos);
        m_pos = end + 1;
        return piece;
    }
    QString text() { return QString::fromUtf8(bytes()); }
    QByteArray rest()
    {
        const QByteArray piece =
            atEnd() ? QByteArray() : QByteArray(m_data + m_pos, m_size - m_pos);
        m_pos = m_size;
        return piece;
    }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace quillory::fuzz
