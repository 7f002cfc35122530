#pragma once

#include <QString>
#include <QStringList>

namespace quillory {

// A failure or question the user must see, carried as data so that the window and the
// command-line tool show the same words. Buttons are listed first to last.
struct Alert
{
    QString messageText;
    QString informativeText;
    QStringList buttons;
    bool modal = false; // false: shown as a sheet on the document window

    // The file was written by a later release.
    static Alert newerDocument();
    // deleteSelectedKey: the confirmation for the key named name.
    static Alert deleteKey(const QString& name);
    // confirmDeleteChecked: the confirmation for n records.
    static Alert deleteCheckedRecords(qint64 n);
    // run: no destination chosen yet / the destination can no longer be used.
    static Alert destinationNotSet();
    static Alert destinationNeedsReset();
};

} // namespace quillory
