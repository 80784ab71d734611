#include "base/number_format.h"
#include "db/connection.h"
#include "gui/results/result_pages.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/results_data.h"
#include "workbench/session_jobs.h"

#include <QFileInfo>
#include <QLocale>
#include <QTabWidget>

namespace vt::gui {

namespace {

// The statistic in its shortest form (base::format_statistic) with the user's decimal separator.
std::string locale_statistic(long double v)
{
    return QString::fromStdString(base::format_statistic(v)).replace('.', QLocale().decimalPoint()).toStdString();
}

QString text_field(const eval::Table& t, const char* column)
{
    const int c = t.column(column);
    return c < 0 || t.rows.empty() ? QString() : QString::fromStdString(eval::cell(t.rows.front(), c).toString());
}

} // namespace

ResultPageSet::ResultPageSet(bool german, QObject* parent)
    : QObject(parent), german_(german), evaluator_(std::make_unique<eval::PlotEvaluator>(locale_statistic))
{
    carbon_ = new DynamicsPage(DynamicsPage::Kind::Carbon, german);
    nitrogen_ = new DynamicsPage(DynamicsPage::Kind::Nitrogen, german);
    microbial_ = new DynamicsPage(DynamicsPage::Kind::Microbial, german);
    turnover_ = new QuantityPage(QuantityPage::Kind::Turnover);
    misc_ = new QuantityPage(QuantityPage::Kind::Misc);
}

ResultPageSet::~ResultPageSet()
{
    // Pages handed to a tab widget belong to it (and may be gone already, when the tab
    // widget went first); the others go with the set.
    for (QWidget* p : pages())
        if (p && !p->parent()) delete p;
}

QList<QWidget*> ResultPageSet::pages() const { return {carbon_, nitrogen_, microbial_, turnover_, misc_}; }

void ResultPageSet::setDatabase(db::Connection* c, const QString& databasePath)
{
    c_ = c;
    folder_ = databasePath.isEmpty() ? QString() : QFileInfo(databasePath).absolutePath();
    for (DynamicsPage* p : {carbon_.data(), nitrogen_.data(), microbial_.data()}) {
        p->setReportFolder(folder_);
        p->clear();
    }
    turnover_->setRows({});
    misc_->setRows({});
    plot_ = 0;
}

bool ResultPageSet::showPlot(long long flId)
{
    if (!c_) return false;
    plot_ = flId;
    try {
        const eval::Table description = workbench::plot_description(*c_, flId);
        const QString location = text_field(description, "Location"), site = text_field(description, "site_description");
        const eval::PlotEvaluation ev = evaluator_->evaluate(*c_, flId, false, eval::Phase::All);
        ChartBand band{tr("90 % band"), {}};
        for (const auto& p : workbench::carbon_band(*c_, flId)) band.points.push_back({double(p.year), p.low, p.high});
        carbon_->setBand(std::move(band));
        for (DynamicsPage* page : {carbon_.data(), nitrogen_.data(), microbial_.data()}) {
            page->setValueAxisTitle({});
            page->setValueAxisTitle(QString::fromStdString(
                workbench::property_axis_title(*c_, page->property(), page->valueAxisTitle().toStdString())));
        }
        carbon_->setContent(evaluator_->carbon(), ev.carbonRows, location, site);
        nitrogen_->setContent(evaluator_->nitrogen(), ev.nitrogenRows, location, site);
        microbial_->setContent(evaluator_->microbial(), ev.microbialRows, location, site);
        turnover_->setRows(ev.turnover.rows);
        misc_->setRows(workbench::misc_results(*c_, flId));
        visibility_ = ev.pages;
    } catch (const std::exception& e) {
        show_message(carbon_, tr("DATABASE"), QString::fromStdString(e.what()));
        const QString folder = folder_;
        setDatabase(c_);
        for (DynamicsPage* p : {carbon_.data(), nitrogen_.data(), microbial_.data()}) p->setReportFolder(folder);
        folder_ = folder;
        visibility_ = {};
        applyVisibility();
        return false;
    }
    // The German interface has no page "misc.results".
    if (german_) visibility_.miscResults = false;
    applyVisibility();
    emit evaluated(flId);
    return true;
}

void ResultPageSet::addPagesTo(QTabWidget* tabs)
{
    tabs_ = tabs;
    tabs->addTab(carbon_, carbon_->caption());
    tabs->addTab(misc_, misc_->caption());
    tabs->addTab(nitrogen_, nitrogen_->caption());
    tabs->addTab(microbial_, microbial_->caption());
    tabs->addTab(turnover_, turnover_->caption());
    applyVisibility();
}

void ResultPageSet::applyVisibility()
{
    if (!tabs_) return;
    auto set = [this](QWidget* page, bool on) {
        const int i = tabs_->indexOf(page);
        if (i >= 0) tabs_->setTabVisible(i, on);
    };
    set(carbon_, visibility_.cDynamics);
    set(nitrogen_, visibility_.nDynamics);
    set(microbial_, visibility_.microbial);
    set(turnover_, visibility_.omTurnover);
    set(misc_, visibility_.miscResults && !german_);
}

bool ResultPageSet::showPage(const QString& caption)
{
    if (!tabs_) return false;
    const std::pair<const char*, QWidget*> english[] = {{"C-dynamics", carbon_},   {"N-dynamics", nitrogen_},
                                                        {"micr.BM", microbial_},   {"OM-turnover", turnover_},
                                                        {"misc.results", misc_}};
    for (const auto& [name, page] : english)
        if (caption == name && tabs_->indexOf(page) >= 0) {
            tabs_->setTabVisible(tabs_->indexOf(page), true);
            tabs_->setCurrentWidget(page);
            return true;
        }
    for (int i = 0; i < tabs_->count(); ++i)
        if (tabs_->tabText(i) == caption) {
            tabs_->setTabVisible(i, true);
            tabs_->setCurrentIndex(i);
            return true;
        }
    return false;
}

ReportDocument ResultPageSet::managementReport(workbench::ManagementFilter filter) const
{
    ReportDocument r;
    if (!c_ || plot_ == 0) return r;
    const eval::Table d = workbench::plot_description(*c_, plot_);
    r.location = text_field(d, "Location");
    r.site = text_field(d, "site_description");
    eval::Table rows = workbench::management_report_rows(*c_, plot_);
    if (const int macode = rows.column("MACODE"); macode >= 0)
        std::erase_if(rows.rows, [&](const eval::Row& row) {
            return !workbench::management_filter_accepts(filter, eval::cell(row, macode).toInt());
        });
    r.html = management_report_body(rows);
    return r;
}

ReportDocument ResultPageSet::siteReport() const
{
    ReportDocument r;
    if (!c_ || plot_ == 0) return r;
    eval::Table site = workbench::site_description(*c_, plot_);
    if (site.empty()) site = workbench::plot_description(*c_, plot_);  // soil or station missing
    r.location = text_field(site, "Location");
    r.site = text_field(site, "site_description");
    r.html = site_report_body(site, workbench::plot_references(*c_, plot_));
    return r;
}

void ResultPageSet::printManagement(QWidget* parent, bool pdfWithoutPreview, workbench::ManagementFilter filter) const
{
    if (plot_ != 0) managementReport(filter).present(parent, pdfWithoutPreview, folder_);
}

void ResultPageSet::printSiteDescription(QWidget* parent, bool pdfWithoutPreview) const
{
    if (plot_ != 0) siteReport().present(parent, pdfWithoutPreview, folder_);
}

} // namespace vt::gui
