#pragma once

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

    // The format code (ImportSession::FileFormat) and the encoding code (TextFileDecoder).
    int fileFormat() const;
    int encoding() const;

private:
    QComboBox* m_format;
    QComboBox* m_encoding;
};

} // namespace quillory
