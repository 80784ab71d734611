#include "gui/params/parameter_viewer_dialog.h"

#include "gui/app/main_window.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/params_tables.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vt::gui {

ParameterViewerDialog::ParameterViewerDialog(MainWindow& main, QWidget* parent) : QDialog(parent), main_(main)
{
    setObjectName("ParameterViewerDialog");
    auto* layout = new QVBoxLayout(this);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName("parameters");
    tree_->setHeaderHidden(true);
    tree_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(tree_);
    resize(380, 520);
}

namespace {

void fill(QTreeWidget* tree, const std::vector<workbench::ParameterTree>& trees)
{
    tree->clear();
    for (const auto& t : trees) {
        auto* root = new QTreeWidgetItem(tree, {QString::fromStdString(t.title)});
        auto* group = new QTreeWidgetItem(root, {"parameters"});
        for (const auto& line : t.lines) new QTreeWidgetItem(group, {QString::fromStdString(line)});
    }
    tree->expandAll();
}

} // namespace

void ParameterViewerDialog::showCrop(long long itemIx)
{
    setWindowTitle(tr("gldpflan"));
    auto* c = main_.session().connection();
    if (!c) return;
    try {
        fill(tree_, workbench::crop_parameters(*c, itemIx));
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
    }
}

void ParameterViewerDialog::showAmendment(long long itemIx)
{
    setWindowTitle(tr("gldopspa"));
    auto* c = main_.session().connection();
    if (!c) return;
    try {
        fill(tree_, workbench::amendment_parameters(*c, itemIx));
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
    }
}

} // namespace vt::gui
