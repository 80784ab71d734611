#pragma once
#include "workbench/params_rpx.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace vt::gui {

class MainWindow;
class TableEditModel;

// "Set initial SOM": the plot's initial soil organic matter level as a reproduction
// index. The level list suggests the class of the plot's repix on its soil's texture;
// choosing a level puts its index times the texture reference into the input field;
// "save" stores the field as the plot's repix.
class InitialSomDialog : public QDialog {
    Q_OBJECT
public:
    explicit InitialSomDialog(MainWindow& main, QWidget* parent = nullptr);

    // Reads the plot's soil and repix; false (and the error shown) when it has no soil.
    bool setPlot(long long flId);
    long long plot() const { return flId_; }
    // Choosing a level (0 "very low" .. 4 "very high").
    void chooseLevel(int level);
    int level() const;
    QString inputText() const;
    void setInputText(const QString& text);
    // "save"; false when the field holds no number.
    bool save();

signals:
    // The stored repix, for the browser's RPX button.
    void repixSaved(double repix);

private:
    MainWindow& main_;
    long long flId_ = -1;
    std::vector<workbench::RpxClass> classes_;
    workbench::InitialSom som_;
    QLabel* plotLabel_;
    QLineEdit* input_;
    QComboBox* levels_;
    TableEditModel* classModel_;
    bool filling_ = false;
};

} // namespace vt::gui
