#pragma once

#include "exchange/textfiledecoder.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quillory {

// Refuses a file chosen for import from its bytes, before they are decoded: more bytes than an
// import can hold, or NUL bytes in what is not UTF-16 or UTF-32 text (a binary file, a sparse
// file, /dev/zero). Fed the file's bytes part by part as they are read, so that such a file
// is refused at its first part rather than after it has filled the memory.
class ImportFileCheck
{
public:
    // Above this a file's text and rows would not fit in the memory of most machines.
    static constexpr qint64 kMaxBytes = qint64(1) << 30;

    // shownFile names the file in the messages.
    ImportFileCheck(TextEncoding encoding, QString shownFile);

    // The next part of the file's bytes; a message once the file can't be imported.
    std::optional<QString> feed(QByteArrayView part);
    // After the last part: a file too short to be told by its first bytes is looked at now.
    std::optional<QString> finish();

    // A whole file's bytes at once.
    static std::optional<QString> problem(QByteArrayView bytes, TextEncoding encoding,
                                          const QString& shownFile);

    // The same for the file at path, looked at where it lies (mapped, never held whole); a
    // file that cannot be mapped (a pipe) is left to the reading.
    static std::optional<QString> problemWithFile(const QString& path, TextEncoding encoding,
                                                  const QString& shownFile);

private:
    bool wideText() const;
    QString nulBytesMessage() const;
    QString tooLargeMessage() const;

    TextEncoding m_encoding;
    QString m_shownFile;
    qint64 m_seen = 0;
    // The first bytes, until a byte-order mark can be told from their absence.
    QByteArray m_head;
};

} // namespace quillory
