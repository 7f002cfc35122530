#include "app/dialogs/importfiledialog.h"

#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace quillory {

namespace {

QComboBox* menu(QWidget* parent, const QString& name, const QList<std::pair<QString, int>>& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const auto& [title, code] : items)
        box->addItem(title, code);
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
    setNameFilters({tr("Text files (*.txt *.TXT *.text *.TEXT *.csv *.CSV *.tsv *.TSV)"),
                    tr("All files (*)")});

    m_format = menu(this, QStringLiteral("importFormat"),
                    {{tr("Automatic"), ImportSession::AutomaticFormat},
                     {tr("Tab-separated"), ImportSession::TabFormat},
                     {tr("Comma-separated"), ImportSession::CommaFormat},
                     {tr("Semicolon-separated"), ImportSession::SemicolonFormat}});
    m_encoding = menu(this, QStringLiteral("importEncoding"),
                      {{tr("Automatic"), TextFileDecoder::Automatic},
                       {tr("UTF-8"), TextFileDecoder::Utf8},
                       {tr("UTF-16"), TextFileDecoder::Utf16},
                       {tr("UTF-16 Big Endian"), TextFileDecoder::Utf16BigEndian},
                       {tr("UTF-16 Little Endian"), TextFileDecoder::Utf16LittleEndian},
                       {tr("UTF-32"), TextFileDecoder::Utf32},
                       {tr("UTF-32 Big Endian"), TextFileDecoder::Utf32BigEndian},
                       {tr("UTF-32 Little Endian"), TextFileDecoder::Utf32LittleEndian},
                       {tr("Mac OS Roman"), TextFileDecoder::MacOSRoman},
                       {tr("ASCII"), TextFileDecoder::Ascii}});

    // The non-native dialog lays itself out on a grid; the two menus go below its rows.
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(tr("Format:"), this), row, 0);
        grid->addWidget(m_format, row, 1);
        grid->addWidget(new QLabel(tr("Encoding:"), this), row + 1, 0);
        grid->addWidget(m_encoding, row + 1, 1);
    }
}

int ImportFileDialog::fileFormat() const
{
    return m_format->currentData().toInt();
}

int ImportFileDialog::encoding() const
{
    return m_encoding->currentData().toInt();
}

} // namespace quillory
