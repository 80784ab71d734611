#pragma once
#include <QDialog>

class QTreeWidget;

namespace vt::gui {

class MainWindow;

// The crop viewer ("gldpflan") and the organic amendment viewer ("gldopspa"): every
// parameter of one record as a tree, read-only; the crop viewer adds the substances of
// its roots and residues and of its by-product.
class ParameterViewerDialog : public QDialog {
    Q_OBJECT
public:
    explicit ParameterViewerDialog(MainWindow& main, QWidget* parent = nullptr);

    void showCrop(long long itemIx);
    void showAmendment(long long itemIx);
    QTreeWidget* tree() const { return tree_; }

private:
    MainWindow& main_;
    QTreeWidget* tree_;
};

} // namespace vt::gui
