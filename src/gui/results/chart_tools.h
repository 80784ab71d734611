#pragma once
#include "eval/chart_series.h"
#include "eval/table_data.h"

#include <QString>

#include <vector>

class QChart;
class QChartView;
class QPainter;
class QRectF;
class QWidget;

namespace vt::gui {

// Captions of a chart: its title and the titles of its axes, units included.
struct ChartCaptions {
    QString title;
    QString xTitle;
    QString yTitle;
};

// A chart view for a result page: antialiased, numbers in the user's locale, and a
// context menu to copy the chart or save it as PNG or SVG.
QChartView* make_chart_view(QWidget* parent);

// A band behind the points of a dynamics chart: per year its lower and upper value.
struct ChartBand {
    QString name;
    struct Point {
        double x, low, high;
    };
    std::vector<Point> points;
};

// Fills the chart with the three point series of a dynamics page (simulated, observed,
// observed outliers) and axes that span the points, with the band (when it has points)
// drawn behind them.
void show_dynamics_chart(QChart* chart, const eval::DynamicsChart& data, const ChartCaptions& captions,
                         const QStringList& seriesNames, const ChartBand& band = {});

// Fills the chart with one line of (year, value) points from two columns of the rows.
void show_line_chart(QChart* chart, const eval::Table& rows, const char* xColumn, const char* yColumn,
                     const ChartCaptions& captions, const QString& seriesName);

// The chart as a picture: PNG (by the file's suffix, or any suffix but ".svg") or SVG.
// Returns false when the file cannot be written.
bool save_chart(QChartView* view, const QString& path);
// Puts the chart on the clipboard as a picture.
void copy_chart(QChartView* view);
// Draws the chart into `target` of a painter as vector graphics (PDF reports, SVG).
void render_chart(QChartView* view, QPainter& painter, const QRectF& target);

} // namespace vt::gui
