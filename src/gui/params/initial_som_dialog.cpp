#include "gui/params/initial_som_dialog.h"

#include "gui/app/main_window.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/widgets/grid_view.h"
#include "gui/widgets/table_edit_model.h"
#include "workbench/params_table_edit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

InitialSomDialog::InitialSomDialog(MainWindow& main, QWidget* parent) : QDialog(parent), main_(main)
{
    setObjectName("InitialSomDialog");
    setWindowTitle(tr("Set initial SOM"));
    auto* layout = new QVBoxLayout(this);
    plotLabel_ = new QLabel(this);
    plotLabel_->setObjectName("plot");
    layout->addWidget(plotLabel_);
    auto* form = new QFormLayout;
    input_ = new QLineEdit(this);
    input_->setObjectName("repix");
    levels_ = new QComboBox(this);
    levels_->setObjectName("levels");
    for (const char* l : {QT_TR_NOOP("very low"), QT_TR_NOOP("low"), QT_TR_NOOP("normal"), QT_TR_NOOP("high"), QT_TR_NOOP("very high")})
        levels_->addItem(tr(l));
    form->addRow(tr("RPX (Crep/BAT)="), input_);
    form->addRow(tr("initial SOC stock"), levels_);
    layout->addLayout(form);
    classModel_ = new TableEditModel([&main] { return main.session().connection(); }, this, this);
    classModel_->setEditable(false);
    auto* view = grid_view(classModel_, "rpx_class", this);
    view->setMinimumHeight(150);
    layout->addWidget(view, 1);
    auto* note = new QLabel(tr("this suggestion for a classification is in a very preliminary state!"), this);
    note->setObjectName("note");
    layout->addWidget(note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* save = named_button(tr("save"), "save", this);
    auto* close = named_button(tr("close"), "close", this);
    buttons->addWidget(save);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(levels_, qOverload<int>(&QComboBox::activated), this, &InitialSomDialog::chooseLevel);
    connect(save, &QPushButton::clicked, this, &InitialSomDialog::save);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(460, 380);
}

bool InitialSomDialog::setPlot(long long flId)
{
    flId_ = flId;
    plotLabel_->setText(tr("plot %1").arg(flId));
    auto* c = main_.session().connection();
    if (!c) return false;
    classModel_->setSource({"rpx_class", "", {}, {}});
    classModel_->reload();
    try {
        classes_ = workbench::read_rpx_classes(*c);
        som_ = workbench::initial_som(*c, flId, classes_);
    } catch (const std::exception& e) {
        input_->clear();
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
        return false;
    }
    input_->setText(display_text(db::Value(som_.repix)));
    levels_->setCurrentIndex(som_.level);
    return true;
}

void InitialSomDialog::chooseLevel(int level)
{
    levels_->setCurrentIndex(level);
    if (classes_.empty() || som_.orpx == 0) return;
    input_->setText(fixed_text(workbench::rpx_suggestion(classes_, level, som_.orpx), 1));
}

int InitialSomDialog::level() const { return levels_->currentIndex(); }
QString InitialSomDialog::inputText() const { return input_->text(); }
void InitialSomDialog::setInputText(const QString& text) { input_->setText(text); }

bool InitialSomDialog::save()
{
    auto* c = main_.session().connection();
    if (!c || flId_ < 0) return false;
    workbench::ColumnInfo number;
    number.name = "repix";
    number.kind = workbench::ColumnKind::Real;
    try {
        const auto v = workbench::cell_value(number, input_->text().toStdString());
        if (v.isNull()) throw workbench::CellError("the reproduction index is missing.");
        if (main_.runActive()) {
            show_message(this, windowTitle(), tr("A model run is using the database. Save when it has ended."));
            return false;
        }
        const double stored = workbench::save_repix(*c, flId_, v.toDouble());
        input_->setText(fixed_text(stored, 2));
        emit repixSaved(stored);
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
        return false;
    }
    accept();
    return true;
}

} // namespace vt::gui
