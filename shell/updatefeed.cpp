#include "shell/updatefeed.h"

#include "archive/binaryplistreader.h"

#include <QXmlStreamReader>

namespace quillory {

namespace {

// Only web addresses count: a feed must not make us open a local file or run a scheme handler.
QUrl webUrl(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return QUrl();
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("https") || scheme == QLatin1String("http") ? url : QUrl();
}

void setEntry(UpdateFeed& feed, const QString& key, const std::optional<qint64>& integer,
              const std::optional<QString>& string)
{
    if (key == QLatin1String("LRA"))
        feed.latestRelease = integer;
    else if (key == QLatin1String("GFU") && string)
        feed.updateUrl = webUrl(*string);
    else if (key == QLatin1String("DPU") && string)
        feed.downloadPage = webUrl(*string);
}

std::optional<UpdateFeed> parseBinary(const QByteArray& data)
{
    BinaryPlistReader reader;
    BinaryPlistReader::Object root;
    if (!reader.open(data) || !reader.object(reader.topObject(), root) ||
        root.kind != BinaryPlistReader::Kind::Dict)
        return std::nullopt;
    UpdateFeed feed;
    for (quint64 i = 0; i < root.count; ++i) {
        quint64 keyRef = 0;
        quint64 valueRef = 0;
        BinaryPlistReader::Object key;
        BinaryPlistReader::Object value;
        if (!reader.reference(root, i, keyRef) ||
            !reader.reference(root, root.count + i, valueRef) || !reader.object(keyRef, key) ||
            !reader.object(valueRef, value))
            return std::nullopt;
        if (key.kind != BinaryPlistReader::Kind::AsciiString &&
            key.kind != BinaryPlistReader::Kind::Utf16String)
            continue;
        std::optional<qint64> integer;
        std::optional<QString> string;
        if (value.kind == BinaryPlistReader::Kind::Integer) {
            const BinaryPlistReader::Integer n = reader.integer(value);
            // 16-byte integers beyond the 64-bit range are no release number.
            if (value.width < 16 || n.high == 0 || n.high == ~quint64(0))
                integer = qint64(n.low);
        } else if (value.kind == BinaryPlistReader::Kind::AsciiString ||
                   value.kind == BinaryPlistReader::Kind::Utf16String) {
            string = reader.string(value);
        }
        setEntry(feed, reader.string(key), integer, string);
    }
    return feed;
}

std::optional<UpdateFeed> parseXml(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("plist"))
        return std::nullopt;
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("dict"))
        return std::nullopt;
    UpdateFeed feed;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("key"))
            return std::nullopt;
        const QString key = xml.readElementText();
        if (xml.hasError() || !xml.readNextStartElement())
            return std::nullopt;
        std::optional<qint64> integer;
        std::optional<QString> string;
        if (xml.name() == QLatin1String("integer")) {
            bool ok = false;
            const qint64 n = xml.readElementText().trimmed().toLongLong(&ok);
            if (ok)
                integer = n;
        } else if (xml.name() == QLatin1String("string")) {
            string = xml.readElementText();
        } else {
            xml.skipCurrentElement();
        }
        if (xml.hasError())
            return std::nullopt;
        setEntry(feed, key, integer, string);
    }
    if (xml.hasError())
        return std::nullopt;
    return feed;
}

} // namespace

std::optional<UpdateFeed> UpdateFeed::parse(const QByteArray& data)
{
    if (data.size() > kMaxBytes)
        return std::nullopt;
    if (data.startsWith("bplist00"))
        return parseBinary(data);
    return parseXml(data);
}

} // namespace quillory
