#pragma once

#include "exchange/exportwriter.h"
#include "exchange/importsession.h"
#include "support/caserows.h"

#include "support/scratchfolder.h"
#include "support/testdata.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <map>
#include <optional>

// The formats and encodings as the case rows name them (the command-line tool's names).
inline quillory::ImportSession::FileFormat fileFormatNamed(const QJsonValue& name)
{
    using F = quillory::ImportSession::FileFormat;
    static const std::map<QString, F> names{
        {"auto", F::Automatic}, {"tab", F::Tab}, {"comma", F::Comma}, {"semicolon", F::Semicolon}};
    const auto found = names.find(name.toString());
    if (found == names.end())
        qFatal("no format named %s", qPrintable(name.toString()));
    return found->second;
}

inline quillory::TextEncoding encodingNamed(const QJsonValue& name)
{
    using E = quillory::TextEncoding;
    static const std::map<QString, E> names{{"auto", E::Automatic},
                                            {"utf8", E::Utf8},
                                            {"utf16", E::Utf16},
                                            {"utf16be", E::Utf16BigEndian},
                                            {"utf16le", E::Utf16LittleEndian},
                                            {"utf32", E::Utf32},
                                            {"utf32be", E::Utf32BigEndian},
                                            {"utf32le", E::Utf32LittleEndian},
                                            {"macroman", E::MacOSRoman},
                                            {"ascii", E::Ascii},
                                            {"windows-1252", E::Windows1252},
                                            {"iso-8859-1", E::Iso88591},
                                            {"iso-8859-15", E::Iso885915}};
    const auto found = names.find(name.toString());
    if (found == names.end())
        qFatal("no encoding named %s", qPrintable(name.toString()));
    return found->second;
}

inline quillory::ExportFormat exportFormatNamed(const QJsonValue& name)
{
    const auto found = quillory::ExportLayout::formatNamed(name.toString());
    if (!found)
        qFatal("no export format named %s", qPrintable(name.toString()));
    return *found;
}

// The case rows of tests/data/exchange/<file>.
inline void addCaseRows(const QString& file)
{
    quillory::test::addCaseRows(QStringLiteral("exchange"), file);
}

// None shown as "(none)", so that a failed comparison prints both sides.
inline QString orNone(const std::optional<QString>& text)
{
    return text.value_or(QStringLiteral("(none)"));
}

using quillory::test::texts;

inline QList<QStringList> textRows(const QJsonValue& v)
{
    QList<QStringList> rows;
    for (const QJsonValue& row : v.toArray())
        rows << texts(row);
    return rows;
}

// Empty when the texts are equal; otherwise the first line where they differ.
inline QString firstDifference(const QString& actual, const QString& expected)
{
    const QStringList got = actual.split(u'\n'), want = expected.split(u'\n');
    qsizetype i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    if (actual == expected)
        return {};
    return QStringLiteral("line %1: got \"%2\", expected \"%3\"")
        .arg(i + 1)
        .arg(got.value(i, QStringLiteral("(no line)")), want.value(i, QStringLiteral("(no line)")));
}

// The rows the session parsed.
inline QList<QStringList> importedRows(const quillory::ImportSession& session)
{
    QList<QStringList> rows;
    for (qsizetype r = 0; r < session.numberOfImportRows(); ++r)
        rows << session.importRows().elements(r);
    return rows;
}

// A writer of the rows (null: no record; a null value: no entry) under fields named as given,
// with inner keys "3", "4"…
inline quillory::ExportWriter writerFor(quillory::ExportFormat format, const QStringList& names,
                                        const QJsonArray& rows)
{
    std::vector<quillory::FieldKey> fields;
    for (const QString& name : names)
        fields.push_back({QString::number(fields.size() + 3), name});
    std::vector<quillory::Record> records;
    for (const QJsonValue& row : rows) {
        quillory::MutableRecord r = row.isNull() ? nullptr : quillory::PackedRecord::make();
        for (size_t i = 0; r && i < fields.size(); ++i) {
            if (row[qsizetype(i)].isString())
                r->set(fields[i].innerKey, quillory::Value::string(row[qsizetype(i)].toString()));
        }
        records.push_back(std::move(r));
    }
    quillory::ExportWriter writer(std::move(records), fields);
    writer.fileFormatToSave = format;
    return writer;
}
