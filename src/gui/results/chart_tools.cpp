#include "gui/results/chart_tools.h"

#include "gui/widgets/dialog_hooks.h"

#include <QCoreApplication>
#include <QApplication>
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFileDialog>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QMenu>
#include <QPainter>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace vt::gui {

namespace {

// Axis bounds with a little room around the points; a single value gets a span of its own.
std::pair<double, double> padded(double lo, double hi)
{
    if (lo > hi) return {0, 1};
    double span = hi - lo;
    if (span <= 0) span = std::max(std::abs(hi) * 0.1, 1.0);
    return {lo - span * 0.05, hi + span * 0.05};
}

// A tick interval of 1, 2 or 5 times a power of ten that gives about six ticks.
double nice_interval(double span)
{
    const double raw = span / 6;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

QValueAxis* axis(QChart* chart, Qt::Alignment side, const QString& title, double lo, double hi, bool years)
{
    auto* a = new QValueAxis(chart);
    a->setTitleText(title);
    const double step = std::max(nice_interval(hi - lo), years ? 1.0 : 0.0);
    // Bounds on whole ticks, so that the labels read as round numbers.
    const double from = std::floor(lo / step) * step, to = std::ceil(hi / step) * step;
    a->setRange(from, to);
    a->setTickType(QValueAxis::TicksDynamic);
    a->setTickAnchor(from);
    a->setTickInterval(step);
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
    a->setLabelFormat(QString("%.%1f").arg(decimals));
    chart->addAxis(a, side);
    return a;
}

void clear(QChart* chart)
{
    chart->removeAllSeries();
    for (auto* a : chart->axes()) {
        chart->removeAxis(a);
        delete a;
    }
}

void attach(QChart* chart, QAbstractSeries* s, QValueAxis* x, QValueAxis* y)
{
    chart->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
}

} // namespace

QChartView* make_chart_view(QWidget* parent)
{
    auto* chart = new QChart;
    chart->setLocalizeNumbers(true);
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);  // years without a thousands separator
    chart->setLocale(locale);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 240);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, view, [view](const QPoint& pos) {
        QMenu menu(view);
        menu.addAction(QCoreApplication::translate("ChartTools", "copy chart"), view, [view] { copy_chart(view); });
        menu.addAction(QCoreApplication::translate("ChartTools", "save chart as PNG ..."), view, [view] {
            QString f;
            if (!DialogHooks::takeFileName(f))
                f = QFileDialog::getSaveFileName(view, QCoreApplication::translate("ChartTools", "save chart"), "chart.png", "PNG pictures (*.png)");
            if (!f.isEmpty() && !save_chart(view, f)) show_message(view, QCoreApplication::translate("ChartTools", "save chart"), f + ": cannot write the file");
        });
        menu.addAction(QCoreApplication::translate("ChartTools", "save chart as SVG ..."), view, [view] {
            QString f;
            if (!DialogHooks::takeFileName(f))
                f = QFileDialog::getSaveFileName(view, QCoreApplication::translate("ChartTools", "save chart"), "chart.svg", "SVG pictures (*.svg)");
            if (!f.isEmpty() && !save_chart(view, f)) show_message(view, QCoreApplication::translate("ChartTools", "save chart"), f + ": cannot write the file");
        });
        menu.exec(view->mapToGlobal(pos));
    });
    return view;
}

void show_dynamics_chart(QChart* chart, const eval::DynamicsChart& data, const ChartCaptions& captions,
                         const QStringList& seriesNames, const ChartBand& band)
{
    clear(chart);
    chart->setTitle(captions.title);
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const auto& series : data.series)
        for (const auto& p : series) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
    for (const auto& p : band.points) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.low);
        y1 = std::max(y1, p.high);
    }
    const auto [xl, xh] = x0 < x1 ? std::pair{x0, x1} : padded(x0, x1);  // whole ticks leave room enough
    const auto [yl, yh] = padded(y0, y1);
    auto* x = axis(chart, Qt::AlignBottom, captions.xTitle, xl, xh, true);
    auto* y = axis(chart, Qt::AlignLeft, captions.yTitle, yl, yh, false);
    const QColor colours[3] = {QColor(0x1f, 0x5f, 0xa8), QColor(0xc0, 0x39, 0x2b), QColor(0x8a, 0x8a, 0x8a)};
    if (!band.points.empty()) {
        // Added first, so that the points are drawn over it.
        // The two lines belong to the area and go with it when the chart is cleared.
        auto* area = new QAreaSeries;
        auto* low = new QLineSeries(area);
        auto* high = new QLineSeries(area);
        for (const auto& p : band.points) {
            low->append(p.x, p.low);
            high->append(p.x, p.high);
        }
        area->setUpperSeries(high);
        area->setLowerSeries(low);
        area->setName(band.name);
        QColor fill = colours[0].lighter(170);
        fill.setAlpha(110);
        area->setColor(fill);
        area->setBorderColor(fill.darker(115));
        attach(chart, area, x, y);
    }
    const double sizes[3] = {6, 10, 10};
    for (int i = 0; i < 3; ++i) {
        auto* s = new QScatterSeries;
        s->setName(i < seriesNames.size() ? seriesNames[i] : QString());
        s->setMarkerSize(sizes[i]);
        s->setColor(colours[i]);
        s->setBorderColor(colours[i].darker(130));
        if (i == 2) s->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
        for (const auto& p : data.series[static_cast<std::size_t>(i)]) s->append(p.x, p.y);
        attach(chart, s, x, y);
    }
}

void show_line_chart(QChart* chart, const eval::Table& rows, const char* xColumn, const char* yColumn,
                     const ChartCaptions& captions, const QString& seriesName)
{
    clear(chart);
    chart->setTitle(captions.title);
    auto* s = new QLineSeries;
    s->setName(seriesName);
    s->setPointsVisible(rows.rows.size() < 60);
    const int xc = rows.column(xColumn), yc = rows.column(yColumn);
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    if (xc >= 0 && yc >= 0)
        for (const auto& r : rows.rows) {
            const double xv = eval::cell(r, xc).toDouble(), yv = eval::cell(r, yc).toDouble();
            s->append(xv, yv);
            x0 = std::min(x0, xv);
            x1 = std::max(x1, xv);
            y0 = std::min(y0, yv);
            y1 = std::max(y1, yv);
        }
    const auto [xl, xh] = x0 < x1 ? std::pair{x0, x1} : padded(x0, x1);  // whole ticks leave room enough
    const auto [yl, yh] = padded(y0, y1);
    auto* x = axis(chart, Qt::AlignBottom, captions.xTitle, xl, xh, true);
    auto* y = axis(chart, Qt::AlignLeft, captions.yTitle, yl, yh, false);
    attach(chart, s, x, y);
}

void render_chart(QChartView* view, QPainter& painter, const QRectF& target)
{
    // Laid out afresh in the target's proportions at a screen-like size, so that labels
    // and markers keep their sizes whatever the page's own size.
    QChart* chart = view->chart();
    const QSizeF old = chart->size();
    const double height = 440;
    const double width = target.height() > 0 ? height * target.width() / target.height() : 640;
    chart->resize(QSizeF(width, height));
    if (chart->layout()) chart->layout()->activate();
    chart->scene()->render(&painter, target, chart->sceneBoundingRect(), Qt::KeepAspectRatio);
    chart->resize(old);
    if (chart->layout()) chart->layout()->activate();
}

bool save_chart(QChartView* view, const QString& path)
{
    if (path.endsWith(".svg", Qt::CaseInsensitive)) {
        const QSize size = view->size().expandedTo(QSize(640, 420));
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(view->chart()->title());
        QPainter p;
        if (!p.begin(&svg)) return false;
        render_chart(view, p, QRectF(QPointF(0, 0), QSizeF(size)));
        return p.end();
    }
    return view->grab().save(path, "PNG");
}

void copy_chart(QChartView* view) { QApplication::clipboard()->setPixmap(view->grab()); }

} // namespace vt::gui
