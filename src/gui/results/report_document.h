#pragma once
#include "eval/table_data.h"

#include <QString>
#include <QStringList>

class QChartView;
class QPagedPaintDevice;
class QWidget;

namespace vt::gui {

// A printed report: on every page a header with the date, the time, the page number,
// the plot's location and description; on the first page an optional chart, drawn as
// vector graphics; then the body, laid out over as many pages as it needs.
class ReportDocument {
public:
    QString location;
    QString site;
    QChartView* chart = nullptr;
    QString html;   // the body

    // Lays the report out on any paged device: a PDF writer, a printer, the preview.
    void print(QPagedPaintDevice& device) const;
    // Writes the report as a PDF file; false when the file cannot be written.
    bool writePdf(const QString& path) const;
    // The print preview, from which the user can print or leave.
    void preview(QWidget* parent) const;
    // The preview, or with `pdfWithoutPreview` a PDF file where the user says (proposed:
    // `folder`/test.pdf), opened in the PDF reader. Returns the PDF written, if any.
    QString present(QWidget* parent, bool pdfWithoutPreview, const QString& folder) const;
};

// Bodies of the three reports (HTML), their texts escaped.
// Dynamics report: the caption ("C-Dynamics", "N-Dynamics", "Cmic-Dynamics"), the
// statistics lines, then one line per row with YEAR_, MEAS_VALUE and SIM_VALUE under the
// heads "date", "observation", "model".
QString dynamics_report_body(const QString& caption, const QStringList& statistics, const eval::Table& rows);
// Management report: title "Bewirtschaftung", heads "Datum", "Aktion", "Objekt", "Wert";
// DATUM, AKTION, SUBJEKT, ORIGWERT and UNIT per event.
QString management_report_body(const eval::Table& rows);
// Site description report: the plot, its soil, texture, porosity, climate and area, and
// the references of its experiment.
QString site_report_body(const eval::Table& site, const eval::Table& references);

} // namespace vt::gui
