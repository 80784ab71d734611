#include "gui/results/grid_export.h"
#include "gui/results/result_pages.h"
#include "gui/results/result_table_model.h"
#include "workbench/results_data.h"

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

namespace {

struct Column {
    const char* name;
    const char* title;  // English; translated where shown
};

// The grid of "OM-turnover": its columns in display order with their titles.
const std::vector<Column>& turnover_columns()
{
    static const std::vector<Column> c = {
        {"year_", QT_TRANSLATE_NOOP("QuantityPage", "year")},
        {"crepflx", QT_TRANSLATE_NOOP("QuantityPage", "SOM gain [kgC/ha/a]")},
        {"csomloss", QT_TRANSLATE_NOOP("QuantityPage", "SOM loss [kgC/ha/a]")},
        {"saldo", QT_TRANSLATE_NOOP("QuantityPage", "saldo [kgC/ha/a]")},
        {"c2atm", QT_TRANSLATE_NOOP("QuantityPage", "CO2 prod. [kgC/ha/a]")},
        {"soilcarbon", QT_TRANSLATE_NOOP("QuantityPage", "soil C storage [kg/ha]")},
        {"bat", QT_TRANSLATE_NOOP("QuantityPage", "BAT [d/yr]")},
        {"repix", QT_TRANSLATE_NOOP("QuantityPage", "REP_IX")},
    };
    return c;
}

// The captions of the workbench's quantities, for the translators; the page shows them
// through tr().
[[maybe_unused]] const char* const kQuantityCaptions[] = {
    QT_TRANSLATE_NOOP("QuantityPage", "SOM - reproduction"),
    QT_TRANSLATE_NOOP("QuantityPage", "SOM - decomposition"),
    QT_TRANSLATE_NOOP("QuantityPage", "total C emission"),
    QT_TRANSLATE_NOOP("QuantityPage", "total C in soil"),
    QT_TRANSLATE_NOOP("QuantityPage", "SOM saldo"),
    QT_TRANSLATE_NOOP("QuantityPage", "BAT"),
    QT_TRANSLATE_NOOP("QuantityPage", "REP_IX"),
    QT_TRANSLATE_NOOP("QuantityPage", "N-mineralisation kg/ha/a"),
    QT_TRANSLATE_NOOP("QuantityPage", "N in FOM kg/ha"),
    QT_TRANSLATE_NOOP("QuantityPage", "C in FOM kg/ha"),
    QT_TRANSLATE_NOOP("QuantityPage", "N in SOM kg/ha"),
    QT_TRANSLATE_NOOP("QuantityPage", "C in SOM kg/ha"),
    QT_TRANSLATE_NOOP("QuantityPage", "phys.stab. SOC kg/ha"),
    QT_TRANSLATE_NOOP("QuantityPage", "CNR"),
    QT_TRANSLATE_NOOP("QuantityPage", "C_rep flux in kg/ha/a"),
    QT_TRANSLATE_NOOP("QuantityPage", "BD"),
    QT_TRANSLATE_NOOP("QuantityPage", "PWP"),
    QT_TRANSLATE_NOOP("QuantityPage", "AOS-age"),
    QT_TRANSLATE_NOOP("QuantityPage", "SOS-age"),
    QT_TRANSLATE_NOOP("QuantityPage", "LTS-age"),
};

const std::vector<workbench::Quantity>& quantities(QuantityPage::Kind k)
{
    return k == QuantityPage::Kind::Turnover ? workbench::turnover_quantities() : workbench::misc_quantities();
}

} // namespace

QuantityPage::QuantityPage(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind)
{
    setObjectName(kind == Kind::Turnover ? "om_turnover" : "misc_results");
    model_ = new ResultTableModel(this);
    choice_ = new QComboBox(this);
    choice_->setObjectName("selection");
    for (const auto& q : quantities(kind)) choice_->addItem(tr(q.caption));
    chart_ = make_chart_view(this);
    chart_->setObjectName("chart");
    grid_ = new QTableView(this);
    grid_->setObjectName("grid");
    grid_->setModel(model_);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    export_ = new ExportBar(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(kind == Kind::Turnover ? tr("selection") : tr("quantity"), this));
    top->addWidget(choice_);
    top->addStretch();
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(chart_);
    if (kind == Kind::Misc) {
        figures_ = new QListWidget(this);
        figures_->setObjectName("figures");
        figures_->setMaximumWidth(220);
        split->addWidget(figures_);
    }
    auto* vsplit = new QSplitter(Qt::Vertical, this);
    vsplit->addWidget(split);
    vsplit->addWidget(grid_);
    vsplit->setStretchFactor(0, 3);
    vsplit->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(vsplit, 1);
    layout->addWidget(export_);

    connect(choice_, qOverload<int>(&QComboBox::activated), this, &QuantityPage::choose);
    connect(export_->button(), &QPushButton::clicked, this, &QuantityPage::exportGrid);
}

QString QuantityPage::caption() const
{
    if (kind_ == Kind::Turnover) return tr("OM-turnover");
    return tr("misc.results");
}

void QuantityPage::setRows(const eval::Table& rows)
{
    if (kind_ == Kind::Turnover) {
        eval::Table t;
        QStringList titles;
        std::vector<int> cols;
        for (const auto& c : turnover_columns()) {
            t.columns.push_back(c.name);
            titles << tr(c.title);
            cols.push_back(rows.column(c.name));
        }
        for (const auto& r : rows.rows) {
            eval::Row out;
            for (int c : cols) out.push_back(c >= 0 ? eval::cell(r, c) : db::Value());
            t.rows.push_back(std::move(out));
        }
        model_->setTable(std::move(t), titles);
    } else {
        model_->setTable(rows);
    }
    choose(choice_->currentIndex() < 0 ? 0 : choice_->currentIndex());
}

const eval::Table& QuantityPage::rows() const { return model_->table(); }

void QuantityPage::choose(int index)
{
    const auto& q = quantities(kind_);
    if (index < 0 || index >= static_cast<int>(q.size())) return;
    if (choice_->currentIndex() != index) choice_->setCurrentIndex(index);
    const QString name = choice_->itemText(index);
    const eval::Table& t = model_->table();
    const char* x = kind_ == Kind::Turnover ? "year_" : "year";
    // The value axis carries the unit of the column drawn, as the grid's title does.
    QString yTitle = name;
    if (kind_ == Kind::Turnover)
        for (const auto& c : turnover_columns())
            if (q[static_cast<std::size_t>(index)].column == std::string(c.name)) yTitle = tr(c.title);
    show_line_chart(chart_->chart(), t, x, q[static_cast<std::size_t>(index)].column,
                    {name, tr("year"), yTitle}, name);
    if (!figures_) return;
    figures_->clear();
    if (const auto f = workbench::quantity_figures(t, q[static_cast<std::size_t>(index)].column)) {
        figures_->addItem(tr("Mean=") + locale_number(f->mean));
        figures_->addItem(tr("Min=") + locale_number(f->min));
        figures_->addItem(tr("Max=") + locale_number(f->max));
    }
}

QStringList QuantityPage::figures() const
{
    QStringList l;
    if (figures_)
        for (int i = 0; i < figures_->count(); ++i) l << figures_->item(i)->text();
    return l;
}

void QuantityPage::exportGrid() { export_grid(this, model_->shownTable(), export_->makeCsv()->isChecked()); }

void QuantityPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    choose(0);  // showing the page selects its first quantity
}

} // namespace vt::gui
