#pragma once
#include "gui/params/params_common.h"

#include <QMap>
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vt::gui {

// The page "Soil Profiles": one soil record at a time with a record navigator. Posting
// applies the missing-value rule (a value not greater than 0 is stored as -99 with its
// X_org false, so that the simulation estimates it).
class SoilProfilePage : public QWidget {
    Q_OBJECT
public:
    SoilProfilePage(ParamsAccess access, QWidget* parent = nullptr);

    // Re-reads the list of soils; stays on the shown soil when it still exists, else
    // goes to the first.
    void reload();
    // Shows a soil; false when it does not exist.
    bool showSoil(long long soilId);
    long long currentSoil() const { return soil_; }
    QLineEdit* field(const QString& column) const { return fields_.value(column.toLower()); }
    void setExpert(bool on);

    // Navigator: first, prior, next, last, delete, edit, post, cancel, refresh.
    void first();
    void prior();
    void next();
    void last();
    void deleteSoil();
    void edit();
    bool post();
    void cancel();
    // "ENTER": the soil of the typed name, created after a question when there is none.
    void enterProfile();
    // The window closes: unsaved changes are stored under the rule for silt, FAT, BD, PV,
    // FC and PWP.
    void storeOnClose();
    bool modified() const { return dirty_; }

signals:
    // A soil was created or deleted: the browser refills its soil list.
    void soilsChanged();

private:
    void addField(QWidget* box, const QString& column, const QString& label, const QString& hint);
    void fill();
    bool store(const std::vector<std::string>& rule);
    void setEditing(bool on);
    void moveTo(int index);
    int currentIndex() const;

    ParamsAccess access_;
    long long soil_ = -1;
    bool dirty_ = false;
    bool filling_ = false;
    QListWidget* list_;
    QLineEdit* profile_;
    QLabel* soilId_;
    QPushButton* enter_;
    QCheckBox* useCif_;
    QCheckBox* expert_;
    QGroupBox* expertBox_;
    QMap<QString, QLineEdit*> fields_;
    QMap<QString, QWidget*> rows_;
};

} // namespace vt::gui
