#include "gui/params/parameter_window.h"

#include "db/connection.h"
#include "gui/app/main_window.h"
#include "gui/params/params_common.h"
#include "gui/params/preselection_page.h"
#include "gui/params/soil_profile_page.h"
#include "gui/params/table_list_page.h"
#include "gui/widgets/grid_view.h"
#include "gui/widgets/table_edit_model.h"
#include "workbench/params_table_edit.h"
#include "workbench/params_tables.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

ParameterWindow::ParameterWindow(MainWindow& main, QWidget* parent) : QDialog(parent), main_(main)
{
    setObjectName("ParameterWindow");
    setWindowTitle(tr("RUX-Parameter"));
    setModal(true);
    const auto access = params_access(main_, this);
    auto model = [&] {
        auto* m = new TableEditModel(access.connection, this, this);
        m->setWriteGuard(access.mayWrite);
        return m;
    };
    amendments_ = model();
    crops_ = model();
    fertilizers_ = model();
    properties_ = model();
    actions_ = model();
    rpx_ = model();
    properties_->setTitles({{"m_ix", tr("INDEX")}, {"bezeichnung", tr("NAME")}, {"einheit", tr("UNIT")}});
    properties_->setVisibleColumns({"M_IX", "BEZEICHNUNG", "EINHEIT"});

    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName("pages");
    preselection_ = new PreselectionPage(access, pages_);
    pages_->addTab(preselection_, tr("preselection"));

    auto* filterBox = new QWidget(this);
    auto* filterRow = new QHBoxLayout(filterBox);
    filterRow->setContentsMargins(0, 0, 0, 0);
    filterAll_ = new QRadioButton(tr("all"), filterBox);
    filterResidues_ = new QRadioButton(tr("residues"), filterBox);
    filterSubstrates_ = new QRadioButton(tr("substrates"), filterBox);
    filterAll_->setObjectName("filter_all");
    filterResidues_->setObjectName("filter_residues");
    filterSubstrates_->setObjectName("filter_substrates");
    filterAll_->setChecked(true);
    for (auto* r : {filterAll_, filterResidues_, filterSubstrates_}) filterRow->addWidget(r);
    humodNote_ = new QLabel(filterBox);
    filterRow->addWidget(humodNote_);
    filterRow->addStretch();
    connect(filterAll_, &QRadioButton::clicked, this, [this] { setAmendmentFilter(AmendmentFilter::All); });
    connect(filterResidues_, &QRadioButton::clicked, this, [this] { setAmendmentFilter(AmendmentFilter::Residues); });
    connect(filterSubstrates_, &QRadioButton::clicked, this, [this] { setAmendmentFilter(AmendmentFilter::Substrates); });

    pages_->addTab(gridPage(OmParm, amendments_, "amendments", filterBox), tr("OM-Parm"));
    pages_->addTab(gridPage(CropParm, crops_, "crops"), tr("Crop-Parm"));
    pages_->addTab(gridPage(Fertilizers, fertilizers_, "fertilizers"), tr("Fertilizers"));
    soil_ = new SoilProfilePage(access, pages_);
    pages_->addTab(soil_, tr("Soil Profiles"));
    pages_->addTab(gridPage(Properties, properties_, "properties"), tr("Properties"));
    pages_->addTab(gridPage(Actions, actions_, "actions"), tr("Actions"));
    results_ = new TableListPage(access, false, pages_);
    results_->setObjectName("results");
    QStringList resultNames;
    for (const auto& t : workbench::kResultTables) resultNames << QString::fromStdString(t);
    results_->setTables(resultNames);
    pages_->addTab(results_, tr("Results"));
    database_ = new TableListPage(access, true, pages_);
    database_->setObjectName("database");
    pages_->addTab(database_, tr("ACCESS-DATABASE"));
    pages_->addTab(gridPage(Rpx, rpx_, "rpx"), tr("RPX classification"));
    layout->addWidget(pages_, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* endButton = named_button(tr("End"), "end", this);
    bottom->addWidget(endButton);
    layout->addLayout(bottom);
    connect(endButton, &QPushButton::clicked, this, &ParameterWindow::end);
    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == SoilProfiles && soil_->currentSoil() < 0) soil_->reload();
    });
    connect(soil_, &SoilProfilePage::soilsChanged, this, &ParameterWindow::soilsChanged);
    resize(980, 600);
}

QWidget* ParameterWindow::gridPage(Page, TableEditModel* model, const char* name, QWidget* extra)
{
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    if (extra) v->addWidget(extra);
    v->addWidget(grid_view(model, name, page), 1);
    return page;
}

TableEditModel* ParameterWindow::gridModel(Page page) const
{
    switch (page) {
    case OmParm: return amendments_;
    case CropParm: return crops_;
    case Fertilizers: return fertilizers_;
    case Properties: return properties_;
    case Actions: return actions_;
    case Rpx: return rpx_;
    case Results: return results_->model();
    case AccessDatabase: return database_->model();
    default: return nullptr;
    }
}

void ParameterWindow::prepareShow()
{
    refillTableList();
    showPage(OmParm);
}

void ParameterWindow::refillTableList()
{
    QStringList names;
    if (auto* c = main_.session().connection()) {
        try {
            for (const auto& t : workbench::list_tables(*c)) names << QString::fromStdString(t);
        } catch (const std::exception&) {
        }
    }
    database_->setTables(names);
}

void ParameterWindow::showPage(Page page) { pages_->setCurrentIndex(page); }

ParameterWindow::Page ParameterWindow::currentPage() const { return static_cast<Page>(pages_->currentIndex()); }

void ParameterWindow::activate()
{
    auto* c = main_.session().connection();
    const auto tables = workbench::parameter_tables(main_.session().methode());
    amendmentTable_ = tables.amendments;
    const bool humod = !tables.amendmentFilter;
    for (auto* r : {filterAll_, filterResidues_, filterSubstrates_}) r->setEnabled(!humod);
    humodNote_->setText(humod ? tr("method HUMOD: %1, %2")
                                    .arg(QString::fromStdString(tables.crops), QString::fromStdString(tables.amendments))
                              : QString());
    if (humod) {
        crops_->setVisibleColumns({});
        amendments_->setVisibleColumns({});
    } else {
        crops_->setVisibleColumns({"item_ix", "name", "CEWR", "FEWR", "N_gehalt", "HI", "ewr_ix", "grd_ix", "kop_ix",
                                   "ros_ix", "kurzbez"});
        amendments_->setVisibleColumns({"item_ix", "od", "name", "k", "eta", "cnr", "cnr_alt", "ts_gehalt", "c_geh_ts",
                                        "ros_ix"});
    }
    // A table the database lacks shows an empty grid rather than a message at every showing.
    auto open = [c](TableEditModel* m, const std::string& table, std::vector<std::string> order) {
        if (!c || !c->tableExists(table)) {
            m->clear();
            return;
        }
        auto source = m->source();
        source.table = table;
        source.orderBy = std::move(order);
        m->setSource(source);
        m->reload();
    };
    open(crops_, tables.crops, humod ? std::vector<std::string>{} : std::vector<std::string>{"item_ix"});
    setAmendmentFilter(humod ? AmendmentFilter::All : filter_);
    open(fertilizers_, "gldmindg", {"item_ix"});
    open(properties_, "GLN_MWML", {});
    open(actions_, "gldaktion", {});
    open(rpx_, "rpx_class", {});
    preselection_->reload();
    if (currentPage() == SoilProfiles) soil_->reload();
}

void ParameterWindow::setAmendmentFilter(AmendmentFilter filter)
{
    filter_ = filter;
    filterAll_->setChecked(filter == AmendmentFilter::All);
    filterResidues_->setChecked(filter == AmendmentFilter::Residues);
    filterSubstrates_->setChecked(filter == AmendmentFilter::Substrates);
    auto* c = main_.session().connection();
    if (!c || !c->tableExists(amendmentTable_)) {
        amendments_->clear();
        return;
    }
    workbench::GridSource s{amendmentTable_, "", {}, {}};
    if (amendmentTable_ == "gldopspa") s.orderBy = {"item_ix"};
    if (filter != AmendmentFilter::All) {
        s.filterColumn = "od";
        s.filterValue = filter == AmendmentFilter::Residues ? db::Value(0) : db::Value(-1);
    }
    amendments_->setSource(s);
    amendments_->reload();
}

void ParameterWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    activate();
}

void ParameterWindow::finish()
{
    soil_->storeOnClose();
    filter_ = AmendmentFilter::All;
    emit parametersChanged();
}

void ParameterWindow::end() { accept(); }

void ParameterWindow::done(int result)
{
    finish();
    QDialog::done(result);
}

} // namespace vt::gui
