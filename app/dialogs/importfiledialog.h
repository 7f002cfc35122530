#pragma once

#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"

#include <QFileDialog>

class QComboBox;

namespace quillory {

// The open dialog of the Import… command: a delimited text file, with the format and the
// encoding to read it in chosen below the file list.
class ImportFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    explicit ImportFileDialog(QWidget* parent = nullptr);

    // What the format and encoding menus show.
    ImportSession::FileFormat fileFormat() const;
    TextEncoding encoding() const;
    // Sets the menus, for an import that starts where the last one ended.
    void setFileFormat(ImportSession::FileFormat format);
    void setEncoding(TextEncoding encoding);
    // The encoding menu's title for encoding.
    static QString encodingTitle(TextEncoding encoding);

private:
    QComboBox* m_format;
    QComboBox* m_encoding;
};

} // namespace quillory
