#pragma once
#include "workbench/params_table_edit.h"

#include <QAbstractTableModel>
#include <QMap>
#include <QStringList>

#include <functional>

namespace vt::db {
class Connection;
}

namespace vt::gui {

// A grid over one table of the open database: shows the rows a GridSource selects and
// stores every edited cell at once, its row or nothing. A value that does not fit its
// column, or a row the database refuses, is reported with a message and the cell shows
// the stored value again. Yes/no columns are check boxes.
class TableEditModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using ConnectionFn = std::function<db::Connection*()>;
    // `mayWrite` is asked before every change; it reports why not itself.
    TableEditModel(ConnectionFn connection, QWidget* messageParent, QObject* parent = nullptr);

    void setSource(const workbench::GridSource& source);
    const workbench::GridSource& source() const { return source_; }
    QString table() const { return QString::fromStdString(source_.table); }
    // Only these columns, in this order (names as in the table, any case); empty: all.
    void setVisibleColumns(const QStringList& names);
    // Column titles by lower-case column name.
    void setTitles(const QMap<QString, QString>& titles);
    void setReadOnlyColumns(const QStringList& names);
    void setEditable(bool editable);
    bool editable() const { return editable_; }
    void setWriteGuard(std::function<bool()> mayWrite) { mayWrite_ = std::move(mayWrite); }

    // Reads the rows again; false (and a message) when the table cannot be read. A model
    // without a table shows nothing.
    bool reload();
    void clear();

    long long rowId(int row) const;
    db::Value value(int row, const QString& column) const;
    // The row whose key is `rowId`; -1 when it is not shown.
    int rowOf(long long rowId) const;
    // Adds a row with these values (the others take their defaults); returns its row or -1.
    int appendRow(const QStringList& columns, const std::vector<db::Value>& values);
    bool deleteRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    // A row was stored, added or removed.
    void changed();

private:
    const workbench::ColumnInfo& column(int visible) const;
    bool storeCell(int row, int visible, const QString& text);
    void report(const QString& caption, const QString& text) const;
    void applyVisible();

    ConnectionFn connection_;
    QWidget* messageParent_;
    workbench::GridSource source_;
    workbench::GridRows rows_;
    QStringList visibleNames_;
    std::vector<int> visible_;  // model column -> column of rows_
    QMap<QString, QString> titles_;
    QStringList readOnly_;
    bool editable_ = true;
    std::function<bool()> mayWrite_;
};

// The text a grid shows for a value: whole numbers without decimals, other numbers in
// the user's locale without group separators.
QString display_text(const db::Value& v);
// A number with a fixed count of decimals in the user's locale, without group separators.
QString fixed_text(double v, int decimals);

} // namespace vt::gui
