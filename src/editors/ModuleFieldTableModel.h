// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace tosk {

class SigDocument;

// The rows of the inspector: one per listed field of a module (fields that
// are always hidden or invisible are not listed), with the field's name,
// value, description, limits, visibility and default. A value typed into
// the "value" column goes through the edit layer as one undo step ("Change
// Value"); a value the field refuses changes nothing and its reason comes
// back through valueRefused().
class ModuleFieldTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TypeColumn, ValueColumn, DescriptionColumn, MinColumn, MaxColumn, VisibleColumn, DefaultColumn };
    static constexpr int kColumnCount = 7;

    // How a field's value may be changed.
    enum Editability {
        Editable = 0,      // typed
        Fixed = 1,         // outputs, external (WP) fields, repeat counts
        ConnectedInput = 2 // an input fed by an output: picked or typed over
    };

    // Extra roles of the cells.
    enum Role {
        EditabilityRole = Qt::UserRole + 1, // int, Editability, on every column
        RepeatedRole,                       // bool: the field belongs to a repeated group
        HasSourcesRole,                     // bool: the value is picked from outputs
    };

    explicit ModuleFieldTableModel(QObject* parent = nullptr);

    // The module shown and the document its changes go to; `sender` comes
    // back in the changes this model makes.
    void setModule(Module::Ptr module, SigDocument* document, const void* sender);
    Module* module() const { return module_.get(); }

    // The identifier of a column: "type", "value", "description", "min",
    // "max", "visible", "default".
    static const char* columnId(int column);
    // The field of a row; none outside the rows.
    ModuleField::Ptr fieldAtIndex(int row) const;
    int rowOfField(const ModuleField* field) const;
    static Editability fieldIsWP(const ModuleField& field);
    // The cell's text as the model holds it (8-bit).
    std::string valueForField(const ModuleField& field, int column) const;
    // The outputs an input's value may be picked from, as references
    // ("osc-out"), sorted without regard to case; the field's own value is
    // among them. Empty for any other field.
    QStringList validConnectsForFieldAtIndex(int row) const;

    // Reads the module's fields again: the views are reset when the rows
    // changed (repetitions came or went), else every cell is renewed.
    void refresh();
    // Whether a value typed into the row is being stored right now.
    bool isCommitting() const { return committing_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stores a text typed or picked in the "value" column; false when the
    // field refused it (valueRefused() says why) or when it changes nothing.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    void valueRefused(int row, const QString& message);

private:
    struct Row {
        ModuleField::Ptr field;
        int instance = 0;
    };
    std::vector<Row> readRows() const;
    std::string headName() const;
    std::string typeText(const Row& row) const;

    Module::Ptr module_;
    SigDocument* document_ = nullptr;
    const void* sender_ = nullptr;
    std::vector<Row> rows_;
    bool committing_ = false;
};

} // namespace tosk
