<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AccessImport</name>
    <message>
        <source>Access import</source>
        <translation>Access-Import</translation>
    </message>
</context>
<context>
    <name>Application</name>
    <message>
        <source>Datenanalyse mit R</source>
        <translation>Datenanalyse mit R</translation>
    </message>
</context>
<context>
    <name>BackgroundTask</name>
    <message>
        <source>cancel</source>
        <translation>Abbruch</translation>
    </message>
</context>
<context>
    <name>BasicInfoPage</name>
    <message>
        <source>Site Conditions</source>
        <translation>Standortbedingungen</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>plot</source>
        <translation>Schlagname</translation>
    </message>
    <message>
        <source>source</source>
        <translation>Schlagnummer</translation>
    </message>
    <message>
        <source>state</source>
        <translation>Feldblocknummer</translation>
    </message>
    <message>
        <source>ha</source>
        <translation>ha</translation>
    </message>
    <message>
        <source>area</source>
        <translation>Fläche</translation>
    </message>
    <message>
        <source>soil</source>
        <translation>Boden</translation>
    </message>
    <message>
        <source>weather</source>
        <translation>Wetter</translation>
    </message>
    <message>
        <source>biol. active time [d/yr]</source>
        <translation>BioAktivität (BAT) (d/Jahr)</translation>
    </message>
    <message>
        <source>soil ploughed</source>
        <translation>Pflugeinsatz</translation>
    </message>
    <message>
        <source>initialisation</source>
        <translation>Initialisierung</translation>
    </message>
    <message>
        <source>1st year</source>
        <translation>Startjahr</translation>
    </message>
    <message>
        <source>repeat</source>
        <translation>wiederholen</translation>
    </message>
    <message>
        <source>from</source>
        <translation>ab</translation>
    </message>
    <message>
        <source>model run (plot)</source>
        <translation>Modell starten</translation>
    </message>
    <message>
        <source>print site desc.</source>
        <translation>Ausgabe Standortdaten</translation>
    </message>
    <message>
        <source>show references</source>
        <translation>Literatur</translation>
    </message>
    <message>
        <source>update changes</source>
        <translation>Änderung Speichern</translation>
    </message>
    <message>
        <source>Basic-Info</source>
        <translation>Standortdaten</translation>
    </message>
    <message>
        <source>always</source>
        <translation>immer</translation>
    </message>
    <message>
        <source>never</source>
        <translation>nie</translation>
    </message>
    <message>
        <source>choose a soil and a weather station first</source>
        <translation>wählen Sie zuerst einen Boden und eine Wetterstation</translation>
    </message>
    <message>
        <source>manual input</source>
        <translation>Eingabe von Hand</translation>
    </message>
</context>
<context>
    <name>BrowserRunController</name>
    <message>
        <source>model run</source>
        <translation>Modelllauf</translation>
    </message>
    <message>
        <source>choose plots for simulation</source>
        <translation>gewünschte Flächen auswählen</translation>
    </message>
</context>
<context>
    <name>BrowserTreeModel</name>
    <message>
        <source>files</source>
        <translation>Tabellen</translation>
    </message>
    <message>
        <source>plots</source>
        <translation>Schläge</translation>
    </message>
</context>
<context>
    <name>BrowserWindow</name>
    <message>
        <source>DATABASE</source>
        <translation>DATENBANK</translation>
    </message>
    <message>
        <source>Basic-Info</source>
        <translation>Standortdaten</translation>
    </message>
    <message>
        <source>Management</source>
        <translation>Bewirtschaftung</translation>
    </message>
    <message>
        <source>Observation</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>delete experiment</source>
        <translation>Betrieb löschen</translation>
    </message>
    <message>
        <source>experiment simulation</source>
        <translation>Betrieb rechnen</translation>
    </message>
    <message>
        <source>calibrate…</source>
        <translation>kalibrieren…</translation>
    </message>
    <message>
        <source>uncertainty…</source>
        <translation>Unsicherheit…</translation>
    </message>
    <message>
        <source>shift plots  FL_ID</source>
        <translation>Flächen ID anpassen</translation>
    </message>
    <message>
        <source>shift experiment ID</source>
        <translation>Betrieb ID anpassen</translation>
    </message>
    <message>
        <source>add a new plot</source>
        <translation>neue Fläche anlegen</translation>
    </message>
    <message>
        <source>delete active plot</source>
        <translation>akt. Fläche löschen</translation>
    </message>
    <message>
        <source>move active plot</source>
        <translation>akt. Fläche verschieben</translation>
    </message>
    <message>
        <source>regio mode</source>
        <translation>REGIO-Modus</translation>
    </message>
    <message>
        <source>create a new experiment</source>
        <translation>neuer Betrieb</translation>
    </message>
    <message>
        <source>database simulation</source>
        <translation>Datenbank rechnen</translation>
    </message>
    <message>
        <source>refresh outlier indication</source>
        <translation>Ausreißer neu bestimmen</translation>
    </message>
    <message>
        <source>site condition report</source>
        <translation>Bericht: Standorte</translation>
    </message>
    <message>
        <source>Update-Statistics</source>
        <translation>Statistik aktualisieren</translation>
    </message>
    <message>
        <source>N-balance</source>
        <translation>N-Bilanz</translation>
    </message>
    <message>
        <source>copy plot</source>
        <translation>Fläche kopieren</translation>
    </message>
    <message>
        <source>delete plot</source>
        <translation>Fläche löschen</translation>
    </message>
    <message>
        <source> Confirm Delete</source>
        <translation>Löschen Bestätigen!</translation>
    </message>
    <message>
        <source> Do you really want to delete ALL data of plot </source>
        <translation>Wollen Sie wirklich ALLE Daten löschen von Fläche:</translation>
    </message>
    <message>
        <source>: The Folder will be deleted!</source>
        <translation>: Der Betrieb wird mit allen Daten gelöscht !</translation>
    </message>
    <message>
        <source>background adaptation impossible</source>
        <translation>Anpassung im Hintergrund nicht möglich</translation>
    </message>
    <message>
        <source>please change the data manually in the database</source>
        <translation>bitte ändern Sie die Daten von Hand in der Datenbank</translation>
    </message>
    <message>
        <source>you are about to copy management data into plot </source>
        <translation>Sie kopieren Bewirtschaftungsdaten nach Fläche </translation>
    </message>
    <message>
        <source>you are about to copy measurement data into plot </source>
        <translation>Sie kopieren Messergebnisse nach Fläche </translation>
    </message>
    <message>
        <source> - continue ?</source>
        <translation> - fortsetzen ?</translation>
    </message>
    <message>
        <source>confirm operation</source>
        <translation>bitte bestätigen</translation>
    </message>
    <message>
        <source>transfer of management data</source>
        <translation>Transfer von Bewirtschaftungsdaten</translation>
    </message>
    <message>
        <source>transfer of measuremet data</source>
        <translation>Transfer von Messwerten</translation>
    </message>
    <message>
        <source> records copied </source>
        <translation> Sätze kopiert </translation>
    </message>
    <message>
        <source>selection</source>
        <translation>Auswahl</translation>
    </message>
    <message>
        <source>regional mode enabled</source>
        <translation>regionaler Modus aktiv</translation>
    </message>
    <message>
        <source>regional mode NOT enabled</source>
        <translation>regionaler Modus NICHT aktiv</translation>
    </message>
</context>
<context>
    <name>CalibrationDialog</name>
    <message>
        <source>observed property</source>
        <translation>gemessenes Merkmal</translation>
    </message>
    <message>
        <source>iterations at most</source>
        <translation>höchstens Iterationen</translation>
    </message>
    <message>
        <source>apply</source>
        <translation>anwenden</translation>
    </message>
    <message>
        <source>calibrate…</source>
        <translation>kalibrieren…</translation>
    </message>
</context>
<context>
    <name>ChartTools</name>
    <message>
        <source>copy chart</source>
        <translation>Grafik kopieren</translation>
    </message>
    <message>
        <source>save chart as PNG ...</source>
        <translation>Grafik als PNG speichern ...</translation>
    </message>
    <message>
        <source>save chart</source>
        <translation>Grafik speichern</translation>
    </message>
    <message>
        <source>save chart as SVG ...</source>
        <translation>Grafik als SVG speichern ...</translation>
    </message>
</context>
<context>
    <name>ClimateWindow</name>
    <message>
        <source>RUX climate data</source>
        <translation>RUX Klimadaten</translation>
    </message>
    <message>
        <source>A model run is using the database. Change the climate data when it has ended.</source>
        <translation>Ein Modelllauf nutzt die Datenbank. Ändern Sie die Klimadaten, wenn er beendet ist.</translation>
    </message>
    <message>
        <source>Station Overview </source>
        <translation>Stationsübersicht</translation>
    </message>
    <message>
        <source>edit</source>
        <translation>bearbeiten</translation>
    </message>
    <message>
        <source>refresh</source>
        <translation>aktualisieren</translation>
    </message>
    <message>
        <source>create new station</source>
        <translation>Neue Station</translation>
    </message>
    <message>
        <source>delete current station</source>
        <translation>aktuelle Station löschen</translation>
    </message>
    <message>
        <source>close</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>weather</source>
        <translation>Wetterdaten</translation>
    </message>
    <message>
        <source>annual N-deposition</source>
        <translation>gemessene N-Deposition</translation>
    </message>
    <message>
        <source>historic N-Deposisition</source>
        <translation>historische N-Deposition</translation>
    </message>
    <message>
        <source>add row</source>
        <translation>Zeile anfügen</translation>
    </message>
    <message>
        <source>delete row</source>
        <translation>Zeile löschen</translation>
    </message>
    <message>
        <source>import CSV</source>
        <translation>CSV importieren</translation>
    </message>
    <message>
        <source>export CSV</source>
        <translation>CSV exportieren</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>month</source>
        <translation>Monat</translation>
    </message>
    <message>
        <source>year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>temperature [°C]</source>
        <translation>Temperatur [°C]</translation>
    </message>
    <message>
        <source>precipitation [mm]</source>
        <translation>Niederschlag [mm]</translation>
    </message>
    <message>
        <source>N-dep. [kg/ha]</source>
        <translation>N-Dep. [kg/ha]</translation>
    </message>
    <message>
        <source>basic year</source>
        <translation>NDEP Anf.Jahr</translation>
    </message>
    <message>
        <source>N-dep(basic)</source>
        <translation>NDEP Anf.Wert</translation>
    </message>
    <message>
        <source>final year</source>
        <translation>NDEP End.Jahr</translation>
    </message>
    <message>
        <source>N-dep(modern)</source>
        <translation>NDEP End.Wert</translation>
    </message>
    <message>
        <source>HINT</source>
        <translation>HINWEIS</translation>
    </message>
    <message>
        <source>ALL data of the station will be deleted. proceed anyway ?</source>
        <translation>ALLE Daten der gewählten Station werden gelöscht ! Wollen Sie das ?</translation>
    </message>
    <message>
        <source>%1 plot(s) use this station and will be left without climate data.</source>
        <translation>%1 Parzelle(n) verwenden diese Station und haben danach keine Klimadaten.</translation>
    </message>
    <message>
        <source>please confirm wipe off</source>
        <translation>Löschbestätigung erforderlich</translation>
    </message>
    <message>
        <source>written: </source>
        <translation>geschrieben: </translation>
    </message>
</context>
<context>
    <name>ConfirmDialog</name>
    <message>
        <source>ATTENTION !</source>
        <translation>ACHTUNG !</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>esc</source>
        <translation>Abbruch</translation>
    </message>
</context>
<context>
    <name>DataTransferWindow</name>
    <message>
        <source>data transfer</source>
        <translation>Datentransfer</translation>
    </message>
    <message>
        <source>source (open database):</source>
        <translation>Quelle (offene Datenbank):</translation>
    </message>
    <message>
        <source>all</source>
        <translation>Alles</translation>
    </message>
    <message>
        <source>none</source>
        <translation>nichts</translation>
    </message>
    <message>
        <source>invert</source>
        <translation>invers</translation>
    </message>
    <message>
        <source>select &amp;destination</source>
        <translation>&amp;Ziel wählen</translation>
    </message>
    <message>
        <source>no wait on key check</source>
        <translation>ohne Halt bei Schlüsselprüfung</translation>
    </message>
    <message>
        <source>copy</source>
        <translation>kopieren</translation>
    </message>
    <message>
        <source>go on</source>
        <translation>weiter</translation>
    </message>
    <message>
        <source>end</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>No database is open.</source>
        <translation>Keine Datenbank ist geöffnet.</translation>
    </message>
    <message>
        <source>destination database</source>
        <translation>Zieldatenbank</translation>
    </message>
    <message>
        <source>databases (*.db *.sqlite *.mdb);;all files (*)</source>
        <translation>Datenbanken (*.db *.sqlite *.mdb);;alle Dateien (*)</translation>
    </message>
    <message>
        <source>plot %1:</source>
        <translation>Fläche %1:</translation>
    </message>
    <message>
        <source>after checking key items</source>
        <translation>nach Prüfung der Schlüssel</translation>
    </message>
    <message>
        <source>continue with datatransfer ? (plot %1)</source>
        <translation>Datentransfer fortsetzen ? (Fläche %1)</translation>
    </message>
    <message>
        <source>Missing Record in Destination</source>
        <translation>Fehlender Satz im Ziel</translation>
    </message>
    <message>
        <source>Move this Parameter-Record ?</source>
        <translation>Diesen Parametersatz verschieben ?</translation>
    </message>
    <message>
        <source>A run is in progress; copy the plots when it has ended.</source>
        <translation>Ein Modelllauf ist im Gange; kopieren Sie die Flächen, wenn er beendet ist.</translation>
    </message>
    <message>
        <source>Tick the plots to copy first.</source>
        <translation>Haken Sie zuerst die zu kopierenden Flächen an.</translation>
    </message>
    <message>
        <source>plot %1 not copied</source>
        <translation>Fläche %1 nicht kopiert</translation>
    </message>
    <message>
        <source>plot %1 copied:</source>
        <translation>Fläche %1 kopiert:</translation>
    </message>
</context>
<context>
    <name>DatabasePathDialog</name>
    <message>
        <source>database connection</source>
        <translation>Datenbankverbindung</translation>
    </message>
    <message>
        <source>Where is the database ?</source>
        <translation>Wo ist die Datenbank ?</translation>
    </message>
    <message>
        <source>Database file:</source>
        <translation>Datenbankdatei:</translation>
    </message>
    <message>
        <source>The database could not be opened:</source>
        <translation>Die Datenbank konnte nicht geöffnet werden:</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>Where is the PDF-reader ?</source>
        <translation>Wo ist der PDF-Leser ?</translation>
    </message>
    <message>
        <source>Where are the PDF-documents ?</source>
        <translation>Wo sind die PDF-Dokumente ?</translation>
    </message>
</context>
<context>
    <name>DynamicsPage</name>
    <message>
        <source>C-dynamics</source>
        <translation>Ergebnisse: Corg</translation>
    </message>
    <message>
        <source>N-dynamics</source>
        <translation>Ergebnisse: Nt</translation>
    </message>
    <message>
        <source>micr.BM</source>
        <translation>Ergebnisse: Cmic</translation>
    </message>
    <message>
        <source>create report</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>save as PDF; skip preview</source>
        <translation>als PDF; ohne Ansicht</translation>
    </message>
    <message>
        <source>YEAR_</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>MEAS_VALUE</source>
        <translation>gemessen</translation>
    </message>
    <message>
        <source>SIM_VALUE</source>
        <translation>modelliert</translation>
    </message>
    <message>
        <source>simulated</source>
        <translation>modelliert</translation>
    </message>
    <message>
        <source>observed</source>
        <translation>gemessen</translation>
    </message>
    <message>
        <source>observed outliers</source>
        <translation>Ausreißer</translation>
    </message>
    <message>
        <source>year</source>
        <translation>Jahr</translation>
    </message>
</context>
<context>
    <name>ErrorListWindow</name>
    <message>
        <source>Fehlermeldung aus RUX</source>
        <translation>Fehlermeldung aus RUX</translation>
    </message>
    <message>
        <source>input rows of plots that cannot be simulated:</source>
        <translation>Eingabezeilen von Flächen, die nicht simuliert werden können:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ExperimentIdDialog</name>
    <message>
        <source>adapt experiment ID</source>
        <translation>Betrieb ID anpassen</translation>
    </message>
    <message>
        <source>location (old)</source>
        <translation>Standort (alt)</translation>
    </message>
    <message>
        <source>location (new)</source>
        <translation>Standort (neu)</translation>
    </message>
    <message>
        <source>unique ID (old)</source>
        <translation>eindeutige ID (alt)</translation>
    </message>
    <message>
        <source>unique ID (new)</source>
        <translation>eindeutige ID (neu)</translation>
    </message>
    <message>
        <source>adapt ID</source>
        <translation>ID anpassen</translation>
    </message>
    <message>
        <source>no changes</source>
        <translation>keine Änderungen</translation>
    </message>
    <message>
        <source>new ID</source>
        <translation>neue ID</translation>
    </message>
</context>
<context>
    <name>ExperimentTableView</name>
    <message>
        <source>Management</source>
        <translation>Bewirtschaftung</translation>
    </message>
    <message>
        <source>Observation</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>keep content</source>
        <translation>Inhalt behalten</translation>
    </message>
    <message>
        <source>new row</source>
        <translation>neue Zeile</translation>
    </message>
    <message>
        <source>apply filter</source>
        <translation>Filter anwenden</translation>
    </message>
    <message>
        <source>filter condition</source>
        <translation>Filter</translation>
    </message>
</context>
<context>
    <name>ExportBar</name>
    <message>
        <source>==&gt; xls</source>
        <translation>==&gt; xls</translation>
    </message>
    <message>
        <source>make CSV</source>
        <translation>CSV erzeugen</translation>
    </message>
    <message>
        <source>The file was written, but no program opens it here:
</source>
        <translation>Die Datei wurde geschrieben, aber kein Programm öffnet sie hier:
</translation>
    </message>
</context>
<context>
    <name>HistogramPage</name>
    <message>
        <source>experiment - modell:</source>
        <translation>Betrieb - Modell:</translation>
    </message>
</context>
<context>
    <name>InitialSomDialog</name>
    <message>
        <source>Set initial SOM</source>
        <translation>Start-Humus festlegen</translation>
    </message>
    <message>
        <source>RPX (Crep/BAT)=</source>
        <translation>RPX (Crep/BAT)=</translation>
    </message>
    <message>
        <source>initial SOC stock</source>
        <translation>Start-Corg-Vorrat</translation>
    </message>
    <message>
        <source>this suggestion for a classification is in a very preliminary state!</source>
        <translation>dieser Vorschlag einer Klassifikation ist sehr vorläufig!</translation>
    </message>
    <message>
        <source>save</source>
        <translation>speichern</translation>
    </message>
    <message>
        <source>close</source>
        <translation>schließen</translation>
    </message>
    <message>
        <source>A model run is using the database. Save when it has ended.</source>
        <translation>Ein Modelllauf nutzt die Datenbank. Speichern Sie, wenn er beendet ist.</translation>
    </message>
    <message>
        <source>very low</source>
        <translation>sehr niedrig</translation>
    </message>
    <message>
        <source>low</source>
        <translation>niedrig</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>normal</translation>
    </message>
    <message>
        <source>high</source>
        <translation>hoch</translation>
    </message>
    <message>
        <source>very high</source>
        <translation>sehr hoch</translation>
    </message>
    <message>
        <source>plot %1</source>
        <translation>Fläche %1</translation>
    </message>
</context>
<context>
    <name>KeywordRelationWindow</name>
    <message>
        <source> relations of  this reference</source>
        <translation> Beziehungen dieser Quelle</translation>
    </message>
    <message>
        <source>add this keyword</source>
        <translation>Schlagwort hinzufügen</translation>
    </message>
    <message>
        <source>delete this keyword</source>
        <translation>Schlagwort löschen</translation>
    </message>
    <message>
        <source>return</source>
        <translation>zurück</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Plot &amp;Selection</source>
        <translation>Daten Verarbeiten</translation>
    </message>
    <message>
        <source>&amp;Parameters</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>&amp;Climate Data</source>
        <translation>Klimadaten</translation>
    </message>
    <message>
        <source>S&amp;QL - module</source>
        <translation>SQL-Datenrecherche</translation>
    </message>
    <message>
        <source>Data &amp;Transfer</source>
        <translation>Datentransfer</translation>
    </message>
    <message>
        <source>Settin&amp;gs</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>online &amp;Manual </source>
        <translation>online &amp;Manual </translation>
    </message>
    <message>
        <source>Change System &amp;Database</source>
        <translation>Auswahl der Datenbank</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Veltrano</source>
        <translation>Veltrano</translation>
    </message>
    <message>
        <source>RUX 2019</source>
        <translation>RUX 2019</translation>
    </message>
    <message>
        <source>&lt;b&gt;Veltrano&lt;/b&gt;&lt;br&gt;</source>
        <translation>&lt;b&gt;Veltrano&lt;/b&gt;&lt;br&gt;</translation>
    </message>
    <message>
        <source>soil organic matter balance of arable land</source>
        <translation>Humusbilanz für Ackerland</translation>
    </message>
    <message>
        <source>RUX-simulator</source>
        <translation>RUX-Simulator</translation>
    </message>
    <message>
        <source>A run is in progress. Stop it and end the program ?</source>
        <translation>Ein Modelllauf ist im Gange. Abbrechen und das Programm beenden ?</translation>
    </message>
    <message>
        <source>demo database</source>
        <translation>Demo-Datenbank</translation>
    </message>
    <message>
        <source>Version: %1</source>
        <translation>Version: %1</translation>
    </message>
    <message>
        <source>online Manual</source>
        <translation>Online-Handbuch</translation>
    </message>
    <message>
        <source>Document not loaded!</source>
        <translation>Dokument nicht geladen!</translation>
    </message>
    <message>
        <source>Version= %1</source>
        <translation>Version= %1</translation>
    </message>
    <message>
        <source>database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source> attention</source>
        <translation> Achtung</translation>
    </message>
    <message>
        <source>general error</source>
        <translation>allgemeiner Fehler</translation>
    </message>
    <message>
        <source>Access import</source>
        <translation>Access-Import</translation>
    </message>
    <message>
        <source>settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>history</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>The simulator is not available; no run was made.</source>
        <translation>Der Simulator ist nicht verfügbar; es wurde nicht gerechnet.</translation>
    </message>
</context>
<context>
    <name>ManagementPage</name>
    <message>
        <source>DATE</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>ACTION</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>SUBJECT</source>
        <translation>Objekt</translation>
    </message>
    <message>
        <source>INTENSITY</source>
        <translation>Menge</translation>
    </message>
    <message>
        <source>UNIT</source>
        <translation>Einheit</translation>
    </message>
    <message>
        <source>all</source>
        <translation>Alles</translation>
    </message>
    <message>
        <source>harvest</source>
        <translation>Ernte</translation>
    </message>
    <message>
        <source>org.amendment</source>
        <translation>org.Dünger</translation>
    </message>
    <message>
        <source>N fertilizer</source>
        <translation>min.N-Dng.</translation>
    </message>
    <message>
        <source>soil tillage</source>
        <translation>Bodenbearbeitung</translation>
    </message>
    <message>
        <source>selection:</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>print management</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>save as PDF; no preview</source>
        <translation>als PDF; ohne Ansicht</translation>
    </message>
    <message>
        <source>Management Event</source>
        <translation>Maßnahme</translation>
    </message>
    <message>
        <source>action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>item</source>
        <translation>Objekt</translation>
    </message>
    <message>
        <source>date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>intensity</source>
        <translation>Menge</translation>
    </message>
    <message>
        <source>FLA%=</source>
        <translation>FLA%=</translation>
    </message>
    <message>
        <source>non default</source>
        <translation>abweichend</translation>
    </message>
    <message>
        <source>Insert Record</source>
        <translation>Satz einfügen</translation>
    </message>
    <message>
        <source>Overwrite Record</source>
        <translation>Satz überschreiben</translation>
    </message>
    <message>
        <source>Management</source>
        <translation>Bewirtschaftung</translation>
    </message>
    <message>
        <source>choose the event to overwrite</source>
        <translation>wählen Sie die zu überschreibende Maßnahme</translation>
    </message>
</context>
<context>
    <name>MessageDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
</context>
<context>
    <name>NBalanceWindow</name>
    <message>
        <source>RUX N balance</source>
        <translation>RUX N-Bilanz</translation>
    </message>
    <message>
        <source>use observed N-uptake</source>
        <translation>gemessene N-Aufnahme verwenden</translation>
    </message>
    <message>
        <source>make CSV</source>
        <translation>CSV erzeugen</translation>
    </message>
    <message>
        <source>run N-Balance</source>
        <translation>N-Bilanz rechnen</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Abbruch</translation>
    </message>
    <message>
        <source>copy to XLS</source>
        <translation>nach XLS kopieren</translation>
    </message>
    <message>
        <source>limit time interval:</source>
        <translation>Zeitraum begrenzen:</translation>
    </message>
    <message>
        <source>&lt;=    Jahr    &lt;=</source>
        <translation>&lt;=    Jahr    &lt;=</translation>
    </message>
    <message>
        <source>limit range of fertilization:</source>
        <translation>Düngungsbereich begrenzen:</translation>
    </message>
    <message>
        <source>&lt;= Dg-N-inp &lt;=</source>
        <translation>&lt;= Dg-N-inp &lt;=</translation>
    </message>
    <message>
        <source>fl_id:</source>
        <translation>fl_id:</translation>
    </message>
    <message>
        <source>table</source>
        <translation>Tabelle</translation>
    </message>
    <message>
        <source>the limits must be numbers</source>
        <translation>die Grenzen müssen Zahlen sein</translation>
    </message>
    <message>
        <source>The nitrogen balance is being built. Cancel it and close the window ?</source>
        <translation>Die N-Bilanz wird erstellt. Abbrechen und das Fenster schließen ?</translation>
    </message>
</context>
<context>
    <name>NewFolderDialog</name>
    <message>
        <source>create new experiment folder</source>
        <translation>Neuen Betrieb anlegen</translation>
    </message>
    <message>
        <source>short name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>internal code</source>
        <translation>interner Code</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>esc</source>
        <translation>Abbruch</translation>
    </message>
</context>
<context>
    <name>ObservationPage</name>
    <message>
        <source>datum</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>property</source>
        <translation>Merkmal</translation>
    </message>
    <message>
        <source>value</source>
        <translation>Messwert</translation>
    </message>
    <message>
        <source>y_nr</source>
        <translation>Jahr#</translation>
    </message>
    <message>
        <source>show this property only</source>
        <translation>nur dieses Merkmal anzeugen</translation>
    </message>
    <message>
        <source>edit data</source>
        <translation>Bodenuntersuchung</translation>
    </message>
    <message>
        <source>sampling date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>variance (optional)</source>
        <translation>Varianz (optional)</translation>
    </message>
    <message>
        <source>initial value</source>
        <translation>als Startwert</translation>
    </message>
    <message>
        <source>Insert Record</source>
        <translation>Messwert einfügen</translation>
    </message>
    <message>
        <source>Overwrite Record</source>
        <translation>Messwert überschreiben</translation>
    </message>
    <message>
        <source>Observation</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>choose the observation to overwrite</source>
        <translation>wählen Sie den zu überschreibenden Messwert</translation>
    </message>
    <message>
        <source>&amp;show all properties</source>
        <translation>&amp;alle Merkmale anzeigen</translation>
    </message>
</context>
<context>
    <name>ParameterViewerDialog</name>
    <message>
        <source>gldpflan</source>
        <translation>gldpflan</translation>
    </message>
    <message>
        <source>gldopspa</source>
        <translation>gldopspa</translation>
    </message>
</context>
<context>
    <name>ParameterWindow</name>
    <message>
        <source>RUX-Parameter</source>
        <translation>RUX-Parameter</translation>
    </message>
    <message>
        <source>preselection</source>
        <translation>Vorauswahl</translation>
    </message>
    <message>
        <source>all</source>
        <translation>Alles</translation>
    </message>
    <message>
        <source>residues</source>
        <translation>Ernterückstände</translation>
    </message>
    <message>
        <source>substrates</source>
        <translation>Substrate</translation>
    </message>
    <message>
        <source>Soil Profiles</source>
        <translation>Bodenprofile</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>ACCESS-DATABASE</source>
        <translation>ACCESS-DATENBANK</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>INDEX</source>
        <translation>INDEX</translation>
    </message>
    <message>
        <source>NAME</source>
        <translation>NAME</translation>
    </message>
    <message>
        <source>UNIT</source>
        <translation>Einheit</translation>
    </message>
    <message>
        <source>OM-Parm</source>
        <translation>OS-Parameter</translation>
    </message>
    <message>
        <source>Crop-Parm</source>
        <translation>Kultur-Parameter</translation>
    </message>
    <message>
        <source>Fertilizers</source>
        <translation>Mineraldünger</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Merkmale</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Aktionen</translation>
    </message>
    <message>
        <source>RPX classification</source>
        <translation>RPX-Klassifikation</translation>
    </message>
    <message>
        <source>method HUMOD: %1, %2</source>
        <translation>Methode HUMOD: %1, %2</translation>
    </message>
</context>
<context>
    <name>ParamsAccess</name>
    <message>
        <source>RUX-Parameter</source>
        <translation>RUX-Parameter</translation>
    </message>
    <message>
        <source>A model run is using the database. Change the parameters when it has ended.</source>
        <translation>Ein Modelllauf nutzt die Datenbank. Ändern Sie die Parameter, wenn er beendet ist.</translation>
    </message>
</context>
<context>
    <name>PhaseDialog</name>
    <message>
        <source>select temporal phase for statistics</source>
        <translation>Zeitabschnitt für die Statistik wählen</translation>
    </message>
    <message>
        <source>time intervall</source>
        <translation>Zeitraum</translation>
    </message>
    <message>
        <source>continue</source>
        <translation>weiter</translation>
    </message>
</context>
<context>
    <name>PreselectionPage</name>
    <message>
        <source>crops</source>
        <translation>Kulturen</translation>
    </message>
    <message>
        <source>organic amendments</source>
        <translation>organische Dünger</translation>
    </message>
    <message>
        <source>mineral fertilizers</source>
        <translation>Mineraldünger</translation>
    </message>
    <message>
        <source>select</source>
        <translation>Auswahl</translation>
    </message>
    <message>
        <source>ITEM_IX</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>use all</source>
        <translation>alle wählen</translation>
    </message>
    <message>
        <source>use none</source>
        <translation>keine wählen</translation>
    </message>
    <message>
        <source>invert</source>
        <translation>invers</translation>
    </message>
    <message>
        <source>preselection</source>
        <translation>Vorauswahl</translation>
    </message>
</context>
<context>
    <name>QuantityPage</name>
    <message>
        <source>year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>SOM gain [kgC/ha/a]</source>
        <translation>Hum.aufb[kgC/ha/a]</translation>
    </message>
    <message>
        <source>SOM loss [kgC/ha/a]</source>
        <translation>Hum.abb[kgC/ha/a]</translation>
    </message>
    <message>
        <source>saldo [kgC/ha/a]</source>
        <translation>Saldo[kgC/ha/a]</translation>
    </message>
    <message>
        <source>CO2 prod. [kgC/ha/a]</source>
        <translation>CO2-Prod. [kgC/ha/a]</translation>
    </message>
    <message>
        <source>soil C storage [kg/ha]</source>
        <translation>C im Boden [kg/ha]</translation>
    </message>
    <message>
        <source>BAT [d/yr]</source>
        <translation>BAT [d/yr]</translation>
    </message>
    <message>
        <source>REP_IX</source>
        <translation>REP_IX</translation>
    </message>
    <message>
        <source>SOM - reproduction</source>
        <translation>Humus-Aufbau</translation>
    </message>
    <message>
        <source>SOM - decomposition</source>
        <translation>Humus-Abbau</translation>
    </message>
    <message>
        <source>total C emission</source>
        <translation>CO2-Produktion</translation>
    </message>
    <message>
        <source>total C in soil</source>
        <translation>C-Vorrat (total) </translation>
    </message>
    <message>
        <source>SOM saldo</source>
        <translation>Humussaldo</translation>
    </message>
    <message>
        <source>BAT</source>
        <translation>BAT</translation>
    </message>
    <message>
        <source>N-mineralisation kg/ha/a</source>
        <translation>N-mineralisation kg/ha/a</translation>
    </message>
    <message>
        <source>N in FOM kg/ha</source>
        <translation>N in FOM kg/ha</translation>
    </message>
    <message>
        <source>C in FOM kg/ha</source>
        <translation>C in FOM kg/ha</translation>
    </message>
    <message>
        <source>N in SOM kg/ha</source>
        <translation>N in SOM kg/ha</translation>
    </message>
    <message>
        <source>C in SOM kg/ha</source>
        <translation>C in SOM kg/ha</translation>
    </message>
    <message>
        <source>phys.stab. SOC kg/ha</source>
        <translation>phys.stab. SOC kg/ha</translation>
    </message>
    <message>
        <source>CNR</source>
        <translation>CNR</translation>
    </message>
    <message>
        <source>C_rep flux in kg/ha/a</source>
        <translation>C_rep flux in kg/ha/a</translation>
    </message>
    <message>
        <source>BD</source>
        <translation>BD</translation>
    </message>
    <message>
        <source>PWP</source>
        <translation>PWP</translation>
    </message>
    <message>
        <source>AOS-age</source>
        <translation>AOS-age</translation>
    </message>
    <message>
        <source>SOS-age</source>
        <translation>SOS-age</translation>
    </message>
    <message>
        <source>LTS-age</source>
        <translation>LTS-age</translation>
    </message>
    <message>
        <source>selection</source>
        <translation>Auswahl</translation>
    </message>
    <message>
        <source>quantity</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>OM-turnover</source>
        <translation>Humusbilanz</translation>
    </message>
    <message>
        <source>misc.results</source>
        <translation>weitere Ergebnisse</translation>
    </message>
    <message>
        <source>Mean=</source>
        <translation>Mean=</translation>
    </message>
    <message>
        <source>Min=</source>
        <translation>Min=</translation>
    </message>
    <message>
        <source>Max=</source>
        <translation>Max=</translation>
    </message>
</context>
<context>
    <name>RAnalysisWindow</name>
    <message>
        <source>Datenanalyse mit R</source>
        <translation>Datenanalyse mit R</translation>
    </message>
    <message>
        <source>doubleclick green edit fields to view file content</source>
        <translation>Doppelklick auf grüne Felder zeigt den Dateiinhalt</translation>
    </message>
    <message>
        <source>go</source>
        <translation>los</translation>
    </message>
    <message>
        <source>SQL script</source>
        <translation>SQL-Skript</translation>
    </message>
    <message>
        <source>R script</source>
        <translation>R-Skript</translation>
    </message>
    <message>
        <source>No database is open.</source>
        <translation>Keine Datenbank ist geöffnet.</translation>
    </message>
    <message>
        <source>plot </source>
        <translation>Fläche </translation>
    </message>
</context>
<context>
    <name>RecordButtons</name>
    <message>
        <source>insert</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>delete record</source>
        <translation>Satz Löschen</translation>
    </message>
    <message>
        <source>update</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>ReferenceListWindow</name>
    <message>
        <source>reference list</source>
        <translation>Literaturliste</translation>
    </message>
    <message>
        <source>keyword selection:</source>
        <translation>Schlagwortauswahl:</translation>
    </message>
    <message>
        <source>compact</source>
        <translation>kompakt</translation>
    </message>
    <message>
        <source>detail</source>
        <translation>Detail</translation>
    </message>
    <message>
        <source>close</source>
        <translation>schließen</translation>
    </message>
    <message>
        <source>show pdf-file</source>
        <translation>PDF-Datei anzeigen</translation>
    </message>
    <message>
        <source>There is no PDF document </source>
        <translation>Es gibt kein PDF-Dokument </translation>
    </message>
    <message>
        <source>No program opens </source>
        <translation>Kein Programm öffnet </translation>
    </message>
    <message>
        <source>not found!</source>
        <translation>nicht gefunden!</translation>
    </message>
    <message>
        <source>add  new  reference</source>
        <translation>neue Quelle anlegen</translation>
    </message>
    <message>
        <source>delete this relation</source>
        <translation>diese Beziehung löschen</translation>
    </message>
    <message>
        <source>edit keyword relation</source>
        <translation>Schlagwortbeziehung bearbeiten</translation>
    </message>
</context>
<context>
    <name>RegioModeDialog</name>
    <message>
        <source>change REGIO mode</source>
        <translation>REGIO-Modus ändern</translation>
    </message>
    <message>
        <source>This will change database structure and may cause data loss !</source>
        <translation>Dies ändert die Struktur der Datenbank und kann Daten verlieren !</translation>
    </message>
    <message>
        <source>the application will be closed and has to be restarted to finish the change</source>
        <translation>das Programm wird geschlossen und muss neu gestartet werden, um die Änderung abzuschließen</translation>
    </message>
    <message>
        <source>change the structure</source>
        <translation>Struktur ändern</translation>
    </message>
    <message>
        <source>escape: no changes</source>
        <translation>Abbruch: keine Änderungen</translation>
    </message>
    <message>
        <source>set REGIO mode OFF (no undo possible)</source>
        <translation>REGIO-Modus AUS (nicht umkehrbar)</translation>
    </message>
    <message>
        <source>set REGIO mode ON</source>
        <translation>REGIO-Modus EIN</translation>
    </message>
</context>
<context>
    <name>ReportDocument</name>
    <message>
        <source>save as PDF</source>
        <translation>als PDF speichern</translation>
    </message>
</context>
<context>
    <name>ResultPageSet</name>
    <message>
        <source>90 % band</source>
        <translation>90-%-Band</translation>
    </message>
    <message>
        <source>DATABASE</source>
        <translation>DATENBANK</translation>
    </message>
</context>
<context>
    <name>ResultsMenu</name>
    <message>
        <source>refresh outlier indication</source>
        <translation>Ausreißer neu bestimmen</translation>
    </message>
    <message>
        <source>A run is in progress.</source>
        <translation>Ein Modelllauf ist im Gange.</translation>
    </message>
    <message>
        <source>&amp;Results</source>
        <translation>&amp;Ergebnisse</translation>
    </message>
    <message>
        <source>RUX-simulator</source>
        <translation>RUX-Simulator</translation>
    </message>
    <message>
        <source>N-balance</source>
        <translation>N-Bilanz</translation>
    </message>
    <message>
        <source>Update-Statistics</source>
        <translation>Statistik aktualisieren</translation>
    </message>
</context>
<context>
    <name>SelectionPanel</name>
    <message>
        <source>all</source>
        <translation>alles</translation>
    </message>
    <message>
        <source>none</source>
        <translation>nichts</translation>
    </message>
    <message>
        <source>invert</source>
        <translation>invers</translation>
    </message>
    <message>
        <source>Model run for selection</source>
        <translation>Modellstart für Auswahl</translation>
    </message>
    <message>
        <source>close</source>
        <translation>schließen</translation>
    </message>
    <message>
        <source>repeat</source>
        <translation>wiederholen</translation>
    </message>
    <message>
        <source>from</source>
        <translation>ab</translation>
    </message>
</context>
<context>
    <name>SessionDialog</name>
    <message>
        <source>add parameter</source>
        <translation>Parameter hinzufügen</translation>
    </message>
    <message>
        <source>remove parameter</source>
        <translation>Parameter entfernen</translation>
    </message>
    <message>
        <source>experiment</source>
        <translation>Betrieb</translation>
    </message>
    <message>
        <source>plots</source>
        <translation>Schläge</translation>
    </message>
    <message>
        <source>threads</source>
        <translation>Threads</translation>
    </message>
    <message>
        <source>start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>close</source>
        <translation>schließen</translation>
    </message>
    <message>
        <source>parameter</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>low</source>
        <translation>untere Grenze</translation>
    </message>
    <message>
        <source>high</source>
        <translation>obere Grenze</translation>
    </message>
    <message>
        <source>distribution</source>
        <translation>Verteilung</translation>
    </message>
    <message>
        <source>first number</source>
        <translation>erste Zahl</translation>
    </message>
    <message>
        <source>second number</source>
        <translation>zweite Zahl</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>RUX settings</source>
        <translation>RUX Einstellungen</translation>
    </message>
    <message>
        <source>save SOM state during RUX run</source>
        <translation>Humuszustand während des RUX-Laufs speichern</translation>
    </message>
    <message>
        <source> dynamic bulk density </source>
        <translation> dynamische Lagerungsdichte </translation>
    </message>
    <message>
        <source> simulate a dynamic LTS pool </source>
        <translation> dynamischen LTS-Pool simulieren </translation>
    </message>
    <message>
        <source>simulate LTS pool with Hassink-saturation</source>
        <translation>LTS-Pool mit Hassink-Sättigung simulieren</translation>
    </message>
    <message>
        <source>&amp;save + return</source>
        <translation>&amp;Speichern + zurück</translation>
    </message>
    <message>
        <source>&amp;cancel</source>
        <translation>&amp;Abbruch</translation>
    </message>
    <message>
        <source>model change detected: results will be deleted ! Continue anyway ?</source>
        <translation>Modelländerung erkannt: Ergebnisse werden gelöscht ! Trotzdem fortsetzen ?</translation>
    </message>
    <message>
        <source>ppath (dbl click)</source>
        <translation>ppath (Doppelklick)</translation>
    </message>
    <message>
        <source>method</source>
        <translation>Methode</translation>
    </message>
    <message>
        <source>database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>soil scheme</source>
        <translation>Bodenschema</translation>
    </message>
    <message>
        <source>pF WP</source>
        <translation>pF WP</translation>
    </message>
    <message>
        <source>pF FK</source>
        <translation>pF FK</translation>
    </message>
    <message>
        <source>ptf mode</source>
        <translation>PTF-Modus</translation>
    </message>
    <message>
        <source>R call</source>
        <translation>R-Aufruf</translation>
    </message>
    <message>
        <source>R result</source>
        <translation>R-Ergebnis</translation>
    </message>
    <message>
        <source>R script</source>
        <translation>R-Skript</translation>
    </message>
    <message>
        <source>BAT recalc</source>
        <translation>BAT neu berechnen</translation>
    </message>
    <message>
        <source>PDF-reader</source>
        <translation>PDF-Leser</translation>
    </message>
    <message>
        <source>pdf dir</source>
        <translation>PDF-Ordner</translation>
    </message>
    <message>
        <source>never</source>
        <translation>nie</translation>
    </message>
    <message>
        <source>finally</source>
        <translation>am Ende</translation>
    </message>
    <message>
        <source>every year</source>
        <translation>jedes Jahr</translation>
    </message>
</context>
<context>
    <name>ShiftPlotsDialog</name>
    <message>
        <source>shift plots  FL_ID</source>
        <translation>Flächen ID anpassen</translation>
    </message>
    <message>
        <source>max_</source>
        <translation>max_</translation>
    </message>
    <message>
        <source>min_</source>
        <translation>min_</translation>
    </message>
    <message>
        <source>adapt ID</source>
        <translation>ID anpassen</translation>
    </message>
    <message>
        <source>location</source>
        <translation>Standort</translation>
    </message>
    <message>
        <source>shift</source>
        <translation>Verschiebung</translation>
    </message>
    <message>
        <source>the shift must be a whole number</source>
        <translation>die Verschiebung muss eine ganze Zahl sein</translation>
    </message>
</context>
<context>
    <name>SimpleSoilDialog</name>
    <message>
        <source>simple soil description</source>
        <translation>Bodendaten</translation>
    </message>
    <message>
        <source>name of soil</source>
        <translation>Bezeichner</translation>
    </message>
    <message>
        <source>soil type</source>
        <translation>Bodenart</translation>
    </message>
    <message>
        <source>gravel</source>
        <translation>Steingehalt (%)</translation>
    </message>
    <message>
        <source>clay</source>
        <translation>Tongehalt (%)</translation>
    </message>
    <message>
        <source>silt</source>
        <translation>Schluffgehalt (%)</translation>
    </message>
    <message>
        <source>save this soil</source>
        <translation>Satz Speichern</translation>
    </message>
    <message>
        <source>esc</source>
        <translation>Abbruch</translation>
    </message>
    <message>
        <source>delete this soil</source>
        <translation>Satz Löschen</translation>
    </message>
    <message>
        <source>Satz kann nicht gespeichert werden</source>
        <translation>Satz kann nicht gespeichert werden</translation>
    </message>
    <message>
        <source>Bitte alle Pflicht-Daten eingeben !</source>
        <translation>Bitte alle Pflicht-Daten eingeben !</translation>
    </message>
    <message>
        <source>A model run is using the database. Save the soil when it has ended.</source>
        <translation>Ein Modelllauf nutzt die Datenbank. Speichern Sie den Boden, wenn er beendet ist.</translation>
    </message>
    <message>
        <source>A model run is using the database. Delete the soil when it has ended.</source>
        <translation>Ein Modelllauf nutzt die Datenbank. Löschen Sie den Boden, wenn er beendet ist.</translation>
    </message>
    <message>
        <source>confirm delete</source>
        <translation>Löschen bestätigen</translation>
    </message>
</context>
<context>
    <name>SimulatorWindow</name>
    <message>
        <source>calculate</source>
        <translation>berechnen</translation>
    </message>
    <message>
        <source>RUX-simulator</source>
        <translation>RUX-Simulator</translation>
    </message>
    <message>
        <source>database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>recalc BAT</source>
        <translation>BAT neu berechnen</translation>
    </message>
    <message>
        <source>STOP RUN</source>
        <translation>LAUF STOPPEN</translation>
    </message>
    <message>
        <source>running in regional mode</source>
        <translation>regionaler Modus aktiv</translation>
    </message>
    <message>
        <source>YEAR_</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>MEAS_VALUE</source>
        <translation>gemessen</translation>
    </message>
    <message>
        <source>SIM_VALUE</source>
        <translation>modelliert</translation>
    </message>
    <message>
        <source>MEAS_ID</source>
        <translation>MEAS_ID</translation>
    </message>
    <message>
        <source>messages</source>
        <translation>Meldungen</translation>
    </message>
    <message>
        <source>histogram</source>
        <translation>Histogramm</translation>
    </message>
    <message>
        <source>assessment</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>No database is open.</source>
        <translation>Keine Datenbank ist geöffnet.</translation>
    </message>
    <message>
        <source>close</source>
        <translation>schließen</translation>
    </message>
    <message>
        <source>Where is the database ?</source>
        <translation>Wo ist die Datenbank ?</translation>
    </message>
    <message>
        <source>A run is in progress. Stop it and close the window ?</source>
        <translation>Ein Modelllauf ist im Gange. Abbrechen und das Fenster schließen ?</translation>
    </message>
</context>
<context>
    <name>SoilProfilePage</name>
    <message>
        <source>profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>ENTER</source>
        <translation>ENTER</translation>
    </message>
    <message>
        <source>soil properties</source>
        <translation>Bodeneigenschaften</translation>
    </message>
    <message>
        <source>use this CIF</source>
        <translation>diesen CIF verwenden</translation>
    </message>
    <message>
        <source>expert</source>
        <translation>Experte</translation>
    </message>
    <message>
        <source>expert parameters</source>
        <translation>Expertenparameter</translation>
    </message>
    <message>
        <source>Soil Profiles</source>
        <translation>Bodenprofile</translation>
    </message>
    <message>
        <source>value refused</source>
        <translation>Wert abgelehnt</translation>
    </message>
    <message>
        <source>confirm append</source>
        <translation>Anfügen bestätigen</translation>
    </message>
    <message>
        <source>create new profile ?</source>
        <translation>neues Profil anlegen ?</translation>
    </message>
    <message>
        <source>confirm delete</source>
        <translation>Löschen bestätigen</translation>
    </message>
    <message>
        <source>bulk density in g/cm³</source>
        <translation>Lagerungsdichte in g/cm³</translation>
    </message>
    <message>
        <source>porosity in VOL%</source>
        <translation>Porenvolumen in Vol%</translation>
    </message>
    <message>
        <source>top soil water capacity on field [VOL%]</source>
        <translation>Feldkapazität Oberboden [Vol%]</translation>
    </message>
    <message>
        <source>top soil wilting point [Vol%]</source>
        <translation>Welkepunkt Oberboden [Vol%]</translation>
    </message>
    <message>
        <source>particles &lt;6 microns [%]</source>
        <translation>Feinanteil &lt;6 µm [%]</translation>
    </message>
    <message>
        <source>silt content in %</source>
        <translation>Schluffgehalt in %</translation>
    </message>
    <message>
        <source>clay content in %</source>
        <translation>Tongehalt in %</translation>
    </message>
    <message>
        <source>german Reichsbodenschätzung</source>
        <translation>Reichsbodenschätzung</translation>
    </message>
    <message>
        <source>content of stones etc</source>
        <translation>Steingehalt usw.</translation>
    </message>
    <message>
        <source>C-inert factor</source>
        <translation>C-inert-Faktor</translation>
    </message>
    <message>
        <source>edit</source>
        <translation>bearbeiten</translation>
    </message>
    <message>
        <source>post</source>
        <translation>speichern</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Abbruch</translation>
    </message>
    <message>
        <source>refresh</source>
        <translation>aktualisieren</translation>
    </message>
</context>
<context>
    <name>SqlModuleWindow</name>
    <message>
        <source>SQL - module</source>
        <translation>SQL-Datenrecherche</translation>
    </message>
    <message>
        <source>execute</source>
        <translation>ausführen</translation>
    </message>
    <message>
        <source>load from file</source>
        <translation>aus Datei laden</translation>
    </message>
    <message>
        <source>save to file</source>
        <translation>in Datei speichern</translation>
    </message>
    <message>
        <source>export to XLS</source>
        <translation>nach XLS exportieren</translation>
    </message>
    <message>
        <source>of 10</source>
        <translation>von 10</translation>
    </message>
    <message>
        <source>data change</source>
        <translation>Datenänderung</translation>
    </message>
    <message>
        <source>parameter</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>value</source>
        <translation>Messwert</translation>
    </message>
    <message>
        <source>update sql code with parameter values</source>
        <translation>SQL-Code mit Parameterwerten aktualisieren</translation>
    </message>
    <message>
        <source>clear grid</source>
        <translation>Tabelle leeren</translation>
    </message>
    <message>
        <source>No database is open.</source>
        <translation>Keine Datenbank ist geöffnet.</translation>
    </message>
    <message>
        <source>A run is in progress; execute the script when it has ended.</source>
        <translation>Ein Modelllauf ist im Gange; führen Sie das Skript aus, wenn er beendet ist.</translation>
    </message>
    <message>
        <source>Enter Parameter Value</source>
        <translation>Parameterwert eingeben</translation>
    </message>
    <message>
        <source>statement %1: error ignored (drop): %2</source>
        <translation>Anweisung %1: Fehler übergangen (drop): %2</translation>
    </message>
    <message>
        <source>statement %1: %2 rows changed</source>
        <translation>Anweisung %1: %2 Zeilen geändert</translation>
    </message>
    <message>
        <source>statement %1: %2 rows</source>
        <translation>Anweisung %1: %2 Zeilen</translation>
    </message>
    <message>
        <source>sql - files (*.sql)</source>
        <translation>SQL-Dateien (*.sql)</translation>
    </message>
    <message>
        <source>There is no result to export; execute a query first.</source>
        <translation>Es gibt kein Ergebnis zum Exportieren; führen Sie zuerst eine Abfrage aus.</translation>
    </message>
    <message>
        <source>Excel workbook (*.xlsx)</source>
        <translation>Excel-Arbeitsmappe (*.xlsx)</translation>
    </message>
    <message>
        <source>The file was written, but no program opens it here:
</source>
        <translation>Die Datei wurde geschrieben, aber kein Programm öffnet sie hier:
</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>Where is the database ?</source>
        <translation>Wo ist die Datenbank ?</translation>
    </message>
    <message>
        <source>DB error</source>
        <translation>DB-Fehler</translation>
    </message>
    <message>
        <source>database not found, will try to use last DB</source>
        <translation>Datenbank nicht gefunden, die zuletzt genutzte wird versucht</translation>
    </message>
</context>
<context>
    <name>StatisticsUpdate</name>
    <message>
        <source>Update-Statistics</source>
        <translation>Statistik aktualisieren</translation>
    </message>
    <message>
        <source>evaluation by script</source>
        <translation>Auswertung per Skript</translation>
    </message>
    <message>
        <source>refresh outlier indication</source>
        <translation>Ausreißer neu bestimmen</translation>
    </message>
    <message>
        <source>%1 groups tested, %2 observations flagged</source>
        <translation>%1 Gruppen geprüft, %2 Messwerte als Ausreißer markiert</translation>
    </message>
</context>
<context>
    <name>TableListPage</name>
    <message>
        <source>export to XLS</source>
        <translation>nach XLS exportieren</translation>
    </message>
    <message>
        <source>export to XML</source>
        <translation>nach XML exportieren</translation>
    </message>
    <message>
        <source>The table </source>
        <translation>Die Tabelle </translation>
    </message>
    <message>
        <source>The file was written, but no program opens it here:
</source>
        <translation>Die Datei wurde geschrieben, aber kein Programm öffnet sie hier:
</translation>
    </message>
    <message>
        <source>saved: </source>
        <translation>gespeichert: </translation>
    </message>
</context>
<context>
    <name>UncertaintyDialog</name>
    <message>
        <source>samples</source>
        <translation>Stichproben</translation>
    </message>
    <message>
        <source>seed</source>
        <translation>Startwert</translation>
    </message>
    <message>
        <source>uncertainty…</source>
        <translation>Unsicherheit…</translation>
    </message>
</context>
<context>
    <name>UpdateCheckDialog</name>
    <message>
        <source>update check</source>
        <translation>Update-Prüfung</translation>
    </message>
</context>
<context>
    <name>workbench</name>
    <message>
        <source>OPERATION DENIED</source>
        <translation>Operation nicht durchführbar</translation>
    </message>
    <message>
        <source>please edit first the initial value</source>
        <translation>Bitte zuerst einen Startwert definieren !</translation>
    </message>
    <message>
        <source>the location is empty</source>
        <translation>der Standort ist leer</translation>
    </message>
    <message>
        <source>the new location is empty</source>
        <translation>der neue Standort ist leer</translation>
    </message>
    <message>
        <source>the database has no table measurements</source>
        <translation>die Datenbank hat keine Tabelle measurements</translation>
    </message>
    <message>
        <source>the filter condition must be one expression without &apos;;&apos;</source>
        <translation>die Filterbedingung muss ein Ausdruck ohne ';' sein</translation>
    </message>
    <message>
        <source>rows are added to cultivation or measurements only</source>
        <translation>Zeilen werden nur an Bewirtschaftung oder Messwerte angefügt</translation>
    </message>
    <message>
        <source>date: not a valid date</source>
        <translation>Datum: kein gültiges Datum</translation>
    </message>
    <message>
        <source>background adaptation impossible</source>
        <translation>Anpassung im Hintergrund nicht möglich</translation>
    </message>
</context>
</TS>
