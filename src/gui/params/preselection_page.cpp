#include "gui/params/preselection_page.h"

#include "gui/widgets/dialog_hooks.h"
#include "gui/widgets/grid_view.h"
#include "gui/widgets/table_edit_model.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

using workbench::SelectionList;

namespace {
int at(SelectionList l) { return static_cast<int>(l); }
} // namespace

PreselectionPage::PreselectionPage(ParamsAccess access, QWidget* parent) : QWidget(parent), access_(std::move(access))
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(listBox(SelectionList::Crops, tr("crops"), "crops"));
    layout->addWidget(listBox(SelectionList::Amendments, tr("organic amendments"), "amendments"));
    layout->addWidget(listBox(SelectionList::Fertilizers, tr("mineral fertilizers"), "fertilizers"));
}

QWidget* PreselectionPage::listBox(SelectionList list, const QString& title, const char* name)
{
    auto* box = new QGroupBox(title, this);
    auto* v = new QVBoxLayout(box);
    auto* m = new TableEditModel(access_.connection, this, this);
    m->setWriteGuard(access_.mayWrite);
    m->setSource({workbench::selection_table(list), "", {}, {}});
    m->setVisibleColumns({"select", "ITEM_IX", "Name"});
    m->setReadOnlyColumns({"select", "ITEM_IX", "Name"});  // [select] changes by double click
    m->setTitles({{"select", tr("select")}, {"item_ix", tr("ITEM_IX")}, {"name", tr("Name")}});
    models_[at(list)] = m;
    auto* view = grid_view(m, name, box);
    views_[at(list)] = view;
    v->addWidget(view, 1);
    auto* row = new QHBoxLayout;
    const QString prefix = name;
    const QString all = list == SelectionList::Crops ? tr("use all") : tr("use all") + " ";
    auto* none = named_button(tr("use none"), qPrintable(prefix + "_none"), box);
    auto* invert = named_button(tr("invert"), qPrintable(prefix + "_invert"), box);
    auto* useAll = named_button(all, qPrintable(prefix + "_all"), box);
    for (auto* b : {none, invert, useAll}) row->addWidget(b);
    v->addLayout(row);
    connect(none, &QPushButton::clicked, this, [this, list] { press(list, Button::None); });
    connect(invert, &QPushButton::clicked, this, [this, list] { press(list, Button::Invert); });
    connect(useAll, &QPushButton::clicked, this, [this, list] { press(list, Button::All); });
    connect(view, &QTableView::doubleClicked, this, [this, list](const QModelIndex& i) { toggle(list, i.row()); });
    return box;
}

void PreselectionPage::reload()
{
    for (auto* m : models_) m->reload();
}

TableEditModel* PreselectionPage::model(SelectionList list) const { return models_[at(list)]; }
QTableView* PreselectionPage::view(SelectionList list) const { return views_[at(list)]; }

void PreselectionPage::toggle(SelectionList list, int row)
{
    auto* m = model(list);
    auto* c = access_.connection();
    if (!c || row < 0 || row >= m->rowCount() || !access_.mayWrite()) return;
    try {
        workbench::toggle_selection(*c, list, m->rowId(row));
    } catch (const std::exception& e) {
        show_message(this, tr("preselection"), QString::fromStdString(e.what()));
    }
    m->reload();
    views_[at(list)]->selectRow(row);
}

void PreselectionPage::press(SelectionList list, Button button)
{
    auto* c = access_.connection();
    if (!c || !access_.mayWrite()) return;
    try {
        switch (button) {
        case Button::None: workbench::select_none(*c, list); break;
        case Button::Invert: workbench::invert_selection(*c, list); break;
        case Button::All: workbench::select_all(*c, list); break;
        }
    } catch (const std::exception& e) {
        show_message(this, tr("preselection"), QString::fromStdString(e.what()));
    }
    model(list)->reload();
}

} // namespace vt::gui
