#include "gui/params/table_list_page.h"

#include "db/connection.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/widgets/file_to_write.h"
#include "gui/widgets/grid_view.h"
#include "gui/widgets/table_edit_model.h"
#include "workbench/params_tables.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace vt::gui {

TableListPage::TableListPage(ParamsAccess access, bool xml, QWidget* parent) : QWidget(parent), access_(std::move(access))
{
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    list_ = new QListWidget(this);
    list_->setObjectName("tables");
    list_->setMaximumWidth(220);
    left->addWidget(list_, 1);
    auto* xlsx = named_button(tr("export to XLS"), "export_xls", this);
    left->addWidget(xlsx);
    if (xml) {
        auto* x = named_button(tr("export to XML"), "export_xml", this);
        left->addWidget(x);
        connect(x, &QPushButton::clicked, this, &TableListPage::exportXml);
    }
    layout->addLayout(left);
    auto* right = new QVBoxLayout;
    title_ = new QLabel(this);
    title_->setObjectName("table_name");
    right->addWidget(title_);
    model_ = new TableEditModel(access_.connection, this, this);
    model_->setWriteGuard(access_.mayWrite);
    view_ = grid_view(model_, "grid", this);
    right->addWidget(view_, 1);
    layout->addLayout(right, 1);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { showTable(item->text()); });
    connect(xlsx, &QPushButton::clicked, this, &TableListPage::exportXlsx);
}

void TableListPage::setTables(const QStringList& names)
{
    list_->clear();
    list_->addItems(names);
    if (!names.contains(shownTable())) {
        model_->clear();
        title_->clear();
    }
}

QStringList TableListPage::tables() const
{
    QStringList out;
    for (int i = 0; i < list_->count(); ++i) out << list_->item(i)->text();
    return out;
}

void TableListPage::showTable(const QString& name)
{
    auto* c = access_.connection();
    if (!c) return;
    if (!c->tableExists(name.toStdString())) {
        show_message(this, name, tr("The table ") + name + " is not in the database.");
        return;
    }
    model_->setSource({name.toStdString(), "", {}, {}});
    if (model_->reload()) title_->setText(name);
}

QString TableListPage::shownTable() const { return title_->text(); }

void TableListPage::exportXlsx()
{
    auto* c = access_.connection();
    const auto table = shownTable();
    if (!c || table.isEmpty()) return;
    const auto file = choose_file_to_write(this, tr("export to XLS"), QDir::current().filePath(table + ".xlsx"),
                                           "Excel workbooks (*.xlsx)");
    if (file.isEmpty()) return;
    try {
        workbench::export_table_xlsx(*c, table.toStdString(), file.toStdString());
    } catch (const std::exception& e) {
        show_message(this, tr("export to XLS"), QString::fromStdString(e.what()));
        return;
    }
    if (!DialogHooks::capturing() && !QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        show_message(this, tr("export to XLS"), tr("The file was written, but no program opens it here:\n") + file);
}

void TableListPage::exportXml()
{
    auto* c = access_.connection();
    const auto table = shownTable();
    if (!c || table.isEmpty()) return;
    const auto file = QDir::current().filePath(table + ".xml");
    try {
        workbench::export_table_xml(*c, table.toStdString(), file.toStdString());
    } catch (const std::exception& e) {
        show_message(this, tr("export to XML"), QString::fromStdString(e.what()));
        return;
    }
    show_message(this, tr("export to XML"), tr("saved: ") + file);
}

} // namespace vt::gui
