#pragma once
#include "eval/plot_evaluation.h"
#include "gui/results/chart_tools.h"
#include "gui/results/report_document.h"
#include "workbench/browser_management.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QChartView;
class QComboBox;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class ResultTableModel;

// The export row of every result page: "==> xls" with its "make CSV" box.
class ExportBar : public QWidget {
    Q_OBJECT
public:
    explicit ExportBar(QWidget* parent);
    QPushButton* button() const { return button_; }
    QCheckBox* makeCsv() const { return makeCsv_; }

private:
    QPushButton* button_;
    QCheckBox* makeCsv_;
};

// The pages "C-dynamics", "N-dynamics" and "micr.BM": the pairs of observed and simulated
// values of one property in a grid, the three point series (simulated, observed,
// observed outliers) in a chart and the statistics list; "==> xls" and "create report".
class DynamicsPage : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Carbon, Nitrogen, Microbial };
    DynamicsPage(Kind kind, bool german, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    // The tab caption: "C-dynamics" / "Ergebnisse: Corg", ...
    QString caption() const;
    // The report's caption: "C-Dynamics", "N-Dynamics", "Cmic-Dynamics".
    QString reportCaption() const;

    // Shows a plot's evaluation of this page's property.
    void setContent(const eval::StatsAccumulator& acc, const eval::Table& evaluationRows, const QString& location,
                    const QString& site);
    void clear();
    // The band drawn behind the simulated values by the next setContent (the 90 % band of a
    // Monte Carlo uncertainty run on "C-dynamics"); no points, no band.
    void setBand(ChartBand band) { band_ = std::move(band); }
    // The title of the value axis: the property's name and unit (from the property table).
    void setValueAxisTitle(const QString& title) { valueTitle_ = title; }
    QString valueAxisTitle() const;
    // The property (M_IX) the page draws: 7 Corg, 0 Nt, 5 Cmic.
    int property() const;
    bool hasBand() const { return !band_.points.empty(); }

    // The grid's rows: YEAR_NUM (year_number on "micr.BM"), YEAR_, MEAS_VALUE, SIM_VALUE.
    const eval::Table& rows() const;
    QStringList statistics() const;
    QChartView* chartView() const { return chart_; }
    QTableView* grid() const { return grid_; }
    ExportBar* exportBar() const { return export_; }

    // The dynamics report of the page.
    ReportDocument report() const;
    // "create report": the chart picture (respic.png and respic.svg) in `pictureFolder`,
    // then the report as PDF. Returns false, with a message, when a file cannot be written.
    bool writeReport(const QString& pdfPath, const QString& pictureFolder);
    // Folder of the chart picture and of the proposed PDF (the database's folder).
    void setReportFolder(const QString& folder) { reportFolder_ = folder; }

public slots:
    void exportGrid();
    void createReport();

private:
    Kind kind_;
    bool german_;
    QString location_, site_;
    QString reportFolder_;
    ResultTableModel* model_;
    QTableView* grid_;
    QChartView* chart_;
    QListWidget* statistics_;
    ExportBar* export_;
    QPushButton* report_;
    QCheckBox* skipPreview_;
    ChartBand band_;
    QString valueTitle_;
};

// A page with a quantity choice, its chart and the grid: "OM-turnover" (the yearly
// organic matter balance, choice "selection") and "misc.results" (the yearly nitrogen
// result rows, with the figures "Mean=", "Min=", "Max=").
class QuantityPage : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Turnover, Misc };
    QuantityPage(Kind kind, QWidget* parent = nullptr);

    QString caption() const;
    // The rows as the query gave them; the grid shows them with the page's titles.
    void setRows(const eval::Table& rows);
    const eval::Table& rows() const;
    // Chooses the n-th quantity and redraws the chart (and the figures).
    void choose(int index);
    QComboBox* choice() const { return choice_; }
    QChartView* chartView() const { return chart_; }
    QTableView* grid() const { return grid_; }
    QStringList figures() const;
    ExportBar* exportBar() const { return export_; }

public slots:
    void exportGrid();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Kind kind_;
    ResultTableModel* model_;
    QComboBox* choice_;
    QChartView* chart_;
    QTableView* grid_;
    QListWidget* figures_ = nullptr;
    ExportBar* export_;
};

// The result pages of the browser and the evaluation that fills them: after a plot is
// loaded (or a run has ended) showPlot() evaluates it once and fills all five pages, and
// tells which of them to show.
class ResultPageSet : public QObject {
    Q_OBJECT
public:
    explicit ResultPageSet(bool german, QObject* parent = nullptr);
    ~ResultPageSet() override;

    // The open database and its path (the reports' folder); null: pages stay empty.
    void setDatabase(db::Connection* c, const QString& databasePath = {});
    // Evaluates a plot ("all records") and fills the pages. Database errors are shown and
    // leave the pages empty. Returns whether the plot was evaluated.
    bool showPlot(long long flId);
    long long plot() const { return plot_; }
    // Which pages the last evaluation shows.
    const eval::ResultPages& visibility() const { return visibility_; }

    DynamicsPage* carbon() const { return carbon_; }
    DynamicsPage* nitrogen() const { return nitrogen_; }
    DynamicsPage* microbial() const { return microbial_; }
    QuantityPage* turnover() const { return turnover_; }
    QuantityPage* misc() const { return misc_; }
    QList<QWidget*> pages() const;

    // Adds the five pages to a tab widget (the browser's pages) and keeps their
    // visibility up to date there.
    void addPagesTo(QTabWidget* tabs);
    // Shows the page with this caption (English or German) in the tab widget.
    bool showPage(const QString& caption);

    // The management report and the site description report of the shown plot.
    // The management report lists the events the management page's filter shows.
    ReportDocument managementReport(workbench::ManagementFilter filter = workbench::ManagementFilter::All) const;
    ReportDocument siteReport() const;
    // "print management" and "print site desc.": the report's preview, or with
    // `pdfWithoutPreview` ("save as PDF; no preview") a PDF file beside the database.
    void printManagement(QWidget* parent, bool pdfWithoutPreview = false,
                         workbench::ManagementFilter filter = workbench::ManagementFilter::All) const;
    void printSiteDescription(QWidget* parent, bool pdfWithoutPreview = false) const;

signals:
    void evaluated(long long plot);

private:
    void applyVisibility();

    bool german_;
    db::Connection* c_ = nullptr;
    QString folder_;
    long long plot_ = 0;
    std::unique_ptr<eval::PlotEvaluator> evaluator_;
    eval::ResultPages visibility_;
    // A page belongs to the set until addPagesTo() hands it to a tab widget, then to that
    // widget; the guarded pointers turn null when their owner deletes them first.
    QPointer<DynamicsPage> carbon_;
    QPointer<DynamicsPage> nitrogen_;
    QPointer<DynamicsPage> microbial_;
    QPointer<QuantityPage> turnover_;
    QPointer<QuantityPage> misc_;
    QPointer<QTabWidget> tabs_;
};

} // namespace vt::gui
