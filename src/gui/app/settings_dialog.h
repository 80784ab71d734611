#pragma once
#include "gui/app/settings_values.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vt::config {
class RuxSettings;
}

namespace vt::gui {

struct AppState;
class DatabaseSession;

// The window "RUX settings": shows and edits the per-user settings and the model method
// stored in the open database. It cannot be opened while a run holds the database
// (MainWindow disables "Settin&gs").
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(config::RuxSettings& settings, AppState& state, DatabaseSession& session, QWidget* parent = nullptr);

    // Loads every value into the fields and sets the main window's method; with
    // `remember` the method, soil scheme and ptf mode become the "before" values of the
    // model-change question.
    void loadSettings(bool remember);
    // Writes the fields to the settings file; throws std::invalid_argument (nothing
    // written) when "BAT recalc" is not a number.
    void writeSettings();

    // The values as last loaded and changed by the command-line switches; a run reads
    // the scenario and Hassink choices from here.
    const SettingsValues& values() const { return values_; }
    // The command-line switches S+/S- and SAT+/SAT-: the loaded values change, the
    // settings file does not (unless the dialog is saved).
    void setScenario(int scenario);
    void setHassink(bool on);
    void showMethod(const QString& method);

    // "&save + return": false when the values could not be saved (the dialog stays open).
    bool save();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* addField(const QString& name, const QString& label, std::string SettingsValues::*value, bool readOnly);
    void buildLayout();
    void fillFields();
    void collectFields();
    void refreshOptions();
    void pickPdfReader();
    void pickPdfDir();
    void storeMethodInDatabase();

    config::RuxSettings& settings_;
    AppState& state_;
    DatabaseSession& session_;
    SettingsValues values_;
    std::string beforeMethod_, beforeSoilScheme_, beforePtfMode_;

    QLabel* ppathLabel_ = nullptr;
    QLineEdit *ppath_ = nullptr, *method_ = nullptr, *database_ = nullptr, *soilScheme_ = nullptr;
    QLineEdit *rScript_ = nullptr, *pdfReader_ = nullptr, *pdfDir_ = nullptr;
    QButtonGroup* scenario_ = nullptr;
    QCheckBox *dynBd_ = nullptr, *dynLts_ = nullptr, *hassink_ = nullptr;
    QPushButton *saveButton_ = nullptr, *cancelButton_ = nullptr;
    struct Row {
        QLabel* label;
        QLineEdit* edit;
        std::string SettingsValues::*value;
    };
    std::vector<Row> rows_;
};

} // namespace vt::gui
