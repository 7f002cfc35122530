#pragma once

#include "core/document.h"
#include "merge/generateditems.h"
#include "merge/mergerun.h"
#include "prototypes/prototypeside.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "support/testdata.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace quillory::test {

inline QDateTime fixedNow()
{
    return QDateTime(QDate(2024, 5, 17), QTime(8, 30, 15));
}

inline QJsonValue mergeData(const QString& relative)
{
    const QJsonDocument json = QJsonDocument::fromJson(readFile(testDataPath("merge/" + relative)));
    if (json.isNull())
        qFatal("unreadable test data %s", qPrintable(relative));
    return json.isArray() ? QJsonValue(json.array()) : QJsonValue(json.object());
}

// A document from a case object: "fields", "records" ([counter, values…]) and "prototypes"
// ({path, folder, multi, text, head, separator, foot}).
inline void buildDocument(Document& doc, const QJsonObject& c)
{
    doc.setClock(fixedNow);
    addFields(doc, c["fields"].toVariant().toStringList());
    for (const QJsonValue& r : c["records"].toArray())
        addRecord(doc, r[0].toInteger(), r.toVariant().toStringList().mid(1));
    for (const QJsonValue& v : c["prototypes"].toArray()) {
        const PrototypePtr p = newPrototype(v["multi"].toBool() ? PrototypeSide::OnePerRecord
                                                                : PrototypeSide::AllInOne);
        p->path = v["path"].toString();
        p->isFolder = v["folder"].toBool();
        p->head = v["head"].toString();
        p->text = v["text"].toString();
        p->separator = v["separator"].toString();
        p->foot = v["foot"].toString();
        doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), p);
    }
}

// Ann (1) and Bob (2); a One per Record folder <Name> and file <Name>/card.txt, and an All in
// One file list.txt.
inline void buildWorkedExample(Document& doc)
{
    buildDocument(doc, mergeData("runs/worked-example.json").toObject());
}

// Records 1 to count named r1, r2… unless renamed, under the field Name, with the prototypes of
// a JSON array in the case spelling.
inline void buildCards(Document& doc, int count, const char* prototypes,
                       const QHash<int, QString>& renamed = {})
{
    QJsonArray records;
    for (int i = 1; i <= count; ++i)
        records.append(QJsonArray{i, renamed.value(i, QStringLiteral("r%1").arg(i))});
    buildDocument(doc, {{"fields", QJsonArray{"Name"}},
                        {"records", records},
                        {"prototypes", QJsonDocument::fromJson(prototypes).array()}});
}

// Puts the entries of a tree object under root: "path/" a folder, "path@" a symbolic link to
// the root-relative target, otherwise a file holding the value.
inline bool makeTree(const QString& root, const QJsonObject& entries)
{
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        QString path = root + "/" + it.key();
        bool made = true;
        if (path.endsWith('/'))
            made = QDir().mkpath(path);
        else if (path.endsWith('@')) {
            path.chop(1);
            made = QDir().mkpath(QFileInfo(path).path()) &&
                   QFile::link(root + "/" + it.value().toString(), path);
        } else
            made = writeFile(path, it.value().toString().toUtf8());
        if (!made)
            return false;
    }
    return true;
}

// Every entry under root (hidden ones too) as "path: content" in the spelling of makeTree.
inline QStringList treeLines(const QString& root)
{
    QStringList out;
    const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QStringList pending{root};
    while (!pending.isEmpty()) {
        for (const QFileInfo& e : QDir(pending.takeFirst()).entryInfoList(filters)) {
            const QString path = e.filePath().mid(root.size() + 1);
            if (e.isSymLink()) {
                out << path + "@: " + e.symLinkTarget().mid(root.size() + 1);
            } else if (e.isDir()) {
                out << path + "/: ";
                pending << e.filePath();
            } else {
                out << path + ": " + QString::fromUtf8(readFile(e.filePath()));
            }
        }
    }
    out.sort();
    return out;
}

inline QStringList treeLines(const QJsonObject& entries)
{
    QStringList out;
    for (auto it = entries.begin(); it != entries.end(); ++it)
        out << it.key() + ": " + it.value().toString();
    out.sort();
    return out;
}

inline QList<qint64> totalsList(const RunTotals& t)
{
    return {t.foldersCreated, t.filesCreated, t.filesSkipped, t.errors};
}

} // namespace quillory::test
