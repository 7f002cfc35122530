#include "app/dialogs/importfiledialog.h"

#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include <algorithm>
#include <array>
#include <utility>

namespace quillory {

namespace {

// The menus' items in order: a menu position is an index into these.
const std::array<std::pair<const char*, ImportSession::FileFormat>, 4> kFormatItems{{
    {QT_TRANSLATE_NOOP("ImportFileDialog", "Automatic"), ImportSession::FileFormat::Automatic},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "Tab-separated"), ImportSession::FileFormat::Tab},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "Comma-separated"), ImportSession::FileFormat::Comma},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "Semicolon-separated"),
     ImportSession::FileFormat::Semicolon},
}};

const std::array<std::pair<const char*, TextEncoding>, 13> kEncodingItems{{
    {QT_TRANSLATE_NOOP("ImportFileDialog", "Automatic"), TextEncoding::Automatic},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "UTF-8"), TextEncoding::Utf8},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "UTF-16"), TextEncoding::Utf16},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "UTF-16 Big Endian"), TextEncoding::Utf16BigEndian},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "UTF-16 Little Endian"),
     TextEncoding::Utf16LittleEndian},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "UTF-32"), TextEncoding::Utf32},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "UTF-32 Big Endian"), TextEncoding::Utf32BigEndian},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "UTF-32 Little Endian"),
     TextEncoding::Utf32LittleEndian},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "Windows-1252"), TextEncoding::Windows1252},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "ISO-8859-1"), TextEncoding::Iso88591},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "ISO-8859-15"), TextEncoding::Iso885915},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "Mac OS Roman"), TextEncoding::MacOSRoman},
    {QT_TRANSLATE_NOOP("ImportFileDialog", "ASCII"), TextEncoding::Ascii},
}};

template <typename Items> QComboBox* menu(QWidget* parent, const QString& name, const Items& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const auto& item : items)
        box->addItem(ImportFileDialog::tr(item.first));
    return box;
}

} // namespace

ImportFileDialog::ImportFileDialog(QWidget* parent) : QFileDialog(parent, tr("Import"))
{
    // The format and encoding menus live inside the dialog, which the native dialogs don't
    // allow.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilters({tr("Text files and workbooks (*.txt *.TXT *.text *.TEXT *.csv *.CSV *.tsv "
                       "*.TSV *.xlsx *.XLSX *.ods *.ODS)"),
                    tr("All files (*)")});

    m_format = menu(this, QStringLiteral("importFormat"), kFormatItems);
    m_encoding = menu(this, QStringLiteral("importEncoding"), kEncodingItems);

    // The non-native dialog lays itself out on a grid; the two menus go below its rows.
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(tr("Format:"), this), row, 0);
        grid->addWidget(m_format, row, 1);
        grid->addWidget(new QLabel(tr("Encoding:"), this), row + 1, 0);
        grid->addWidget(m_encoding, row + 1, 1);
    }
}

ImportSession::FileFormat ImportFileDialog::fileFormat() const
{
    return kFormatItems.at(size_t(std::max(0, m_format->currentIndex()))).second;
}

TextEncoding ImportFileDialog::encoding() const
{
    return kEncodingItems.at(size_t(std::max(0, m_encoding->currentIndex()))).second;
}

} // namespace quillory

namespace quillory {

void ImportFileDialog::setFileFormat(ImportSession::FileFormat format)
{
    for (size_t i = 0; i < kFormatItems.size(); ++i)
        if (kFormatItems[i].second == format)
            m_format->setCurrentIndex(int(i));
}

void ImportFileDialog::setEncoding(TextEncoding encoding)
{
    for (size_t i = 0; i < kEncodingItems.size(); ++i)
        if (kEncodingItems[i].second == encoding)
            m_encoding->setCurrentIndex(int(i));
}

QString ImportFileDialog::encodingTitle(TextEncoding encoding)
{
    for (const auto& [title, code] : kEncodingItems)
        if (code == encoding)
            return tr(title);
    return QString();
}

} // namespace quillory
