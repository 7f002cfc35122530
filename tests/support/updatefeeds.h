#pragma once

#include "archive/binaryplistwriter.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

// Update feeds as the mirrors serve them, for the tests of the update check.
namespace quillory::test {

// A binary feed: a dictionary of string keys with integer or string values.
inline QByteArray binaryFeed(const QList<std::pair<QString, QVariant>>& entries)
{
    const quint64 n = quint64(entries.size());
    BinaryPlistWriter w(1 + 2 * n);
    w.beginDict(0, n);
    for (quint64 i = 0; i < 2 * n; ++i)
        w.appendReference(1 + i);
    for (quint64 i = 0; i < n; ++i) {
        const auto& [key, value] = entries[qsizetype(i)];
        w.writeString(1 + i, key);
        if (value.typeId() == QMetaType::LongLong)
            w.writeInteger(1 + n + i, value.toLongLong());
        else
            w.writeString(1 + n + i, value.toString());
    }
    if (!w.finish(0))
        qFatal("feed not written");
    return w.takeData();
}

// A binary feed announcing release latest, with both web addresses.
inline QByteArray releaseFeed(qint64 latest)
{
    return binaryFeed(
        {{"LRA", latest}, {"GFU", "https://example.org/get"}, {"DPU", "https://example.org/page"}});
}

inline QByteArray xmlFeed(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC "
           "\"-//Apple//DTD "
           "PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist "
           "version=\"1.0\"><dict>" +
           body + "</dict></plist>\n";
}

} // namespace quillory::test
