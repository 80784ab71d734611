#include "gui/widgets/grid_view.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

namespace vt::gui {

QTableView* grid_view(QAbstractItemModel* model, const char* name, QWidget* parent)
{
    auto* v = new QTableView(parent);
    v->setObjectName(name);
    v->setModel(model);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->verticalHeader()->setDefaultSectionSize(22);
    v->horizontalHeader()->setStretchLastSection(true);
    // Columns as wide as the rows in view need (only those are measured).
    QObject::connect(model, &QAbstractItemModel::modelReset, v, [v] { v->resizeColumnsToContents(); });
    return v;
}

QPushButton* named_button(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace vt::gui
