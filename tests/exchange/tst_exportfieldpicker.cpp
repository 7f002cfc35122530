#include "casefile.h"
#include "core/document.h"
#include "exchange/exportfieldpicker.h"
#include "exchange/exportwriter.h"
#include "support/documentbuilder.h"

#include <map>

using namespace quillory;

using Indices = std::set<int>;

namespace {

// The fields' one-letter names in list order.
QString letters(const std::vector<FieldKey>& keys)
{
    QString out;
    for (const FieldKey& k : keys)
        out += k.publicKey;
    return out;
}

Indices indices(const QJsonValue& list)
{
    Indices out;
    for (const QJsonValue& v : list.toArray())
        out.insert(v.toInt());
    return out;
}

} // namespace

class TestExportFieldPicker : public QObject
{
    Q_OBJECT

private slots:
    // Rows [name, fields moved right first (indices into A B C D on the left), left selection,
    // right selection, command, left list after, right list after, left and right selections
    // after].
    void commands_data() { addCaseRows(QStringLiteral("picker.json")); }
    void commands()
    {
        QFETCH(QJsonArray, row);
        std::vector<FieldKey> keys;
        for (const QString name : {"A", "B", "C", "D"})
            keys.push_back({QString::number(keys.size() + 3), name});
        ExportFieldPicker picker(keys);
        picker.setLeftSelection(indices(row[1]));
        picker.addSelectedToRight();
        picker.setLeftSelection(indices(row[2]));
        picker.setRightSelection(indices(row[3]));
        const std::map<QString, void (ExportFieldPicker::*)()> commands{
            {"add", &ExportFieldPicker::addSelectedToRight},
            {"addAll", &ExportFieldPicker::addAllToRight},
            {"remove", &ExportFieldPicker::removeSelectedFromRight},
            {"removeAll", &ExportFieldPicker::removeAllFromRight},
            {"up", &ExportFieldPicker::moveUp},
            {"down", &ExportFieldPicker::moveDown}};
        (picker.*commands.at(row[4].toString()))();
        QCOMPARE(letters(picker.leftKeyArray()), row[5].toString());
        QCOMPARE(letters(picker.rightKeyArray()), row[6].toString());
        QCOMPARE(picker.leftSelection(), indices(row[7]));
        QCOMPARE(picker.rightSelection(), indices(row[8]));
    }

    void aDocumentOffersItsFieldsAndExportsEveryRecord()
    {
        Document doc;
        test::fillDocument(doc, {"Name", "City"},
                           {{"Ann", "Rome"}, {"Bob", "Oslo"}, {"Cy", "Nice"}});
        doc.setRecordValue(doc.dataArray()[1], kCheckedKey, Value::boolean(true)); // kept too
        ExportFieldPicker picker = ExportFieldPicker::forDocument(doc);
        QCOMPARE(letters(picker.leftKeyArray()), QStringLiteral("NameCity"));
        QVERIFY(picker.rightKeyArray().empty());
        picker.addAllToRight();
        ExportWriter writer = ExportWriter::forDocument(doc);
        QCOMPARE(writer.suggestedFileName, QStringLiteral("Export"));
        writer.setFields(picker.rightKeyArray());
        writer.useFieldNamesAsFirstRow = true;
        QCOMPARE(writer.composeExport(),
                 QStringLiteral("Name\tCity\nAnn\tRome\nBob\tOslo\nCy\tNice"));
    }
};

QTEST_APPLESS_MAIN(TestExportFieldPicker)
#include "tst_exportfieldpicker.moc"
