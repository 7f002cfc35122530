#include "exchange/xlsxworkbook.h"

#include "exchange/celltext.h"
#include "exchange/xmlscan.h"

#include <charconv>
#include <map>
#include <string>

namespace quillory {

namespace {

const QString kWorkbookPart = QStringLiteral("xl/workbook.xml");
const QString kRelationsPart = QStringLiteral("xl/_rels/workbook.xml.rels");

using Element = orcus::sax::parser_element;
using Attribute = orcus::sax::parser_attribute;

using Attributes = XmlAttributes;

qint64 toInteger(std::string_view text, qint64 otherwise)
{
    qint64 n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size() ? n : otherwise;
}

// A part's target, relative to the workbook's folder unless it starts at the archive's root.
QString partPath(std::string_view target)
{
    QString path = XmlScan::text(target);
    if (path.startsWith(u'/'))
        return path.mid(1);
    while (path.startsWith(QLatin1String("../")))
        path = path.mid(3);
    return QStringLiteral("xl/") + path;
}

struct WorkbookHandler : XmlHandler
{
    Attributes attributes;
    std::vector<std::pair<QString, std::string>> sheets; // name, relation id
    bool from1904 = false;
    void attribute(const Attribute& a) { attributes.add(a); }
    void start_element(const Element& e)
    {
        if (e.name == "sheet") {
            sheets.emplace_back(XmlScan::text(attributes.get("name")), attributes.get("id"));
        } else if (e.name == "workbookPr") {
            const std::string_view date1904 = attributes.get("date1904");
            from1904 = date1904 == "1" || date1904 == "true";
        }
        attributes.clear();
    }
};

struct RelationsHandler : XmlHandler
{
    Attributes attributes;
    std::map<std::string, QString, std::less<>> targets;
    QString sharedTexts;
    QString styles;
    void attribute(const Attribute& a) { attributes.add(a); }
    void start_element(const Element& e)
    {
        if (e.name == "Relationship") {
            const QString path = partPath(attributes.get("Target"));
            const std::string_view type = attributes.get("Type");
            targets[std::string(attributes.get("Id"))] = path;
            if (type.ends_with("/sharedStrings"))
                sharedTexts = path;
            else if (type.ends_with("/styles"))
                styles = path;
        }
        attributes.clear();
    }
};

// The text of a shared or inline rich text: its runs' <t>, without the phonetic guides.
struct RichText
{
    std::string text;
    bool inText = false;
    int phonetic = 0;
    void start(const Element& e)
    {
        if (e.name == "t" && phonetic == 0)
            inText = true;
        else if (e.name == "rPh")
            ++phonetic;
    }
    void end(const Element& e)
    {
        if (e.name == "t")
            inText = false;
        else if (e.name == "rPh")
            --phonetic;
    }
    void characters(std::string_view chars)
    {
        if (inText)
            text.append(chars);
    }
};

struct SharedTextsHandler : XmlHandler
{
    std::vector<QString>* texts;
    RichText item;
    bool inItem = false;
    void start_element(const Element& e)
    {
        if (e.name == "si") {
            inItem = true;
            item = {};
        } else if (inItem) {
            item.start(e);
        }
    }
    void end_element(const Element& e)
    {
        if (e.name == "si") {
            if (qint64(texts->size()) >= SheetGrid::kMaxCells)
                throw XmlScan::Stop{QStringLiteral("it has more than %1 shared texts, more than "
                                                   "an import can hold")
                                        .arg(SheetGrid::kMaxCells)};
            texts->push_back(QString::fromStdString(item.text));
            inItem = false;
        } else if (inItem) {
            item.end(e);
        }
    }
    void characters(std::string_view chars, bool) { item.characters(chars); }
};

struct StylesHandler : XmlHandler
{
    Attributes attributes;
    std::map<qint64, QString> formats;
    std::vector<qint64> cellFormatIds;
    bool inCellFormats = false;
    void attribute(const Attribute& a) { attributes.add(a); }
    void start_element(const Element& e)
    {
        if (e.name == "numFmt")
            formats[toInteger(attributes.get("numFmtId"), -1)] =
                XmlScan::text(attributes.get("formatCode"));
        else if (e.name == "cellXfs")
            inCellFormats = true;
        else if (e.name == "xf" && inCellFormats)
            cellFormatIds.push_back(toInteger(attributes.get("numFmtId"), 0));
        attributes.clear();
    }
    void end_element(const Element& e)
    {
        if (e.name == "cellXfs")
            inCellFormats = false;
    }
};

struct SheetHandler : XmlHandler
{
    SheetGrid* grid;
    const std::vector<QString>* sharedTexts;
    const std::vector<std::optional<QString>>* dateFormats;
    bool from1904 = false;

    Attributes attributes;
    qint64 row = -1;
    qint64 column = -1;
    std::string type;
    qint64 style = 0;
    bool hasFormula = false;
    std::string value;
    bool inValue = false;
    bool inInline = false;
    RichText inlineText;

    [[noreturn]] static void stop(QString message) { throw XmlScan::Stop{std::move(message)}; }
    QString cellName() const
    {
        QString letters;
        for (qint64 c = column + 1; c > 0; c = (c - 1) / 26)
            letters.prepend(QChar(char16_t(u'A' + (c - 1) % 26)));
        return letters + QString::number(row + 1);
    }

    void attribute(const Attribute& a) { attributes.add(a); }
    void start_element(const Element& e)
    {
        const std::string_view name = e.name;
        if (name == "c") {
            qint64 r = 0, c = 0;
            const std::string_view reference = attributes.get("r");
            if (!reference.empty() && SheetGrid::parseReference(XmlScan::text(reference), &r, &c)) {
                row = r;
                column = c;
            } else {
                ++column;
            }
            type = attributes.get("t");
            style = toInteger(attributes.get("s"), 0);
            hasFormula = false;
            value.clear();
            inlineText = {};
        } else if (name == "row") {
            const qint64 r = toInteger(attributes.get("r"), 0);
            row = r > 0 ? r - 1 : row + 1;
            column = -1;
        } else if (name == "v") {
            inValue = true;
        } else if (name == "f") {
            hasFormula = true;
        } else if (name == "is") {
            inInline = true;
        } else if (inInline) {
            inlineText.start(e);
        } else if (name == "dimension") {
            claimedSize(attributes.get("ref"));
        } else if (name == "mergeCell") {
            merged(attributes.get("ref"));
        }
        attributes.clear();
    }
    void end_element(const Element& e)
    {
        const std::string_view name = e.name;
        if (name == "v")
            inValue = false;
        else if (name == "is")
            inInline = false;
        else if (inInline)
            inlineText.end(e);
        else if (name == "c")
            endCell();
    }
    void characters(std::string_view chars, bool)
    {
        if (inValue)
            value.append(chars);
        else if (inInline)
            inlineText.characters(chars);
    }

    void claimedSize(std::string_view reference)
    {
        const QString ref = XmlScan::text(reference);
        const QString last = ref.section(u':', -1);
        qint64 r = 0, c = 0;
        if (SheetGrid::parseReference(last, &r, &c) &&
            (r >= SheetGrid::kMaxRows || c >= SheetGrid::kMaxColumns))
            stop(QStringLiteral("it claims %1 rows and %2 columns (%3), more than a sheet can "
                                "have")
                     .arg(QString::number(r + 1), QString::number(c + 1), ref));
    }
    void merged(std::string_view reference)
    {
        const QString ref = XmlScan::text(reference);
        qint64 r0 = 0, c0 = 0, r1 = 0, c1 = 0;
        if (SheetGrid::parseReference(ref.section(u':', 0, 0), &r0, &c0) &&
            SheetGrid::parseReference(ref.section(u':', 1, 1), &r1, &c1))
            grid->addMergedRange(r0, c0, r1, c1);
    }
    void endCell()
    {
        QString text;
        if (type == "inlineStr") {
            text = QString::fromStdString(inlineText.text);
        } else if (type == "s") {
            const qint64 index = toInteger(value, -1);
            if (index < 0 || size_t(index) >= sharedTexts->size())
                stop(QStringLiteral("cell %1 names shared text %2, which the workbook lacks")
                         .arg(cellName(), QString::fromStdString(value)));
            text = (*sharedTexts)[size_t(index)];
        } else if (type == "b") {
            text = CellText::boolean(value == "1" || value == "true");
        } else if (type == "str" || type == "e") {
            text = QString::fromStdString(value);
        } else if (type == "d") {
            const auto when = CellText::fromIso(XmlScan::text(value));
            text = when ? CellText::dateTime(*when, dateFormat().value_or(QString()))
                        : QString::fromStdString(value);
        } else if (!value.empty()) {
            text = numberText();
        } else if (hasFormula) {
            stop(QStringLiteral("cell %1 holds a formula without a saved result; open the "
                                "workbook in a spreadsheet program, save it, and import it again")
                     .arg(cellName()));
        }
        const Result<void> added = grid->setCell(row, column, text);
        if (!added)
            stop(added.message());
    }
    std::optional<QString> dateFormat() const
    {
        if (style < 0 || size_t(style) >= dateFormats->size())
            return std::nullopt;
        return (*dateFormats)[size_t(style)];
    }
    QString numberText() const
    {
        double number = 0;
        const char* end = value.data() + value.size();
        const auto [at, error] = std::from_chars(value.data(), end, number);
        if (error != std::errc() || at != end)
            return QString::fromStdString(value);
        if (const std::optional<QString> format = dateFormat())
            if (const auto when = CellText::fromSerial(number, from1904))
                return CellText::dateTime(*when, *format);
        return CellText::number(number);
    }
};

} // namespace

bool XlsxWorkbook::recognizes(const WorkbookArchive& archive)
{
    return archive.contains(kWorkbookPart);
}

Result<XlsxWorkbook> XlsxWorkbook::open(WorkbookArchive& archive)
{
    XlsxWorkbook workbook(archive);
    const Result<QByteArray> workbookXml = archive.part(kWorkbookPart);
    if (!workbookXml)
        return workbookXml.failure();
    WorkbookHandler sheets;
    if (Result<void> read = XmlScan::run(*workbookXml, sheets, kWorkbookPart); !read)
        return read.failure();
    RelationsHandler relations;
    if (archive.contains(kRelationsPart)) {
        const Result<QByteArray> relationsXml = archive.part(kRelationsPart);
        if (!relationsXml)
            return relationsXml.failure();
        if (Result<void> read = XmlScan::run(*relationsXml, relations, kRelationsPart); !read)
            return read.failure();
    }
    for (const auto& [name, id] : sheets.sheets) {
        const auto target = relations.targets.find(id);
        if (target == relations.targets.end())
            return fail(QStringLiteral("its sheet '%1' has no part").arg(name));
        workbook.m_sheets.push_back({name, target->second});
    }
    workbook.m_from1904 = sheets.from1904;
    workbook.m_sharedTextsPart = relations.sharedTexts;
    workbook.m_stylesPart = relations.styles;
    return workbook;
}

QStringList XlsxWorkbook::sheetNames() const
{
    QStringList names;
    for (const Sheet& sheet : m_sheets)
        names.append(sheet.name);
    return names;
}

Result<void> XlsxWorkbook::readSharedTexts()
{
    if (m_sharedTextsRead || m_sharedTextsPart.isEmpty() || !m_archive->contains(m_sharedTextsPart))
        return {};
    const Result<QByteArray> xml = m_archive->part(m_sharedTextsPart);
    if (!xml)
        return xml.failure();
    SharedTextsHandler handler;
    handler.texts = &m_sharedTexts;
    m_sharedTextsRead = true;
    return XmlScan::run(*xml, handler, m_sharedTextsPart);
}

Result<void> XlsxWorkbook::readStyles()
{
    if (m_stylesRead || m_stylesPart.isEmpty() || !m_archive->contains(m_stylesPart))
        return {};
    const Result<QByteArray> xml = m_archive->part(m_stylesPart);
    if (!xml)
        return xml.failure();
    StylesHandler handler;
    if (Result<void> read = XmlScan::run(*xml, handler, m_stylesPart); !read)
        return read;
    m_stylesRead = true;
    for (const qint64 id : handler.cellFormatIds) {
        const auto custom = handler.formats.find(id);
        std::optional<QString> code = custom != handler.formats.end()
                                          ? std::optional<QString>(custom->second)
                                          : CellText::builtInDateFormat(int(id));
        if (code && !CellText::isDateFormat(*code))
            code.reset();
        m_dateFormats.push_back(std::move(code));
    }
    return {};
}

Result<void> XlsxWorkbook::readSheet(int index, SheetGrid& grid)
{
    if (index < 0 || size_t(index) >= m_sheets.size())
        return fail(QStringLiteral("it has no sheet %1").arg(index + 1));
    if (Result<void> read = readSharedTexts(); !read)
        return read;
    if (Result<void> read = readStyles(); !read)
        return read;
    const Sheet& sheet = m_sheets[size_t(index)];
    const Result<QByteArray> xml = m_archive->part(sheet.part);
    if (!xml)
        return xml.failure();
    SheetHandler handler;
    handler.grid = &grid;
    handler.sharedTexts = &m_sharedTexts;
    handler.dateFormats = &m_dateFormats;
    handler.from1904 = m_from1904;
    Result<void> read = XmlScan::run(*xml, handler, sheet.part);
    if (!read)
        return fail(QStringLiteral("sheet '%1': %2").arg(sheet.name, read.message()));
    return {};
}

} // namespace quillory
