#pragma once
#include "workbench/browser_tree.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <functional>
#include <vector>

namespace vt::gui {

// The experiment tree of the window "DATABASE": the database file, its experiments
// (location + "   <" + code + ">"), their "files" node (while the power flag is set) and
// "plots" folder, and the plots. Plots can be dragged onto other plots.
class BrowserTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum class Kind { Root, Experiment, Files, PlotsFolder, Plot };
    enum Role { KindRole = Qt::UserRole + 1, PlotIdRole, LocationRole, CodeRole, HasResultsRole };
    static constexpr const char* kPlotMime = "application/x-veltrano-plot";

    explicit BrowserTreeModel(QObject* parent = nullptr);

    // Replaces the whole tree.
    void setTree(workbench::BrowserTree tree, const QString& rootLabel, bool power);
    const workbench::BrowserTree& tree() const { return tree_; }

    Kind kind(const QModelIndex& index) const;
    long long plotId(const QModelIndex& index) const;  // -1 for nodes without a plot
    QString location(const QModelIndex& index) const;  // of the node's experiment
    QString code(const QModelIndex& index) const;
    // The first plot node of this FL_ID; invalid when there is none.
    QModelIndex findPlot(long long flId) const;
    QModelIndex rootIndex() const;
    // Renames the plot's nodes at once.
    void renamePlot(long long flId, const QString& name);

    // Whether a drop is wanted now (the page in front); the window decides.
    std::function<bool()> dropAllowed;
    // Called when a drag of a plot starts.
    std::function<void(long long)> dragStarted;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

signals:
    // A plot was dropped on another plot.
    void plotDropped(long long source, long long target);

private:
    struct Node {
        Kind kind;
        int parent;             // -1 for the root
        int row;                // position under its parent
        int experiment = -1;    // index into tree_.experiments
        int plot = -1;          // index into tree_.plots
        std::vector<int> children;
    };
    int nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(int node) const;

    workbench::BrowserTree tree_;
    std::vector<Node> nodes_;
    QString rootLabel_;
    QString filesLabel_ = "files";
    QString plotsLabel_ = "plots";
    QIcon icons_[6];
};

} // namespace vt::gui
