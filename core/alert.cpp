#include "core/alert.h"

namespace quillory {

Alert::Role Alert::role(qsizetype button) const
{
    if (button < 0)
        return Cancel;
    return button < roles.size() ? roles[button] : Other;
}

Alert Alert::newerDocument()
{
    return {QStringLiteral("The document you requested to open was created with a more recent "
                           "version of this application"),
            QStringLiteral("To open this file you need a release of this application equal or "
                           "successive to the one used to create this file.\n\nProbably you are "
                           "using an outdated release.\nYou can download for free the last version "
                           "of this application from our site"),
            {QStringLiteral("Go to Download Last Version"), QStringLiteral("Cancel")},
            true,
            {DownloadPage, Cancel}};
}

Alert Alert::deleteKey(const QString& name)
{
    return {QStringLiteral("Do you want to delete the selected DB Key '%1'?").arg(name),
            QStringLiteral("WARNING.\nAll the data in the Database in the column '%1' associated "
                           "with this DB Key will be deleted\nEdit > Undo brings them back")
                .arg(name),
            {QStringLiteral("Cancel"), QStringLiteral("Delete")},
            false,
            {Cancel, Delete},
            true};
}

Alert Alert::deleteCheckedRecords(qint64 n)
{
    return {QStringLiteral("Do you want to delete all the %1 checked records?").arg(n),
            QStringLiteral("Edit > Undo brings them back"),
            {QStringLiteral("OK"), QStringLiteral("Cancel")},
            false,
            {Ok, Cancel},
            true};
}

Alert Alert::deleteSelectedRecords(qint64 n)
{
    return {QStringLiteral("Do you want to delete the %1 selected records?").arg(n),
            QStringLiteral("Edit > Undo brings them back"),
            {QStringLiteral("Delete"), QStringLiteral("Cancel")},
            false,
            {Delete, Cancel},
            true};
}

Alert Alert::destinationNotSet()
{
    return {QStringLiteral("A destination was not set to save the merge operations"),
            QStringLiteral("Please select a destination folders"),
            {QStringLiteral("Cancel"), QStringLiteral("Select Destination\u2026")},
            false,
            {Cancel, SelectDestination}};
}

Alert Alert::destinationNeedsReset()
{
    return {QStringLiteral("You need to set again a destination to save the merge operations"),
            QStringLiteral("Please select a destination folders"),
            {QStringLiteral("Cancel"), QStringLiteral("Select Destination\u2026")},
            false,
            {Cancel, SelectDestination}};
}

Alert Alert::noColumnImported(qint64 n)
{
    // Return must not make records that are empty but for their counter.
    return {QStringLiteral("No column is imported: %1 records will hold only their counter. "
                           "Import anyway?")
                .arg(n),
            QStringLiteral("Choose a destination in the menu above a column to import it."),
            {QStringLiteral("Import"), QStringLiteral("Cancel")},
            false,
            {Ok, Cancel},
            true};
}

} // namespace quillory
