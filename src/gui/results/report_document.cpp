#include "gui/results/report_document.h"

#include "gui/results/chart_tools.h"
#include "gui/results/grid_export.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/results/result_table_model.h"

#include <QCoreApplication>
#include <QAbstractTextDocumentLayout>
#include <QChartView>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>

namespace vt::gui {

namespace {

// The chart inside the report's text, drawn as vector graphics where the layout puts it.
class ChartObject : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    static constexpr int kType = QTextFormat::UserObject + 1;
    static constexpr int kHeight = QTextFormat::UserProperty + 1;

    explicit ChartObject(QChartView* chart, QObject* parent) : QObject(parent), chart_(chart) {}
    QSizeF intrinsicSize(QTextDocument* doc, int, const QTextFormat& format) override
    {
        return QSizeF(doc->textWidth() - 2 * doc->documentMargin() - 2, format.doubleProperty(kHeight));
    }
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat&) override
    {
        render_chart(chart_, *painter, rect);
    }

private:
    QChartView* chart_;
};

QString esc(const QString& s) { return s.toHtmlEscaped(); }

QString text_of(const db::Value& v)
{
    if (v.isNull()) return {};
    if (v.isReal()) return locale_number(v.toDouble());
    return QString::fromStdString(v.toString());
}

QString field(const eval::Table& t, const char* column, std::size_t row = 0)
{
    const int c = t.column(column);
    if (c < 0 || row >= t.rows.size()) return {};
    return text_of(eval::cell(t.rows[row], c));
}

QString table_html(const QStringList& heads, const eval::Table& rows, const std::vector<const char*>& columns)
{
    QString h = "<table cellspacing='0' cellpadding='3' width='100%' style='border-collapse:collapse'><tr>";
    for (const auto& head : heads) h += "<th align='left' style='border-bottom:1px solid #444'>" + esc(head) + "</th>";
    h += "</tr>";
    for (std::size_t r = 0; r < rows.rows.size(); ++r) {
        h += "<tr>";
        for (const char* col : columns) h += "<td>" + esc(field(rows, col, r)) + "</td>";
        h += "</tr>";
    }
    return h + "</table>";
}

} // namespace

void ReportDocument::print(QPagedPaintDevice& device) const
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(18, 15, 15, 15), QPageLayout::Millimeter);
    QPainter p;
    if (!p.begin(&device)) return;
    const double dpi = device.logicalDpiY();
    const QRectF area(0, 0, device.width(), device.height());
    const double headerHeight = dpi * 0.5;
    const double chartHeight = area.height() * 0.4;

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device);
    QFont font("DejaVu Sans");
    font.setPointSizeF(9);
    doc.setDefaultFont(font);
    doc.setHtml(html);
    doc.setPageSize(QSizeF(area.width(), area.height() - headerHeight));
    ChartObject chartObject(chart, &doc);
    if (chart) {
        // The chart heads the first page, above the report's text.
        doc.documentLayout()->registerHandler(ChartObject::kType, &chartObject);
        QTextCursor cur(&doc);
        QTextCharFormat f;
        f.setObjectType(ChartObject::kType);
        f.setProperty(ChartObject::kHeight, chartHeight);
        cur.insertText(QString(QChar::ObjectReplacementCharacter), f);
        cur.insertBlock();
    }
    const int pages = doc.pageCount();
    const double pageHeight = doc.pageSize().height();
    const QString stamp = QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    QFont small = font;
    small.setPointSizeF(8);

    for (int i = 0; i < pages; ++i) {
        if (i > 0) device.newPage();
        p.setFont(small);
        p.setPen(Qt::black);
        const QRectF head(0, 0, area.width(), headerHeight * 0.7);
        p.drawText(head, Qt::AlignLeft | Qt::AlignVCenter, location + "  -  " + site);
        p.drawText(head, Qt::AlignRight | Qt::AlignVCenter,
                   stamp + "    " + QString("page %1 / %2").arg(i + 1).arg(pages));
        p.drawLine(QPointF(0, headerHeight * 0.75), QPointF(area.width(), headerHeight * 0.75));
        p.save();
        p.translate(0, headerHeight - i * pageHeight);
        doc.drawContents(&p, QRectF(0, i * pageHeight, area.width(), pageHeight));
        p.restore();
    }
    p.end();
}

bool ReportDocument::writePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setTitle(location + " - " + site);
    writer.setCreator("Veltrano");
    writer.setResolution(300);
    print(writer);
    QFile check(path);
    return check.exists() && check.size() > 0;
}

void ReportDocument::preview(QWidget* parent) const
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this](QPrinter* pr) { print(*pr); });
    dialog.exec();
}

QString ReportDocument::present(QWidget* parent, bool pdfWithoutPreview, const QString& folder) const
{
    if (!pdfWithoutPreview) {
        preview(parent);
        return {};
    }
    QString pdf;
    if (!DialogHooks::takeFileName(pdf))
        pdf = QFileDialog::getSaveFileName(parent, QCoreApplication::translate("ReportDocument", "save as PDF"), QDir(folder).filePath("test.pdf"), "PDF files (*.pdf)");
    if (pdf.isEmpty()) return {};
    if (!writePdf(pdf)) {
        show_message(parent, QCoreApplication::translate("ReportDocument", "save as PDF"), pdf + ": cannot write the report");
        return {};
    }
    open_with_desktop(pdf);
    return pdf;
}

QString dynamics_report_body(const QString& caption, const QStringList& statistics, const eval::Table& rows)
{
    QString h = "<p style='font-size:13pt; font-weight:bold'>" + esc(caption) + "</p><pre>";
    for (const auto& line : statistics) h += esc(line) + "\n";
    h += "</pre>";
    h += table_html({"date", "observation", "model"}, rows, {"YEAR_", "MEAS_VALUE", "SIM_VALUE"});
    return h;
}

QString management_report_body(const eval::Table& rows)
{
    QString h = "<p style='font-size:13pt; font-weight:bold'>Bewirtschaftung</p>";
    QString t = "<table cellspacing='0' cellpadding='3' width='100%'><tr>";
    for (const char* head : {"Datum", "Aktion", "Objekt", "Wert", ""})
        t += "<th align='left' style='border-bottom:1px solid #444'>" + esc(head) + "</th>";
    t += "</tr>";
    for (std::size_t r = 0; r < rows.rows.size(); ++r) {
        t += "<tr>";
        for (const char* col : {"DATUM", "AKTION", "SUBJEKT"}) t += "<td>" + esc(field(rows, col, r)) + "</td>";
        t += "<td align='right'>" + esc(field(rows, "ORIGWERT", r)) + "</td><td>" + esc(field(rows, "UNIT", r)) +
             "</td></tr>";
    }
    return h + t + "</table>";
}

QString site_report_body(const eval::Table& site, const eval::Table& references)
{
    auto f = [&site](const char* c) { return esc(field(site, c)); };
    QString h = "<p style='font-size:13pt; font-weight:bold'>site-description</p>";
    h += "<p><b>FL_ID " + f("FL_ID") + "</b> &nbsp; " + f("Location") + " &nbsp; " + f("site_description") + "</p>";
    h += "<p>" + f("Herkunft") + (site.column("classification") >= 0 ? "<br>" + f("classification") : QString()) +
         (f("comment").isEmpty() ? QString() : "<br>" + f("comment")) + "</p>";
    h += "<table cellpadding='3'>";
    h += "<tr><td><b>SOIL_ID=</b>" + f("soil_ID") + "</td><td colspan='4'>" + f("ba_rbs") + " (RBS) &nbsp; " +
         f("profile") + "</td></tr>";
    h += "<tr><td><b>TEXTURE:</b></td><td>clay: " + f("clay") + "</td><td>silt: " + f("silt") + "</td><td>sand: " +
         f("sand") + "</td><td>FAT(T+fU): " + f("FAT") + "</td></tr>";
    h += "<tr><td><b>POROSITY:</b></td><td>PV: " + f("PV") + "</td><td>FC: " + f("FC") + "</td><td>PWP: " + f("PWP") +
         "</td><td>PD: " + f("PD") + " &nbsp; BD: " + f("BD") + "</td></tr>";
    auto mean = [&site](const char* c) {
        const int col = site.column(c);
        return col < 0 || site.empty() ? QString() : QLocale().toString(eval::cell(site.rows[0], col).toDouble(), 'f', 1);
    };
    h += "<tr><td><b>CLIMATE_ID=</b>" + f("climate_ID") + "</td><td>" + f("station") + "</td><td>" + mean("mwtemp") +
         " °C</td><td>" + mean("mwprec") + " mm</td><td>N=" + f("ycnt") + "</td></tr>";
    h += "<tr><td>area</td><td>" + f("area") + " ha</td><td colspan='3'>" +
         esc(QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat)) + "</td></tr></table>";
    h += "<p style='font-size:11pt; font-weight:bold'>References:</p>";
    for (std::size_t r = 0; r < references.rows.size(); ++r) {
        auto g = [&](const char* c) { return esc(field(references, c, r)); };
        h += "<p><b>" + g("Autor") + "</b> (ID=" + g("lit_id") + ") " + g("Jahr") + ": " + g("titel") + "<br>type: " +
             g("produkt") + " &nbsp; " + g("quelle") + " &nbsp; pages: " + g("seite") + " &nbsp; issue: " +
             g("ausgabe") + "</p>";
    }
    return h;
}

} // namespace vt::gui

#include "report_document.moc"
