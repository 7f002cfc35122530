#include "exchange/importlinesplitter.h"
#include "exchange/importsession.h"

#include "core/array.h"
#include "support/scratchfolder.h"

#include <QFile>
#include <QTest>

using namespace quillory;

using Rows = QList<QStringList>;

namespace {

Rows rowsOf(const ImportSession& engine)
{
    Rows rows;
    for (qsizetype r = 0; r < engine.numberOfImportRows(); ++r)
        rows.append(engine.importRows().elements(r));
    return rows;
}

} // namespace

class TestImportParsing : public QObject
{
    Q_OBJECT

    test::ScratchFolder m_scratch;
    QString writeFile(const QString& name, const QByteArray& content)
    {
        return m_scratch.writeFile(name, content);
    }

private slots:
    void quotedSplitter_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("expected"); // empty list: none
        QTest::newRow("trailing comma") << "a,b," << QStringList{"a", "b", ""};
        QTest::newRow("leading comma") << ",a" << QStringList{"", "a"};
        QTest::newRow("quotes protect and go") << "\"x,y\",z" << QStringList{"x,y", "z"};
        QTest::newRow("doubled quotes stay")
            << "\"he said \"\"hi\"\"\"" << QStringList{"he said \"\"hi\"\""};
        QTest::newRow("quotes inside a field stay") << "a \"b,c\" d" << QStringList{"a \"b,c\" d"};
        QTest::newRow("quote never closed")
            << "\"open,never,closed" << QStringList{"\"open,never,closed"};
        QTest::newRow("spaces kept") << " a , b " << QStringList{" a ", " b "};
        QTest::newRow("space before quote keeps it") << " \"q\",r" << QStringList{" \"q\"", "r"};
        QTest::newRow("two quotes give empty") << "\"\",x" << QStringList{"", "x"};
        // A field of one quote alone keeps its quote: nothing is stripped from one character.
        QTest::newRow("lone quote field") << "a,\"" << QStringList{"a", "\""};
        QTest::newRow("tab is not blank") << "\t" << QStringList{"\t"};
        QTest::newRow("only separators") << ",," << QStringList{"", "", ""};
        QTest::newRow("semicolon is text") << "a;b" << QStringList{"a;b"};
        QTest::newRow("blank") << "   " << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void quotedSplitter()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, expected);
        const auto fields = ImportSession::splitCommaRow(line);
        QCOMPARE(fields.has_value(), !expected.isEmpty());
        if (fields)
            QCOMPARE(*fields, expected);

        // The semicolon splitter is the same with the separators swapped.
        QString swapped = line;
        for (QChar& c : swapped) {
            if (c == u',')
                c = u';';
            else if (c == u';')
                c = u',';
        }
        QStringList expectedSwapped = expected;
        for (QString& f : expectedSwapped) {
            for (QChar& c : f) {
                if (c == u',')
                    c = u';';
                else if (c == u';')
                    c = u',';
            }
        }
        const auto semicolonFields = ImportSession::splitSemicolonRow(swapped);
        QCOMPARE(semicolonFields.has_value(), !expected.isEmpty());
        if (semicolonFields)
            QCOMPARE(*semicolonFields, expectedSwapped);

        // The counting pass of the guess agrees with the splitters.
        const auto counts = ImportLineSplitter::countFields(line);
        QCOMPARE(counts.comma, fields ? qint64(fields->size()) : 0);
        QCOMPARE(ImportLineSplitter::countFields(swapped).semicolon,
                 semicolonFields ? qint64(semicolonFields->size()) : 0);
    }

    void guess_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("format");
        QTest::newRow("no separators: all ties, tab") << QString("x\n").repeated(10) << 1;
        QTest::newRow("comma") << "a,b,c\nd,e,f" << 2;
        QTest::newRow("semicolon") << "a;b;c\nd;e;f" << 3;
        QTest::newRow("tab") << "a\tb\tc\nd\te" << 1;
        QTest::newRow("comma ties semicolon") << QString("a,b,c;d;e\n").repeated(3) << 1;
        QTest::newRow("comma ties tab") << "a,b\tc" << 1;
        QTest::newRow("semicolon ties tab") << "a;b\tc" << 1;
        QTest::newRow("quoted commas in semicolon file") << "\"x,y,z\";1;2\n\"u,v,w\";3;4" << 3;
        QTest::newRow("more quoted commas than semicolons") << "\"x,y\",1;2;3" << 3;
        // Blank lines count 1 each for tab and nothing for the quoted formats.
        QTest::newRow("blank lines tip to tab") << "a,b\n\n\n" << 1;
        QTest::newRow("space lines tip to tab") << "a,b\n   \n  \n" << 1;
        QTest::newRow("blank lines not enough") << "a,b,c,d\n\n" << 2;
        // The empty line after the last line end counts 1 for tab, so this ties.
        QTest::newRow("one two-field line with line end") << "a,b\n" << 1;
        QTest::newRow("empty text") << "" << 1;
    }
    void guess()
    {
        QFETCH(QString, text);
        QFETCH(int, format);
        std::vector<QStringView> lines;
        for (QStringView line : QStringView(text).split(u'\n'))
            lines.push_back(line);
        QCOMPARE(ImportSession::guessFileFormat(lines), format);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("format");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("columns");

        QTest::newRow("tab: blank line counts, spaces make a row")
            << "a\tb\n\n   \nc\n"
            << 1 << Rows{{"a", "b"}, {"   "}, {"c"}} << 2;
        QTest::newRow("tab: quotes are text") << "\"a\tb\"" << 1 << Rows{{"\"a", "b\""}} << 2;
        QTest::newRow("tab: empty text, one column") << "" << 1 << Rows{} << 1;
        QTest::newRow("tab: empty line widens") << "a\n\t\t\n"
                                                << 1 << Rows{{"a"}, {"", "", ""}} << 3;
        QTest::newRow("comma: blank lines skipped") << "x\n   \n\ny,z\n"
                                                    << 2 << Rows{{"x"}, {"y", "z"}} << 2;
        QTest::newRow("comma: ragged rows")
            << "a\nb,c,d\ne,f" << 2 << Rows{{"a"}, {"b", "c", "d"}, {"e", "f"}} << 3;
        QTest::newRow("comma: empty text") << "" << 2 << Rows{} << 0;
        QTest::newRow("semicolon") << "a;\"b;c\"\n" << 3 << Rows{{"a", "b;c"}} << 2;
        QTest::newRow("quoted line end splits the row")
            << "\"a\nb\",c\nd" << 2 << Rows{{"\"a"}, {"b\",c"}, {"d"}} << 1;
        QTest::newRow("automatic picks comma") << "n,v\n1,2\n"
                                               << 0 << Rows{{"n", "v"}, {"1", "2"}} << 2;
        QTest::newRow("automatic on empty text is tab") << "" << 0 << Rows{} << 1;
        QTest::newRow("CR line ends")
            << "a,b\r\nc,d\re,f\r" << 2 << Rows{{"a", "b"}, {"c", "d"}, {"e", "f"}} << 2;
        QTest::newRow("format 7 reads nothing") << "a,b\nc" << 7 << Rows{} << 0;
        QTest::newRow("format -1 reads nothing") << "a,b\nc" << -1 << Rows{} << 0;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(int, format);
        QFETCH(Rows, rows);
        QFETCH(int, columns);
        ImportSession engine;
        engine.loadText(text, format);
        QCOMPARE(rowsOf(engine), rows);
        QCOMPARE(engine.widestRowFieldCount(), columns);
        QCOMPARE(engine.mappingRows().size(), size_t(columns));
        for (const ImportMappingRow& m : engine.mappingRows()) {
            QCOMPARE(m.destination, 0);
            QCOMPARE(m.importFlag, QString());
        }
        QCOMPARE(engine.selectedImportRow(), rows.isEmpty() ? -1 : 0);
    }

    void noTextReadsNoLines()
    {
        ImportSession engine;
        engine.loadText(std::nullopt, ImportSession::TabFormat);
        QCOMPARE(engine.numberOfImportRows(), 0);
        QCOMPARE(engine.widestRowFieldCount(), 0);
        QVERIFY(engine.mappingRows().empty());
    }

    void fromFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("columns");
        QTest::newRow("utf-16 LE mark, automatic")
            << QByteArray("\xFF\xFEN\0a\0,\0x\0,\0y\0\r\0\n\0", 18) << 0 << 0
            << Rows{{"Na", "x", "y"}} << 3;
        QTest::newRow("latin-1 automatic is mac roman")
            << QByteArray("caf\xE9;1;2\n") << 0 << 0 << Rows{{u"cafÈ"_qs, "1", "2"}} << 3;
        QTest::newRow("latin-1 as utf-8 is nothing")
            << QByteArray("caf\xE9;1\n") << 0 << 1 << Rows{} << 0;
        QTest::newRow("missing file") << QByteArray() << 2 << 0 << Rows{} << 0;
    }
    void fromFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, format);
        QFETCH(int, encoding);
        QFETCH(Rows, rows);
        QFETCH(int, columns);
        const QString path = QString(QTest::currentDataTag()) == "missing file"
                                 ? m_scratch.filePath("nothing-here.csv")
                                 : writeFile("in.csv", content);
        ImportSession engine;
        engine.load(path, format, encoding);
        QCOMPARE(rowsOf(engine), rows);
        QCOMPARE(engine.widestRowFieldCount(), columns);
        QCOMPARE(engine.mappingRows().size(), size_t(columns));
    }

    void newFileReplacesRowsAndMapping()
    {
        ImportSession engine;
        engine.loadText(QStringLiteral("a,b,c\nd,e,f\ng,h,i"), 2);
        QCOMPARE(engine.numberOfImportRows(), 3);
        engine.loadText(QStringLiteral("x"), 2);
        QCOMPARE(rowsOf(engine), (Rows{{"x"}}));
        QCOMPARE(engine.mappingRows().size(), size_t(1));
    }

    void rowDictHasTheElementsShape()
    {
        ImportSession engine;
        engine.loadText(QStringLiteral("p,\"q,r\""), 2);
        const DictPtr row = engine.importRows().rowDict(0);
        QCOMPARE(row->entries.size(), size_t(1));
        const ArrayPtr elements = row->value(u"elements").toArray();
        QVERIFY(elements);
        QCOMPARE(elements->items.size(), size_t(2));
        QCOMPARE(elements->items[1].toDict()->value(u"element").toString(), QStringLiteral("q,r"));
        QCOMPARE(engine.importRows().element(0, 2), QStringView());
        QCOMPARE(engine.importRows().fieldCount(5), 0);
    }

    void progressRunsToTheEnd()
    {
        ImportSession engine;
        std::vector<std::pair<qint64, qint64>> calls;
        engine.setProgressCallback([&](qint64 done, qint64 total) {
            calls.push_back({done, total});
        });
        engine.loadText(QString("a,b\n").repeated(200000), 0);
        QCOMPARE(engine.numberOfImportRows(), 200000);
        QVERIFY(calls.size() >= 2);
        QCOMPARE(calls.back(), (std::pair<qint64, qint64>{200001, 200001}));
        for (size_t i = 1; i < calls.size(); ++i)
            QVERIFY(calls[i].first >= calls[i - 1].first);
    }
};

QTEST_APPLESS_MAIN(TestImportParsing)
#include "tst_importparsing.moc"
