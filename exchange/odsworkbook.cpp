#include "exchange/odsworkbook.h"

#include "exchange/celltext.h"
#include "exchange/xmlscan.h"

#include <charconv>
#include <string>

namespace quillory {

const QString OdsWorkbook::kMimeType =
    QStringLiteral("application/vnd.oasis.opendocument.spreadsheet");

namespace {

const QString kContentPart = QStringLiteral("content.xml");
const QString kStylesPart = QStringLiteral("styles.xml");
const QString kManifestPart = QStringLiteral("META-INF/manifest.xml");

// More text than this in one cell is no spreadsheet's.
constexpr size_t kMaxCellBytes = size_t(16) << 20;

using Element = orcus::sax::parser_element;
using Attribute = orcus::sax::parser_attribute;

qint64 toCount(std::string_view text)
{
    qint64 n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    // Counts are clamped far past any sheet's size, so that adding them cannot overflow.
    return error == std::errc() && n >= 1 ? std::min<qint64>(n, qint64(1) << 32) : 1;
}

// The tables' names, and the date and time data styles with the cell styles that use them.
struct OutlineHandler : XmlHandler
{
    XmlAttributes attributes;
    QStringList names;
    int tableDepth = 0;
    QHash<QString, QString> dataStyleOfCellStyle;
    QHash<QString, QString> dateCodes;
    QString styleName;
    QString code;
    bool inDateStyle = false;
    bool inLiteral = false;
    void attribute(const Attribute& a) { attributes.add(a); }
    void start_element(const Element& e)
    {
        const std::string_view name = e.name;
        if (name == "table" && e.ns == "table") {
            if (tableDepth++ == 0)
                names.append(XmlScan::text(attributes.get("name")));
        } else if (name == "style" && attributes.get("family") == "table-cell") {
            const std::string_view data = attributes.get("data-style-name");
            if (!data.empty())
                dataStyleOfCellStyle.insert(XmlScan::text(attributes.get("name")),
                                            XmlScan::text(data));
        } else if (name == "date-style" || name == "time-style") {
            inDateStyle = true;
            styleName = XmlScan::text(attributes.get("name"));
            code.clear();
        } else if (inDateStyle && e.ns == "number") {
            part(name);
        }
        attributes.clear();
    }
    void part(std::string_view name)
    {
        const bool isLong = attributes.get("style") == "long";
        if (name == "day")
            code += isLong ? QLatin1String("dd") : QLatin1String("d");
        else if (name == "month")
            code += attributes.get("textual") == "true"
                        ? (isLong ? QLatin1String("mmmm") : QLatin1String("mmm"))
                        : (isLong ? QLatin1String("mm") : QLatin1String("m"));
        else if (name == "year")
            code += isLong ? QLatin1String("yyyy") : QLatin1String("yy");
        else if (name == "hours")
            code += isLong ? QLatin1String("hh") : QLatin1String("h");
        else if (name == "minutes")
            code += isLong ? QLatin1String("mm") : QLatin1String("m");
        else if (name == "seconds")
            code += isLong ? QLatin1String("ss") : QLatin1String("s");
        else if (name == "text")
            inLiteral = true;
        else
            code += QLatin1String("dddd"); // a weekday, AM/PM or era: written in ISO 8601
    }
    void end_element(const Element& e)
    {
        if (e.name == "table" && e.ns == "table")
            --tableDepth;
        else if (e.name == "text" && inDateStyle)
            inLiteral = false;
        else if (e.name == "date-style" || e.name == "time-style") {
            inDateStyle = false;
            dateCodes.insert(styleName, code);
        }
    }
    void characters(std::string_view chars, bool)
    {
        if (inLiteral) {
            QString literal = XmlScan::text(chars);
            literal.replace(u'"', QString());
            code += u'"' + literal + u'"';
        }
    }
};

struct TableHandler : XmlHandler
{
    SheetGrid* grid;
    const QHash<QString, QString>* dateFormats;
    int wanted = 0;

    XmlAttributes attributes;
    int tableIndex = -1;
    int tableDepth = 0;
    qint64 row = 0;
    qint64 rowRepeat = 1;
    qint64 column = 0;
    std::vector<std::pair<qint64, QString>> rowCells;
    // The cell being read.
    bool inCell = false;
    bool covered = false;
    qint64 columnRepeat = 1;
    QString valueText;
    bool hasValue = false;
    bool hasFormula = false;
    std::string paragraphs;
    int paragraphCount = 0;
    int inParagraph = 0;
    int inAnnotation = 0;

    [[noreturn]] static void stop(QString message) { throw XmlScan::Stop{std::move(message)}; }
    bool reading() const { return tableIndex == wanted && tableDepth == 1; }

    void attribute(const Attribute& a) { attributes.add(a); }
    void start_element(const Element& e)
    {
        const std::string_view name = e.name;
        if (name == "table" && e.ns == "table") {
            if (tableDepth++ == 0)
                ++tableIndex;
        } else if (!reading()) {
        } else if (name == "table-row") {
            rowRepeat = toCount(attributes.get("number-rows-repeated"));
            column = 0;
            rowCells.clear();
        } else if (name == "table-cell" || name == "covered-table-cell") {
            startCell(name == "covered-table-cell");
        } else if (inCell && !covered) {
            if (name == "annotation")
                ++inAnnotation;
            else if (inAnnotation > 0) {
            } else if (name == "p" || name == "h") {
                if (paragraphCount++ > 0)
                    paragraphs += '\n';
                ++inParagraph;
            } else if (inParagraph > 0 && name == "s") {
                paragraphs.append(size_t(std::min<qint64>(toCount(attributes.get("c")), 65536)),
                                  ' ');
                checkCellSize();
            } else if (inParagraph > 0 && name == "tab") {
                paragraphs += '\t';
            } else if (inParagraph > 0 && name == "line-break") {
                paragraphs += '\n';
            }
        }
        attributes.clear();
    }
    void startCell(bool isCovered)
    {
        inCell = true;
        covered = isCovered;
        columnRepeat = toCount(attributes.get("number-columns-repeated"));
        paragraphs.clear();
        paragraphCount = 0;
        hasFormula = !attributes.get("formula").empty();
        hasValue = true;
        const std::string_view type = attributes.get("value-type");
        const QString style = XmlScan::text(attributes.get("style-name"));
        if (type == "float" || type == "percentage" || type == "currency") {
            // Without a readable value the paragraphs say what the cell shows.
            const std::string_view value = attributes.get("value");
            double number = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), number);
            hasValue = !value.empty() && error == std::errc() && end == value.data() + value.size();
            valueText = hasValue ? CellText::number(number) : QString();
        } else if (type == "date") {
            const QString value = XmlScan::text(attributes.get("date-value"));
            const auto when = CellText::fromIso(value);
            valueText = when ? CellText::dateTime(*when, dateFormats->value(style)) : value;
        } else if (type == "time") {
            const QString value = XmlScan::text(attributes.get("time-value"));
            const auto when = CellText::fromIsoTime(value);
            const QString code = dateFormats->value(style, QStringLiteral("hh:mm:ss"));
            valueText = when ? CellText::dateTime(*when, code) : value;
        } else if (type == "boolean") {
            valueText = CellText::boolean(attributes.get("boolean-value") == "true");
        } else if (type == "string" && !attributes.get("string-value").empty()) {
            valueText = XmlScan::text(attributes.get("string-value"));
        } else {
            // Text cells and empty ones: the paragraphs say it.
            hasValue = false;
            valueText.clear();
        }
    }
    void end_element(const Element& e)
    {
        const std::string_view name = e.name;
        if (name == "table" && e.ns == "table") {
            --tableDepth;
        } else if (!reading()) {
        } else if (name == "table-cell" || name == "covered-table-cell") {
            endCell();
        } else if (name == "table-row") {
            endRow();
        } else if (inCell && !covered) {
            if (name == "annotation")
                --inAnnotation;
            else if (inAnnotation == 0 && (name == "p" || name == "h"))
                --inParagraph;
        }
    }
    void characters(std::string_view chars, bool)
    {
        if (inCell && !covered && inParagraph > 0 && inAnnotation == 0)
            paragraphs.append(chars);
        checkCellSize();
    }
    // Runs of spaces are written as a count: a small part could otherwise spell gigabytes.
    void checkCellSize() const
    {
        if (paragraphs.size() > kMaxCellBytes)
            stop(QStringLiteral("a cell in row %1 holds more than 16 MB of text").arg(row + 1));
    }
    void endCell()
    {
        inCell = false;
        // A merged range's covered cells keep values of their own; only the first cell shows.
        if (!covered) {
            const QString text = hasValue ? valueText : QString::fromStdString(paragraphs);
            if (text.isEmpty() && hasFormula && !hasValue)
                stop(QStringLiteral("a cell in row %1 holds a formula without a saved result; "
                                    "open the workbook in a spreadsheet program, save it, and "
                                    "import it again")
                         .arg(row + 1));
            if (!text.isEmpty()) {
                if (column + columnRepeat > SheetGrid::kMaxColumns)
                    stop(QStringLiteral("it has text in column %1, past the %2 columns a sheet "
                                        "can have")
                             .arg(QString::number(column + columnRepeat),
                                  QString::number(SheetGrid::kMaxColumns)));
                for (qint64 k = 0; k < columnRepeat; ++k)
                    rowCells.emplace_back(column + k, text);
            }
        }
        column += columnRepeat;
    }
    void endRow()
    {
        if (!rowCells.empty()) {
            // Repeated rows with text are each made; the grid refuses more than a sheet holds.
            for (qint64 k = 0; k < rowRepeat; ++k)
                for (const auto& [c, text] : rowCells)
                    if (Result<void> added = grid->setCell(row + k, c, text); !added)
                        stop(added.message());
        }
        row += rowRepeat;
    }
};

} // namespace

bool OdsWorkbook::recognizes(WorkbookArchive& archive)
{
    if (!archive.contains(QStringLiteral("mimetype")) || !archive.contains(kContentPart))
        return false;
    const Result<QByteArray> type = archive.part(QStringLiteral("mimetype"));
    return type && type->trimmed() == kMimeType.toLatin1();
}

Result<OdsWorkbook> OdsWorkbook::open(WorkbookArchive& archive)
{
    if (archive.contains(kManifestPart)) {
        const Result<QByteArray> manifest = archive.part(kManifestPart);
        if (manifest && manifest->contains("encryption-data"))
            return fail(QStringLiteral("it is protected by a password; save a copy without the "
                                       "password in your spreadsheet program and import that"));
    }
    OdsWorkbook workbook;
    Result<QByteArray> content = archive.part(kContentPart);
    if (!content)
        return content.failure();
    workbook.m_content = std::move(content.value());
    OutlineHandler outline;
    if (archive.contains(kStylesPart)) {
        const Result<QByteArray> styles = archive.part(kStylesPart);
        if (!styles)
            return styles.failure();
        if (Result<void> read = XmlScan::run(*styles, outline, kStylesPart); !read)
            return read.failure();
    }
    if (Result<void> read = XmlScan::run(workbook.m_content, outline, kContentPart); !read)
        return read.failure();
    workbook.m_names = outline.names;
    for (auto it = outline.dataStyleOfCellStyle.cbegin(); it != outline.dataStyleOfCellStyle.cend();
         ++it) {
        const auto code = outline.dateCodes.constFind(it.value());
        if (code != outline.dateCodes.cend())
            workbook.m_dateFormats.insert(it.key(), code.value());
    }
    return workbook;
}

Result<void> OdsWorkbook::readSheet(int index, SheetGrid& grid)
{
    if (index < 0 || index >= m_names.size())
        return fail(QStringLiteral("it has no sheet %1").arg(index + 1));
    TableHandler handler;
    handler.grid = &grid;
    handler.dateFormats = &m_dateFormats;
    handler.wanted = index;
    Result<void> read = XmlScan::run(m_content, handler, kContentPart);
    if (!read)
        return fail(QStringLiteral("sheet '%1': %2").arg(m_names[index], read.message()));
    return {};
}

} // namespace quillory
