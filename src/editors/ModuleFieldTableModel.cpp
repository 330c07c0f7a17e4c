// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/ModuleFieldTableModel.h"

#include "Toskfile/InstanceCounter.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "base/TkxException.h"
#include "canvas/CanvasStyle.h"
#include "canvas/Latin1.h"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QStringDecoder>

#include <algorithm>

namespace tosk {

namespace {

constexpr const char* kColumnIds[ModuleFieldTableModel::kColumnCount] = {"type", "value",   "description", "min",
                                                                         "max",  "visible", "default"};

QColor halfwayToBlack(const QColor& c)
{
    return QColor::fromRgbF(c.redF() / 2, c.greenF() / 2, c.blueF() / 2);
}

// An item's text for a cell: Latin-1 bytes of the database.
std::string specifier(const ModuleField& field, int code)
{
    try {
        return field.getSpecifier(code);
    } catch (const TkxException&) {
        // A limit that cannot be worked out is shown as none.
        return {};
    }
}

// The edit layer's messages are UTF-8, but may quote the typed bytes as
// they are.
QString messageText(const std::string& message)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(QByteArrayView(message.data(), qsizetype(message.size())));
    return utf8.hasError() ? Latin1::qstring(message) : text;
}

} // namespace

ModuleFieldTableModel::ModuleFieldTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ModuleFieldTableModel::setModule(Module::Ptr module, SigDocument* document, const void* sender)
{
    beginResetModel();
    module_ = std::move(module);
    document_ = document;
    sender_ = sender;
    rows_ = readRows();
    endResetModel();
}

const char* ModuleFieldTableModel::columnId(int column)
{
    return column >= 0 && column < kColumnCount ? kColumnIds[column] : "";
}

std::vector<ModuleFieldTableModel::Row> ModuleFieldTableModel::readRows() const
{
    std::vector<Row> rows;
    if (!module_)
        return rows;
    rows.reserve(module_->fieldCount());
    // One pass numbers every repetition, however many there are.
    InstanceCounter counter;
    for (const auto& f : module_->fieldArray()) {
        const int instance = counter.next(*f);
        if (!f->isAlwaysHidden() && !f->isInvisible())
            rows.push_back({f, instance});
    }
    return rows;
}

void ModuleFieldTableModel::refresh()
{
    std::vector<Row> rows = readRows();
    const bool same =
        rows.size() == rows_.size() && std::equal(rows.begin(), rows.end(), rows_.begin(),
                                                  [](const Row& a, const Row& b) { return a.field == b.field; });
    if (!same) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
        return;
    }
    rows_ = std::move(rows);
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, kColumnCount - 1));
}

ModuleField::Ptr ModuleFieldTableModel::fieldAtIndex(int row) const
{
    return row >= 0 && size_t(row) < rows_.size() ? rows_[size_t(row)].field : nullptr;
}

int ModuleFieldTableModel::rowOfField(const ModuleField* field) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].field.get() == field)
            return int(i);
    return -1;
}

ModuleFieldTableModel::Editability ModuleFieldTableModel::fieldIsWP(const ModuleField& field)
{
    if (field.numIterations() > 0 || field.isWP() || field.isOutput())
        return Fixed;
    if (field.isInput() && field.source())
        return ConnectedInput;
    return Editable;
}

std::string ModuleFieldTableModel::headName() const
{
    const SigFile* patch = module_ ? module_->sigFile() : nullptr;
    const Module* head = patch ? patch->head().get() : nullptr;
    return head ? std::string(head->instanceName()) : std::string();
}

std::string ModuleFieldTableModel::typeText(const Row& row) const
{
    const ModuleField& f = *row.field;
    std::string name = f.entryName(OperatorField::NAME, row.instance);
    // A member of a group is named by its place in the group.
    const std::string path = f.parent() && f.parent() != module_.get() ? f.partialPath() : std::string();
    return path.empty() ? name : path + "/" + name;
}

std::string ModuleFieldTableModel::valueForField(const ModuleField& field, int column) const
{
    const int t = field.type();
    switch (column) {
    case TypeColumn: {
        const int row = rowOfField(&field);
        return row >= 0 ? typeText(rows_[size_t(row)]) : field.name();
    }
    case ValueColumn:
        return field.getName(ModuleField::NF_PATH | ModuleField::NF_EXTERNAL, headName());
    case DescriptionColumn: {
        if (t == OperatorEntry::CONTROL)
            return "control";
        if (t == OperatorEntry::SIGNAL)
            return "signal";
        if (t == OperatorEntry::USEROBJ)
            return "userobj";
        const auto& entry = field.entry();
        if (!entry)
            return {};
        const std::string& description = entry->nameForType(OperatorField::DESCRIPTION);
        if (description == entry->nameForType(OperatorField::NAME))
            return {};
        // A repetition's "input ~n" is told by its number, as its name is.
        const int row = rowOfField(&field);
        return row >= 0 && field.iterator() ? field.entryName(OperatorField::DESCRIPTION, rows_[size_t(row)].instance)
                                            : description;
    }
    case MinColumn:
        return t == OperatorEntry::ED_STRING ? std::string("length") : specifier(field, OperatorField::MINIMUM);
    case MaxColumn:
        return specifier(field, t == OperatorEntry::ED_STRING ? OperatorField::STORAGE_SIZE : OperatorField::MAXIMUM);
    case VisibleColumn:
        return field.isHidden() ? "NO" : "YES";
    case DefaultColumn:
        return field.entry() ? field.entry()->nameForType(OperatorField::DEFAULT) : std::string();
    default:
        return {};
    }
}

QStringList ModuleFieldTableModel::validConnectsForFieldAtIndex(int row) const
{
    ModuleField::Ptr field = fieldAtIndex(row);
    const SigFile* patch = module_ ? module_->sigFile() : nullptr;
    if (!field || !field->isInput() || !patch)
        return {};
    QStringList items;
    for (const auto& output : patch->validConnectionsFor(*field)) {
        if (!output->isOutput() || !output->parent())
            continue;
        items << Latin1::qstring(output->parent()->pathName() + "-" + output->entryName(OperatorField::CONNECT_TAG));
    }
    const QString current = Latin1::qstring(valueForField(*field, ValueColumn));
    if (!current.isEmpty() && !items.contains(current))
        items << current;
    // Case decides only between names that differ in nothing else, so the
    // order is the same whatever order the patch lists them in.
    std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return items;
}

int ModuleFieldTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int ModuleFieldTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ModuleFieldTableModel::data(const QModelIndex& index, int role) const
{
    ModuleField::Ptr field = index.isValid() ? fieldAtIndex(index.row()) : nullptr;
    if (!field)
        return {};
    const int column = index.column();
    const Editability editability = fieldIsWP(*field);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        if (column == TypeColumn)
            return Latin1::qstring(typeText(rows_[size_t(index.row())]));
        return Latin1::qstring(valueForField(*field, column));
    case Qt::TextAlignmentRole:
        if (column == TypeColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (column == ValueColumn)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return int(Qt::AlignCenter);
    case Qt::FontRole:
        if (column == ValueColumn) {
            QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            mono.setFamilies({QStringLiteral("DejaVu Sans Mono"), mono.family()});
            mono.setStyleHint(QFont::TypeWriter);
            return mono;
        }
        return {};
    case Qt::ForegroundRole:
        if (column == TypeColumn)
            return halfwayToBlack(CanvasStyle::role(field->strokeColor()));
        if (column == ValueColumn && editability == Editable)
            return QColor(Qt::blue);
        return QColor(Qt::black);
    case Qt::BackgroundRole:
        if (column == TypeColumn)
            return CanvasStyle::role(field->fillColor());
        if (column == ValueColumn && (flags(index) & Qt::ItemIsEditable))
            return {};
        return CanvasStyle::role(14);
    case EditabilityRole:
        return int(editability);
    case RepeatedRole:
        return field->iterator() != nullptr;
    case HasSourcesRole:
        return field->isInput() && editability != Fixed;
    default:
        return {};
    }
}

QVariant ModuleFieldTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TypeColumn:
        return Latin1::text("InspectorField", "Field");
    case ValueColumn:
        return Latin1::text("InspectorValue", "Value");
    case DescriptionColumn:
        return Latin1::text("InspectorDescription", "Description");
    case MinColumn:
        return Latin1::text("InspectorMin", "Min");
    case MaxColumn:
        return Latin1::text("InspectorMax", "Max");
    case VisibleColumn:
        return Latin1::text("InspectorVisible", "Visible");
    case DefaultColumn:
        return Latin1::text("InspectorDefault", "Default");
    default:
        return {};
    }
}

Qt::ItemFlags ModuleFieldTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    ModuleField::Ptr field = fieldAtIndex(index.row());
    // A connected input is picked from its sources or typed over; other
    // fixed values are read only.
    if (field && index.column() == ValueColumn && fieldIsWP(*field) != Fixed && !field->isInvisible())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ModuleFieldTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    ModuleField::Ptr field = index.isValid() ? fieldAtIndex(index.row()) : nullptr;
    if (role != Qt::EditRole || index.column() != ValueColumn || !field || !document_ || !document_->sigFile() ||
        !value.canConvert<QString>())
        return false;
    // The file holds Latin-1: a character past it would be stored as "?".
    if (const std::string refused = Latin1::refusal(value.toString()); !refused.empty()) {
        emit valueRefused(index.row(), Latin1::message(refused));
        return false;
    }
    const std::string text = Latin1::bytes(value.toString());
    std::string error;
    bool stored = false;
    committing_ = true;
    try {
        UndoGroup event(*document_);
        stored = PatchEditor(*document_).setFieldText(field, text, &error, sender_);
    } catch (const TkxException& e) {
        error = e.reason();
    }
    committing_ = false;
    if (!stored && !error.empty()) {
        emit valueRefused(index.row(), messageText(error));
        return false;
    }
    if (stored) {
        const int row = rowOfField(field.get());
        if (row >= 0)
            emit dataChanged(this->index(row, 0), this->index(row, kColumnCount - 1));
    }
    return stored;
}

} // namespace tosk
