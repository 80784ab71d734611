#include "gui/results/result_table_model.h"

#include <QLocale>

namespace vt::gui {

namespace {
// The user's decimal separator without thousands separators: years read as years.
QLocale grid_locale()
{
    QLocale l;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
}
} // namespace

QString locale_number(double v) { return grid_locale().toString(v, 'g', 12); }

ResultTableModel::ResultTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultTableModel::setTable(eval::Table table, QStringList titles)
{
    beginResetModel();
    table_ = std::move(table);
    titles_ = std::move(titles);
    endResetModel();
}

eval::Table ResultTableModel::shownTable() const
{
    eval::Table t = table_;
    for (int i = 0; i < static_cast<int>(t.columns.size()) && i < titles_.size(); ++i)
        t.columns[static_cast<std::size_t>(i)] = titles_[i].toStdString();
    return t;
}

int ResultTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(table_.rows.size());
}

int ResultTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(table_.columns.size());
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const db::Value& v = table_.rows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        if (v.isNull()) return QString();
        if (v.isInteger()) return grid_locale().toString(static_cast<qlonglong>(v.toInt()));
        if (v.isReal()) return locale_number(v.toDouble());
        return QString::fromStdString(v.toString());
    case Qt::UserRole:
        if (v.isNull()) return {};
        if (v.isInteger()) return QVariant::fromValue<qlonglong>(v.toInt());
        if (v.isReal()) return v.toDouble();
        return QString::fromStdString(v.toString());
    case Qt::TextAlignmentRole:
        return v.isNumber() ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < titles_.size()) return titles_[section];
    if (section < columnCount()) return QString::fromStdString(table_.columns[static_cast<std::size_t>(section)]);
    return {};
}

} // namespace vt::gui
