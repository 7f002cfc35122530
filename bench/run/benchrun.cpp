// Builds the benchmark document in memory and runs its merge into DEST, or saves the document
// for quillory-cli to run. Usage: bench_run_merge DEST [RECORDS]
//                                 bench_run_merge --write-doc PATH [RECORDS]
#include "archive/documentcodec.h"
#include "commands/runcommands.h"
#include "commands/undostack.h"
#include "core/dict.h"
#include "core/document.h"
#include "merge/posixfilesystem.h"
#include "merge/runcommands.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace quillory;

namespace {

const char* const kCities[] = {"Amsterdam", "Berlin", "Cork",  "Dublin", "Evora",
                               "Florence",  "Ghent",  "Hanoi", "Izmir",  "Jaipur"};

const QString kCard = QStringLiteral(
    "Card <#>\nName: <Name>\nCity: <City>\nEmail: <Email>\nPhone: <Phone>\n\nDear <Name>,\n"
    "this card was made for you in <City>. We will write to <Email> or call <Phone> when your "
    "order is ready. Thank you for choosing us, <Name>, and see you soon in <City>.\n"
    "Reference: <Name>-<#>\n");

PrototypePtr prototype(const QString& path, bool isFolder, bool isMulti)
{
    auto p = std::make_shared<Prototype>();
    p->path = path;
    p->isFolder = isFolder;
    p->isMulti = isMulti;
    return p;
}

void buildDocument(Document& doc, qint64 records)
{
    const QStringList fields{"Name", "City", "Email", "Phone"};
    QStringList inner;
    for (const QString& name : fields) {
        inner << doc.unusedInnerKey();
        doc.insertField(int(doc.keyArray().size()), {inner.back(), name});
    }
    std::vector<Record> data;
    data.reserve(size_t(records));
    for (qint64 i = 1; i <= records; ++i) {
        MutableRecord r = PackedRecord::make();
        r->set(kCounterKey, Value::integer(i));
        r->set(kCheckedKey, Value::boolean(false));
        r->set(inner[0], Value::string(QStringLiteral("Person") + QString::number(i)));
        r->set(inner[1], Value::string(QString::fromLatin1(kCities[i % 10])));
        r->set(inner[2], Value::string(QStringLiteral("person") + QString::number(i) +
                                       QStringLiteral("@example.com")));
        r->set(inner[3], Value::string(QStringLiteral("+1-555-") +
                                       QString::number(i % 10000).rightJustified(4, '0')));
        data.push_back(std::move(r));
    }
    doc.appendRecords(std::move(data));
    doc.recalcLargestCounter();

    // Unfolded, these give the items "<Name>_<#>/", "<Name>_<#>/card.txt" and "list.txt".
    PrototypePtr card = prototype(QStringLiteral("<Name>_<#>/card.txt"), false, true);
    card->text = kCard;
    PrototypePtr list = prototype(QStringLiteral("list.txt"), false, false);
    list->head = QStringLiteral("#\tName\tCity\tEmail\n");
    list->text = QStringLiteral("<#>\t<Name>\t<City>\t<Email>");
    list->separator = QStringLiteral("\n");
    list->foot = QStringLiteral("\n");
    for (const PrototypePtr& p : {prototype(QStringLiteral("<Name>_<#>"), true, true), card, list})
        doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), p);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DEST [RECORDS]\n", argv[0]);
        return 2;
    }
    if (std::string_view(argv[1]) == "--write-doc" && argc > 2) {
        Document doc;
        buildDocument(doc, argc > 3 ? std::atoll(argv[3]) : 100000);
        const auto written = DocumentCodec::writeToFile(doc, QString::fromLocal8Bit(argv[2]));
        if (!written)
            std::fprintf(stderr, "%s\n", qPrintable(written.message()));
        return written ? 0 : 1;
    }
    const QString dest = QString::fromLocal8Bit(argv[1]);
    const qint64 records = argc > 2 ? std::atoll(argv[2]) : 100000;

    QElapsedTimer timer;
    timer.start();
    Document doc;
    buildDocument(doc, records);
    const qint64 built = timer.elapsed();
    UndoStack stack(doc);
    const Result<> chosen = commands::chooseDestination(stack, dest);
    if (!chosen) {
        std::fprintf(stderr, "%s\n", qPrintable(chosen.message()));
        return 1;
    }
    // The log is kept whole, as a window keeps it.
    QString log;
    PosixFileSystem fs;
    const Result<RunTotals> totals =
        RunCommands::run(doc, fs, [&log](const QString& piece) { log += piece; });
    if (!totals) {
        std::fprintf(stderr, "the run did not start: %s\n", qPrintable(totals.message()));
        return 1;
    }
    std::fprintf(stderr, "document %lld ms, run %lld ms, log %lld characters\n",
                 static_cast<long long>(built), static_cast<long long>(timer.elapsed() - built),
                 static_cast<long long>(log.size()));
    std::printf("created %lld\n",
                static_cast<long long>(totals->foldersCreated + totals->filesCreated));
    return 0;
}
