#include "gui/widgets/table_edit_model.h"

#include "db/connection.h"
#include "gui/widgets/dialog_hooks.h"

#include <QLocale>

namespace vt::gui {

namespace {

QLocale plain_locale()
{
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc;
}

} // namespace

QString display_text(const db::Value& v)
{
    if (v.isNull()) return {};
    if (v.isInteger()) return QString::number(v.toInt());
    if (v.isReal()) return plain_locale().toString(v.toDouble(), 'g', 15);
    return QString::fromStdString(v.toString());
}

QString fixed_text(double v, int decimals) { return plain_locale().toString(v, 'f', decimals); }

TableEditModel::TableEditModel(ConnectionFn connection, QWidget* messageParent, QObject* parent)
    : QAbstractTableModel(parent), connection_(std::move(connection)), messageParent_(messageParent)
{
}

void TableEditModel::setSource(const workbench::GridSource& source) { source_ = source; }

void TableEditModel::setVisibleColumns(const QStringList& names) { visibleNames_ = names; }

void TableEditModel::setTitles(const QMap<QString, QString>& titles)
{
    titles_ = titles;
    if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void TableEditModel::setReadOnlyColumns(const QStringList& names)
{
    readOnly_.clear();
    for (const auto& n : names) readOnly_ << n.toLower();
}

void TableEditModel::setEditable(bool editable) { editable_ = editable; }

void TableEditModel::report(const QString& caption, const QString& text) const { show_message(messageParent_, caption, text); }

void TableEditModel::applyVisible()
{
    visible_.clear();
    if (visibleNames_.isEmpty()) {
        for (std::size_t i = 0; i < rows_.columns.size(); ++i) visible_.push_back(static_cast<int>(i));
        return;
    }
    for (const auto& name : visibleNames_)
        for (std::size_t i = 0; i < rows_.columns.size(); ++i)
            if (QString::fromStdString(rows_.columns[i].name).compare(name, Qt::CaseInsensitive) == 0)
                visible_.push_back(static_cast<int>(i));
}

bool TableEditModel::reload()
{
    beginResetModel();
    rows_ = {};
    bool ok = true;
    auto* c = connection_ ? connection_() : nullptr;
    if (c && !source_.table.empty()) {
        try {
            rows_ = workbench::read_grid(*c, source_);
        } catch (const std::exception& e) {
            rows_ = {};
            ok = false;
            report(table(), QString::fromStdString(e.what()));
        }
    }
    applyVisible();
    endResetModel();
    return ok;
}

void TableEditModel::clear()
{
    beginResetModel();
    source_ = {};
    rows_ = {};
    visible_.clear();
    endResetModel();
}

long long TableEditModel::rowId(int row) const
{
    return row >= 0 && row < rowCount() ? rows_.rowIds[static_cast<std::size_t>(row)] : -1;
}

db::Value TableEditModel::value(int row, const QString& name) const
{
    if (row < 0 || row >= rowCount()) return {};
    for (std::size_t i = 0; i < rows_.columns.size(); ++i)
        if (QString::fromStdString(rows_.columns[i].name).compare(name, Qt::CaseInsensitive) == 0)
            return rows_.rows[static_cast<std::size_t>(row)][i];
    return {};
}

int TableEditModel::rowOf(long long id) const
{
    for (std::size_t i = 0; i < rows_.rowIds.size(); ++i)
        if (rows_.rowIds[i] == id) return static_cast<int>(i);
    return -1;
}

int TableEditModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.rows.size());
}

int TableEditModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(visible_.size());
}

const workbench::ColumnInfo& TableEditModel::column(int v) const
{
    return rows_.columns[static_cast<std::size_t>(visible_[static_cast<std::size_t>(v)])];
}

QVariant TableEditModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const auto& col = column(index.column());
    const auto& v = rows_.rows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(visible_[static_cast<std::size_t>(index.column())])];
    const bool yesNo = col.kind == workbench::ColumnKind::YesNo;
    switch (role) {
    case Qt::DisplayRole: return yesNo ? QVariant() : QVariant(display_text(v));
    case Qt::EditRole: return display_text(v);
    case Qt::CheckStateRole:
        if (!yesNo) return {};
        return int(v.toBool() ? Qt::Checked : Qt::Unchecked);
    case Qt::TextAlignmentRole:
        return (v.isNumber() ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter).toInt();
    default: return {};
    }
}

QVariant TableEditModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= columnCount()) return {};
    const auto name = QString::fromStdString(column(section).name);
    return titles_.value(name.toLower(), name);
}

Qt::ItemFlags TableEditModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const auto& col = column(index.column());
    if (!editable_ || readOnly_.contains(QString::fromStdString(col.name).toLower())) return f;
    if (col.kind == workbench::ColumnKind::YesNo) return f | Qt::ItemIsUserCheckable;
    return f | Qt::ItemIsEditable;
}

bool TableEditModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || !(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable))) return false;
    QString text;
    if (role == Qt::CheckStateRole)
        text = value.toInt() == Qt::Checked ? "yes" : "no";
    else if (role == Qt::EditRole)
        text = value.toString();
    else
        return false;
    return storeCell(index.row(), index.column(), text);
}

bool TableEditModel::storeCell(int row, int visible, const QString& text)
{
    auto* c = connection_ ? connection_() : nullptr;
    if (!c || (mayWrite_ && !mayWrite_())) return false;
    const auto id = rowId(row);
    bool ok = true;
    try {
        workbench::update_cell(*c, source_.table, id, column(visible), text.toStdString());
    } catch (const workbench::CellError& e) {
        ok = false;
        report("value refused", QString::fromStdString(e.what()) + "\nNothing was stored.");
    } catch (const std::exception& e) {
        ok = false;
        report("row not stored", QString::fromStdString(e.what()));
    }
    // The row as it is stored now: the new value, or the old one when it was refused.
    try {
        auto stored = workbench::read_grid_row(*c, source_.table, id);
        if (!stored.empty()) rows_.rows[static_cast<std::size_t>(row)] = std::move(stored);
    } catch (const std::exception&) {
    }
    emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    if (ok) emit changed();
    return ok;
}

int TableEditModel::appendRow(const QStringList& columns, const std::vector<db::Value>& values)
{
    auto* c = connection_ ? connection_() : nullptr;
    if (!c || (mayWrite_ && !mayWrite_())) return -1;
    std::vector<std::string> names;
    for (const auto& n : columns) names.push_back(n.toStdString());
    long long id = -1;
    try {
        id = workbench::insert_grid_row(*c, source_.table, names, values);
    } catch (const std::exception& e) {
        report("row not stored", QString::fromStdString(e.what()));
        return -1;
    }
    reload();
    emit changed();
    return rowOf(id);
}

bool TableEditModel::deleteRow(int row)
{
    auto* c = connection_ ? connection_() : nullptr;
    if (!c || row < 0 || row >= rowCount() || (mayWrite_ && !mayWrite_())) return false;
    try {
        workbench::delete_grid_row(*c, source_.table, rowId(row));
    } catch (const std::exception& e) {
        report("row not deleted", QString::fromStdString(e.what()));
        return false;
    }
    reload();
    emit changed();
    return true;
}

} // namespace vt::gui
