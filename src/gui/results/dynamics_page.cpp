#include "gui/results/grid_export.h"
#include "gui/results/result_pages.h"
#include "gui/results/result_table_model.h"
#include "gui/widgets/dialog_hooks.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

namespace {

struct KindText {
    const char* caption;  // English; translated where shown
    const char* report;
    const char* yTitle;  // without a property table
    const char* objectName;
    int property;
};

const KindText& text_of(DynamicsPage::Kind k)
{
    static const KindText texts[] = {
        {QT_TRANSLATE_NOOP("DynamicsPage", "C-dynamics"), "C-Dynamics", "Corg [%]", "c_dynamics", 7},
        {QT_TRANSLATE_NOOP("DynamicsPage", "N-dynamics"), "N-Dynamics", "Nt [%]", "n_dynamics", 0},
        {QT_TRANSLATE_NOOP("DynamicsPage", "micr.BM"), "Cmic-Dynamics", "Cmic [mg C/100 g]", "micr_bm", 5},
    };
    return texts[static_cast<int>(k)];
}

// The four grid columns of the page from the evaluation's rows.
eval::Table grid_rows(DynamicsPage::Kind k, const eval::Table& rows)
{
    const char* first = k == DynamicsPage::Kind::Microbial ? "year_number" : "YEAR_NUM";
    const char* source = k == DynamicsPage::Kind::Microbial ? "year_number" : "year_num";
    eval::Table t;
    t.columns = {first, "YEAR_", "MEAS_VALUE", "SIM_VALUE"};
    const int cols[4] = {rows.column(source), rows.column("year_"), rows.column("meas_value"),
                         rows.column("sim_value")};
    for (const auto& r : rows.rows) {
        eval::Row out;
        for (int c : cols) out.push_back(c >= 0 ? eval::cell(r, c) : db::Value());
        t.rows.push_back(std::move(out));
    }
    return t;
}

} // namespace

ExportBar::ExportBar(QWidget* parent) : QWidget(parent)
{
    button_ = new QPushButton(tr("==> xls"), this);
    button_->setObjectName("to_xls");
    makeCsv_ = new QCheckBox(tr("make CSV"), this);
    makeCsv_->setObjectName("make_csv");
    auto* l = new QHBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(button_);
    l->addWidget(makeCsv_);
    l->addStretch();
}

DynamicsPage::DynamicsPage(Kind kind, bool german, QWidget* parent) : QWidget(parent), kind_(kind), german_(german)
{
    setObjectName(text_of(kind).objectName);
    model_ = new ResultTableModel(this);
    grid_ = new QTableView(this);
    grid_->setObjectName("grid");
    grid_->setModel(model_);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setMinimumWidth(300);
    chart_ = make_chart_view(this);
    chart_->setObjectName("chart");
    statistics_ = new QListWidget(this);
    statistics_->setObjectName("statistics");
    QFont mono("DejaVu Sans Mono");
    mono.setStyleHint(QFont::Monospace);
    statistics_->setFont(mono);
    statistics_->setMinimumWidth(260);
    // The German interface shows no statistics list on the carbon and nitrogen pages.
    if (german_ && kind_ != Kind::Microbial) statistics_->hide();

    export_ = new ExportBar(this);
    report_ = new QPushButton(tr("create report"), this);
    report_->setObjectName("create_report");
    skipPreview_ = new QCheckBox(tr("save as PDF; skip preview"), this);
    skipPreview_->setObjectName("skip_preview");

    auto* right = new QSplitter(Qt::Vertical, this);
    right->addWidget(chart_);
    right->addWidget(statistics_);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(grid_);
    split->addWidget(right);
    split->setStretchFactor(1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(export_);
    buttons->addStretch();
    buttons->addWidget(skipPreview_);
    buttons->addWidget(report_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    connect(export_->button(), &QPushButton::clicked, this, &DynamicsPage::exportGrid);
    connect(report_, &QPushButton::clicked, this, &DynamicsPage::createReport);
    clear();
}

QString DynamicsPage::caption() const { return tr(text_of(kind_).caption); }

QString DynamicsPage::reportCaption() const { return text_of(kind_).report; }

QString DynamicsPage::valueAxisTitle() const { return valueTitle_.isEmpty() ? QString(text_of(kind_).yTitle) : valueTitle_; }

int DynamicsPage::property() const { return text_of(kind_).property; }

void DynamicsPage::clear()
{
    band_ = {};
    setContent(eval::StatsAccumulator(""), {}, {}, {});
}

void DynamicsPage::setContent(const eval::StatsAccumulator& acc, const eval::Table& evaluationRows,
                              const QString& location, const QString& site)
{
    location_ = location;
    site_ = site;
    const QStringList titles = {"N", tr("YEAR_"), tr("MEAS_VALUE"), tr("SIM_VALUE")};
    model_->setTable(grid_rows(kind_, evaluationRows), titles);
    statistics_->clear();
    for (const auto& line : acc.lines()) statistics_->addItem(QString::fromStdString(line));
    const QStringList names = {tr("simulated"), tr("observed"), tr("observed outliers")};
    show_dynamics_chart(chart_->chart(), acc.chart(),
                        {caption() + (site.isEmpty() ? QString() : "  " + site), tr("year"),
                         valueAxisTitle()},
                        names, band_);
    grid_->scrollToBottom();
}

const eval::Table& DynamicsPage::rows() const { return model_->table(); }

QStringList DynamicsPage::statistics() const
{
    QStringList l;
    for (int i = 0; i < statistics_->count(); ++i) l << statistics_->item(i)->text();
    return l;
}

void DynamicsPage::exportGrid() { export_grid(this, model_->shownTable(), export_->makeCsv()->isChecked()); }

ReportDocument DynamicsPage::report() const
{
    ReportDocument r;
    r.location = location_;
    r.site = site_;
    r.chart = chart_;
    r.html = dynamics_report_body(reportCaption(), statistics(), rows());
    return r;
}

bool DynamicsPage::writeReport(const QString& pdfPath, const QString& pictureFolder)
{
    // The chart picture beside the database: PNG for viewers, SVG as vector graphics.
    const QDir dir(pictureFolder.isEmpty() ? QDir::currentPath() : pictureFolder);
    if (!save_chart(chart_, dir.filePath("respic.png")) || !save_chart(chart_, dir.filePath("respic.svg"))) {
        show_message(this, tr("create report"), dir.filePath("respic.png") + ": cannot write the chart picture");
        return false;
    }
    if (!report().writePdf(pdfPath)) {
        show_message(this, tr("create report"), pdfPath + ": cannot write the report");
        return false;
    }
    return true;
}

void DynamicsPage::createReport()
{
    const QString folder = reportFolder_.isEmpty() ? QDir::currentPath() : reportFolder_;
    QString pdf;
    if (!DialogHooks::takeFileName(pdf))
        pdf = QFileDialog::getSaveFileName(this, tr("create report"), QDir(folder).filePath("test.pdf"),
                                           "PDF files (*.pdf)");
    if (pdf.isEmpty()) return;
    if (writeReport(pdf, folder)) open_with_desktop(pdf);
}

} // namespace vt::gui
