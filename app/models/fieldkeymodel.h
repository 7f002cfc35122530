#pragma once

#include "commands/fieldcommands.h"

#include <QAbstractTableModel>

namespace quillory {

class Document;
class UndoStack;

// The field-key table: one row per field key in list order, showing its visible name. The
// names of the built-in keys "#" and "sel" cannot be edited; renames go through the field
// commands, and when Prototypes use the field's tag, the user is asked whether it follows.
class FieldKeyModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The question is asked in an alert on the window of parent, when parent is a widget.
    explicit FieldKeyModel(UndoStack* stack, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    bool askToRenameTags(const commands::TagRenameOffer& offer);

    UndoStack* m_stack;
    const Document* m_doc;
};

} // namespace quillory
