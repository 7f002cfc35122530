#pragma once

#include "core/document.h"
#include "merge/mergerun.h"
#include "merge/posixfilesystem.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace quillory::test {

inline QDateTime fixedNow()
{
    return QDateTime(QDate(2024, 5, 17), QTime(8, 30, 15));
}

// A loaded document with a fixed clock and the given user fields.
inline void setUpDocument(Document& doc, const QStringList& fields)
{
    doc.setClock(fixedNow);
    doc.prepareOpened();
    for (const QString& name : fields) {
        doc.insertField();
        doc.renameKey(int(doc.keyArray().size()) - 1, name);
    }
}

inline Record addRecord(Document& doc, qint64 counter, const QStringList& values)
{
    Record r = doc.newRecord();
    r->set(kCounterKey, Value::integer(counter));
    for (int i = 0; i < values.size(); ++i)
        r->set(doc.keyArray()[kFirstUserKeyIndex + i].innerKey, Value::string(values[i]));
    doc.dataArray().push_back(r);
    doc.recalcLargestCounter();
    return r;
}

inline void addPrototype(Document& doc, const QString& path, bool isFolder, bool isMulti,
                         const QString& text = {}, const QString& head = {},
                         const QString& separator = {}, const QString& foot = {})
{
    auto p = std::make_shared<Prototype>();
    p->path = path;
    p->isFolder = isFolder;
    p->isMulti = isMulti;
    p->text = text;
    p->head = head;
    p->separator = separator;
    p->foot = foot;
    doc.universalFilePrototypeArray().push_back(p);
}

inline void addItem(Document& doc, const QString& path, bool isFolder, bool isMulti, qint64 pos)
{
    doc.generatedItems().push_back({path, isFolder, isMulti, pos});
}

// Records Ann (1) and Bob (2); a One per Record folder <Name>, a One per Record file
// <Name>/card.txt and an All in One file list.txt, with their generated items.
inline void buildWorkedExample(Document& doc)
{
    setUpDocument(doc, {"Name"});
    addRecord(doc, 1, {"Ann"});
    addRecord(doc, 2, {"Bob"});
    addPrototype(doc, "<Name>", true, true);
    addPrototype(doc, "<Name>/card.txt", false, true, "Hello <Name>, n. <#>");
    addPrototype(doc, "list.txt", false, false, "<Name>", "List: ", ", ", ".");
    addItem(doc, "<Name>/", true, true, 0);
    addItem(doc, "<Name>/card.txt", false, true, 1);
    addItem(doc, "list.txt", false, false, 2);
}

struct RunOutput
{
    QStringList pieces;
    std::optional<RunTotals> totals;
};

inline RunOutput runInto(const Document& doc, const QString& destination, FileSystem& fs)
{
    RunOutput out;
    MergeRun run(RunSnapshot::take(doc, destination), fs);
    run.setLogSink([&out](const QString& piece) { out.pieces << piece; });
    out.totals = run.execute();
    return out;
}

inline RunOutput runInto(const Document& doc, const QString& destination)
{
    PosixFileSystem fs;
    return runInto(doc, destination, fs);
}

inline QString rule()
{
    return QLatin1Char('\n') + QString(60, QLatin1Char('-'));
}

// The pieces every run starts and ends with, around body.
inline QStringList framed(const QString& destination, const QStringList& body, qint64 folders,
                          qint64 files)
{
    QStringList all{QStringLiteral("\nStart merging data and save folders inside : ") + destination,
                    rule()};
    all << body << rule()
        << QStringLiteral("\nTotally created %1 folders and %2 files.").arg(folders).arg(files)
        << rule();
    return all;
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every entry under dir, hidden ones included, as paths relative to it; folders end in
// "/", symbolic links in "@".
inline QStringList tree(const QString& dir)
{
    QStringList out;
    const QDir root(dir);
    const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QStringList pending{dir};
    while (!pending.isEmpty()) {
        const QString current = pending.takeFirst();
        const QFileInfoList entries = QDir(current).entryInfoList(filters, QDir::Name);
        for (const QFileInfo& e : entries) {
            const char* mark = e.isSymLink() ? "@" : e.isDir() ? "/" : "";
            out << root.relativeFilePath(e.filePath()) + mark;
            if (e.isDir() && !e.isSymLink())
                pending << e.filePath();
        }
    }
    out.sort();
    return out;
}

} // namespace quillory::test
