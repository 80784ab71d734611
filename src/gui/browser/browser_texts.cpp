#include "gui/browser/browser_texts.h"

#include <QHash>

namespace vt::gui {

namespace {

const QHash<QString, QString>& german_texts()
{
    static const QHash<QString, QString> texts = {
        {"Basic-Info", "Standortdaten"},
        {"Management", "Bewirtschaftung"},
        {"Observation", "Messwerte"},
        {"C-dynamics", "Ergebnisse: Corg"},
        {"misc.results", "weitere Ergebnisse"},
        {"N-dynamics", "Ergebnisse: Nt"},
        {"micr.BM", "Ergebnisse: Cmic"},
        {"N-balance", "N-Bilanz"},
        {"OM-turnover", "Humusbilanz"},
        {"files", "Tabellen"},
        {"plots", "Schläge"},
        {"Site Conditions", "Standortbedingungen"},
        {"plot", "Schlagname"},
        {"source", "Schlagnummer"},
        {"state", "Feldblocknummer"},
        {"area", "Fläche"},
        {"soil", "Boden"},
        {"weather", "Wetter"},
        {"biol. active time [d/yr]", "BioAktivität (BAT) (d/Jahr)"},
        {"1st year", "Startjahr"},
        {"soil ploughed", "Pflugeinsatz"},
        {"print site desc.", "Ausgabe Standortdaten"},
        {"show references", "Literatur"},
        {"print management", "Ausgabe"},
        {"save as PDF; no preview", "als PDF; ohne Ansicht"},
        {"update changes", "Änderung Speichern"},
        {"model run (plot)", "Modell starten"},
        {"repeat", "wiederholen"},
        {"from", "ab"},
        {"Management Event", "Maßnahme"},
        {"delete record", "Satz Löschen"},
        {"selection:", "Filter"},
        {"all", "Alles"},
        {"harvest", "Ernte"},
        {"org.amendment", "org.Dünger"},
        {"N fertilizer", "min.N-Dng."},
        {"soil tillage", "Bodenbearbeitung"},
        {"selection", "Auswahl"},
        {"edit data", "Bodenuntersuchung"},
        {"sampling date", "Datum"},
        {"initial value", "als Startwert"},
        {"filter condition", "Filter"},
        {"apply filter", "Filter anwenden"},
        {"End", "Ende"},
        {"delete experiment", "Betrieb löschen"},
        {"experiment simulation", "Betrieb rechnen"},
        {"shift plots  FL_ID", "Flächen ID anpassen"},
        {"shift experiment ID", "Betrieb ID anpassen"},
        {"delete this plot", "akt. Fläche löschen"},
        {"delete active plot", "akt. Fläche löschen"},
        {"show this property only", "nur dieses Merkmal anzeugen"},
        {"add a new plot", "neue Fläche anlegen"},
        {"create a new experiment", "neuer Betrieb"},
        {"database simulation", "Datenbank rechnen"},
        {"site condition report", "Bericht: Standorte"},
        {"Update-Statistics", "Statistik aktualisieren"},
        {"insert", "Einfügen"},
        {"update", "Aktualisieren"},
        {"DATE", "Datum"},
        {"ACTION", "Aktion"},
        {"SUBJECT", "Objekt"},
        {"INTENSITY", "Menge"},
        {"UNIT", "Einheit"},
        {"datum", "Datum"},
        {"property", "Merkmal"},
        {"value", "Messwert"},
        {"y_nr", "Jahr#"},
        {"choose plots for simulation", "gewünschte Flächen auswählen"},
        {"please edit first the initial value", "Bitte zuerst einen Startwert definieren !"},
        {"OPERATION DENIED", "Operation nicht durchführbar"},
        {"transfer of management data", "Transfer von Bewirtschaftungsdaten"},
        {"transfer of measuremet data", "Transfer von Messwerten"},
        {" - continue ?", " - fortsetzen ?"},
        {"confirm operation", "bitte bestätigen"},
        {"you are about to copy measurement data into plot ", "Sie kopieren Messergebnisse nach Fläche "},
        {"you are about to copy management data into plot ", "Sie kopieren Bewirtschaftungsdaten nach Fläche "},
        {" records copied ", " Sätze kopiert "},
        {" Do you really want to delete ALL data of plot ", "Wollen Sie wirklich ALLE Daten löschen von Fläche:"},
        {" Confirm Delete", "Löschen Bestätigen!"},
        {": The Folder will be deleted!", ": Der Betrieb wird mit allen Daten gelöscht !"},
        {"create new experiment folder", "Neuen Betrieb anlegen"},
        {"short name", "Name"},
    };
    return texts;
}

} // namespace

QString browser_text(const QString& english, bool german)
{
    if (!german) return english;
    return german_texts().value(english, english);
}

} // namespace vt::gui
