#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vt::gui {

class MainWindow;
class PreselectionPage;
class SoilProfilePage;
class TableEditModel;
class TableListPage;

// The window "RUX-Parameter": the model's parameter tables (crops, organic amendments,
// mineral fertilisers, management actions, observed properties, RPX classes), the soil
// profiles, the result tables, any table of the database, and the preselection of the
// items the browser offers. Grids store each edited cell at once.
class ParameterWindow : public QDialog {
    Q_OBJECT
public:
    enum Page { Preselection, OmParm, CropParm, Fertilizers, SoilProfiles, Properties, Actions, Results, AccessDatabase, Rpx };
    enum class AmendmentFilter { All, Residues, Substrates };

    explicit ParameterWindow(MainWindow& main, QWidget* parent = nullptr);

    // What the main window's "Parameters" does before showing it: the table list of the
    // page "ACCESS-DATABASE" is filled and the page "OM-Parm" selected.
    void prepareShow();
    // Fills the table list again (after every connect).
    void refillTableList();
    // Each time the window is shown: the crop and amendment pages follow the database's
    // method ("HUMOD" has tables of its own) and every grid is read again, keeping the page.
    void activate();
    void showPage(Page page);
    Page currentPage() const;
    void setAmendmentFilter(AmendmentFilter filter);
    // "End": unsaved soil changes are stored, the amendment filter removed, and the
    // browser is told to read the parameters again.
    void end();

    PreselectionPage* preselection() const { return preselection_; }
    SoilProfilePage* soilPage() const { return soil_; }
    TableListPage* resultsPage() const { return results_; }
    TableListPage* databasePage() const { return database_; }
    TableEditModel* gridModel(Page page) const;

signals:
    // "End": the browser reloads its items, its tree and the plot it showed.
    void parametersChanged();
    // A soil was created or deleted: the browser refills its soil list.
    void soilsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing (End, Esc, the title bar) stores and tells the browser.
    void done(int result) override;

private:
    QWidget* gridPage(Page page, TableEditModel* model, const char* name, QWidget* extra = nullptr);
    void finish();

    MainWindow& main_;
    QTabWidget* pages_;
    PreselectionPage* preselection_;
    SoilProfilePage* soil_;
    TableListPage* results_;
    TableListPage* database_;
    TableEditModel* amendments_;
    TableEditModel* crops_;
    TableEditModel* fertilizers_;
    TableEditModel* properties_;
    TableEditModel* actions_;
    TableEditModel* rpx_;
    QRadioButton* filterAll_;
    QRadioButton* filterResidues_;
    QRadioButton* filterSubstrates_;
    QLabel* humodNote_;
    std::string amendmentTable_ = "gldopspa";
    AmendmentFilter filter_ = AmendmentFilter::All;
};

} // namespace vt::gui
