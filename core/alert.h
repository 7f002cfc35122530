#pragma once

#include <QString>
#include <QStringList>

namespace quillory {

// A failure or question the user must see, carried as data so that the window and the
// command-line tool show the same words. Buttons are listed first to last.
struct Alert
{
    // What a button means, so that an answer is read by meaning rather than by the button's
    // place (which a platform's dialog may change). Other: a button that names no role.
    enum Role {
        Ok,
        Delete,
        Revert,
        SelectDestination,
        OpenPreferences,
        CheckNow,
        OpenWebsite,
        Download,
        DownloadPage,
        Cancel,
        Other
    };

    QString messageText;
    QString informativeText;
    QStringList buttons;
    bool modal = false; // false: shown as a sheet on the document window
    // The role of each button, in the order of buttons.
    QList<Role> roles = {};
    // A confirmation of a deletion: Return must not confirm it, whatever its buttons say.
    bool destructive = false;

    // The role of the button at index; Cancel for -1 (closed without an answer), Other for a
    // button given none.
    Role role(qsizetype button) const;

    // The file was written by a later release.
    static Alert newerDocument();
    // deleteSelectedKey: the confirmation for the key named name.
    static Alert deleteKey(const QString& name);
    // confirmDeleteChecked: the confirmation for n records.
    static Alert deleteCheckedRecords(qint64 n);
    // Delete Record with n > 1 records selected: the confirmation.
    static Alert deleteSelectedRecords(qint64 n);
    // run: no destination chosen yet / the destination can no longer be used.
    static Alert destinationNotSet();
    static Alert destinationNeedsReset();
    // An import with every column left out: the n records it would make hold only their counter.
    static Alert noColumnImported(qint64 n);
};

} // namespace quillory
