#include "gui/browser/record_editor.h"

#include "gui/browser/rows_table_model.h"
#include "gui/widgets/dialog_hooks.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <exception>

namespace vt::gui {

QLabel* make_page_caption(QWidget* parent)
{
    auto* caption = new QLabel(parent);
    caption->setObjectName("caption");
    QFont f = caption->font();
    f.setBold(true);
    caption->setFont(f);
    return caption;
}

QTableView* make_record_grid(QAbstractItemModel* model, QWidget* parent)
{
    auto* grid = new QTableView(parent);
    grid->setObjectName("grid");
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

RecordButtons::RecordButtons(QWidget* parent, const QString& insertText, const QString& overwriteText)
{
    insert = new QRadioButton(insertText, parent);
    insert->setObjectName("insertMode");
    overwrite = new QRadioButton(overwriteText, parent);
    overwrite->setObjectName("overwriteMode");
    insert->setChecked(true);
    store = new QPushButton(QCoreApplication::translate("RecordButtons", "insert"), parent);
    store->setObjectName("store");
    remove = new QPushButton(QCoreApplication::translate("RecordButtons", "delete record"), parent);
    remove->setObjectName("deleteRecord");
    layout_ = new QHBoxLayout;
    layout_->addWidget(insert);
    layout_->addWidget(overwrite);
    layout_->addStretch();
    layout_->addWidget(store);
    layout_->addWidget(remove);
    QObject::connect(insert, &QRadioButton::toggled, store, [this](bool on) { setInsertMode(on); });
}

bool RecordButtons::insertMode() const { return insert->isChecked(); }

void RecordButtons::setInsertMode(bool on)
{
    insert->setChecked(on);
    overwrite->setChecked(!on);
    store->setText(on ? QCoreApplication::translate("RecordButtons", "insert") : QCoreApplication::translate("RecordButtons", "update"));
}

bool delete_current_record(QWidget* page, const QString& caption, QTableView* grid, const RowsTableModel* model,
                           const std::function<void(long long key)>& remove,
                           const std::function<void(long long keepKey)>& reload)
{
    const int row = grid->currentIndex().row();
    if (row < 0) return false;
    try {
        remove(model->key(row));
    } catch (const std::exception& e) {
        show_message(page, caption, QString::fromStdString(e.what()));
        return false;
    }
    reload(model->key(row + 1 < model->rowCount() ? row + 1 : row - 1));
    return true;
}

} // namespace vt::gui
