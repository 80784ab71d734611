#pragma once
#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vt::gui {

class MainWindow;

// "simple soil description" (German "Bodendaten"): a soil profile with only its
// mandatory values. The caller puts the profile name, or "-?-" for a new soil, into the
// name field, shows the dialog and afterwards reads the name field: the saved name, or
// "-?-" when a new soil was cancelled or the soil deleted.
class SimpleSoilDialog : public QDialog {
    Q_OBJECT
public:
    explicit SimpleSoilDialog(MainWindow& main, QWidget* parent = nullptr);

    void setProfileName(const QString& name);
    QString profileName() const;
    bool newMode() const { return newMode_; }

    // The activation: new mode when the name field reads "-?-", else the soil of that
    // name is read.
    void load();
    // "save this soil"; false when mandatory values are missing or a number is not one.
    bool save();
    // "esc".
    void escape();
    // "delete this soil", after the question (naming the plots that use it).
    void deleteSoil();

    QLineEdit* nameField() const { return name_; }
    QComboBox* soilTypeField() const { return type_; }
    QLineEdit* gravelField() const { return gravel_; }
    QLineEdit* clayField() const { return clay_; }
    QLineEdit* siltField() const { return silt_; }
    // Whether a field shows the colour of a missing mandatory value.
    static bool marked(const QWidget* field);

signals:
    // A soil was stored or deleted: the browser refills its soil list.
    void soilsChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void mark(QWidget* field, bool on);

    MainWindow& main_;
    bool newMode_ = true;
    std::optional<long long> editSoil_;
    QLineEdit* name_;
    QComboBox* type_;
    QLineEdit* gravel_;
    QLineEdit* clay_;
    QLineEdit* silt_;
    QPushButton* save_;
    QPushButton* esc_;
    QPushButton* delete_;
};

} // namespace vt::gui
