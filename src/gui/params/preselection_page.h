#pragma once
#include "gui/params/params_common.h"
#include "workbench/params_selection.h"

#include <QWidget>

class QTableView;

namespace vt::gui {

class TableEditModel;

// The page "preselection": which crops, amendments and fertilisers the browser offers.
// A double click on a row toggles it; the buttons work on a whole list.
class PreselectionPage : public QWidget {
    Q_OBJECT
public:
    PreselectionPage(ParamsAccess access, QWidget* parent = nullptr);

    void reload();
    TableEditModel* model(workbench::SelectionList list) const;
    QTableView* view(workbench::SelectionList list) const;
    // A double click on a row of a list.
    void toggle(workbench::SelectionList list, int row);
    // "use none", "invert", "use all".
    enum class Button { None, Invert, All };
    void press(workbench::SelectionList list, Button button);

private:
    QWidget* listBox(workbench::SelectionList list, const QString& title, const char* name);

    ParamsAccess access_;
    TableEditModel* models_[3];
    QTableView* views_[3];
};

} // namespace vt::gui
