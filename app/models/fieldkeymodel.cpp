#include "app/models/fieldkeymodel.h"

#include "app/dialogs/alertbox.h"
#include "commands/undostack.h"
#include "core/document.h"

#include <QWidget>

namespace quillory {

FieldKeyModel::FieldKeyModel(UndoStack* stack, QObject* parent)
    : QAbstractTableModel(parent), m_stack(stack), m_doc(&stack->document())
{
    const Document* doc = m_doc;
    connect(doc, &Document::keysReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(doc, &Document::keyInserted, this, [this](int index) {
        // The key is already in the list: announce the row as inserted after the fact.
        beginInsertRows({}, index, index);
        endInsertRows();
    });
    connect(doc, &Document::keyRemoved, this, [this](int index) {
        beginRemoveRows({}, index, index);
        endRemoveRows();
    });
    connect(doc, &Document::keyRenamed, this,
            [this](int index) { emit dataChanged(this->index(index, 0), this->index(index, 0)); });
}

int FieldKeyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_doc->keyArray().size());
}

int FieldKeyModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant FieldKeyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_doc->keyArray()[size_t(index.row())].publicKey;
    return {};
}

QVariant FieldKeyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return tr("Field");
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags FieldKeyModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.row() >= kFirstUserKeyIndex)
        f |= Qt::ItemIsEditable;
    return f;
}

bool FieldKeyModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    // A blank name is refused by the command, and the view shows the previous one again.
    const QString name = value.toString();
    auto tags = commands::RenameTags::Keep;
    if (const auto offer = commands::tagRenameOffer(*m_stack, index.row(), name);
        offer && askToRenameTags(*offer))
        tags = commands::RenameTags::Also;
    return commands::renameField(*m_stack, index.row(), name, tags);
}

bool FieldKeyModel::askToRenameTags(const commands::TagRenameOffer& offer)
{
    auto* widget = qobject_cast<QWidget*>(QObject::parent());
    if (!widget)
        return false;
    const QString question =
        offer.prototypes == 1
            ? tr("Also rename the tag %1 to %2 in 1 Prototype?").arg(offer.from, offer.to)
            : tr("Also rename the tag %1 to %2 in %3 Prototypes?")
                  .arg(offer.from, offer.to)
                  .arg(offer.prototypes);
    const QString why = tr("Names and templates that keep %1 will write it as typed, as it "
                           "matches no field any more.")
                            .arg(offer.from);
    Alert alert;
    alert.messageText = question;
    alert.informativeText = why;
    alert.buttons = {tr("Rename Tags"), tr("Keep Tags")};
    alert.roles = {Alert::Ok, Alert::Cancel};
    // The view keeps the cell editor open while it commits, whatever takes the focus.
    return showAlert(widget->window(), alert) == Alert::Ok;
}

} // namespace quillory
