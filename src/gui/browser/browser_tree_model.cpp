#include "gui/browser/browser_tree_model.h"


#include <QMimeData>
#include <QPainter>
#include <QPixmap>

namespace vt::gui {

namespace {

// A small picture per node kind: a folder tab for the database, experiments and folders,
// a filled square for a plot with results, an outlined one for a plot without.
QIcon node_icon(const QColor& color, bool filled, bool folder)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(color.darker(150));
    p.setBrush(filled ? QBrush(color) : QBrush(Qt::white));
    if (folder) {
        p.drawRect(1, 4, 13, 10);
        p.drawRect(1, 2, 6, 2);
    } else {
        p.drawRoundedRect(2, 2, 11, 11, 2, 2);
    }
    return QIcon(pm);
}

} // namespace

BrowserTreeModel::BrowserTreeModel(QObject* parent) : QAbstractItemModel(parent)
{
    icons_[0] = node_icon(QColor(0x3c, 0x5a, 0x78), true, true);   // root
    icons_[1] = node_icon(QColor(0xe0, 0xb0, 0x40), true, true);   // experiment
    icons_[2] = node_icon(QColor(0x70, 0xa0, 0xd0), true, true);   // experiment with references
    icons_[3] = node_icon(QColor(0x90, 0x90, 0x90), false, true);  // files, plots folder
    icons_[4] = node_icon(QColor(0x40, 0x90, 0x40), true, false);  // plot with results
    icons_[5] = node_icon(QColor(0x40, 0x90, 0x40), false, false); // plot without results
}

void BrowserTreeModel::setTree(workbench::BrowserTree tree, const QString& rootLabel, bool power)
{
    beginResetModel();
    tree_ = std::move(tree);
    rootLabel_ = rootLabel;
    filesLabel_ = tr("files");
    plotsLabel_ = tr("plots");
    nodes_.clear();
    size_t total = 1;
    for (const auto& e : tree_.experiments) total += 3 + e.plots.size();
    nodes_.reserve(total);
    nodes_.push_back({Kind::Root, -1, 0, -1, -1, {}});
    for (int e = 0; e < static_cast<int>(tree_.experiments.size()); ++e) {
        const int en = static_cast<int>(nodes_.size());
        nodes_.push_back({Kind::Experiment, 0, static_cast<int>(nodes_[0].children.size()), e, -1, {}});
        nodes_[0].children.push_back(en);
        if (power) {
            const int fn = static_cast<int>(nodes_.size());
            nodes_.push_back({Kind::Files, en, static_cast<int>(nodes_[en].children.size()), e, -1, {}});
            nodes_[en].children.push_back(fn);
        }
        const int pn = static_cast<int>(nodes_.size());
        nodes_.push_back({Kind::PlotsFolder, en, static_cast<int>(nodes_[en].children.size()), e, -1, {}});
        nodes_[en].children.push_back(pn);
        auto& folder = nodes_[pn].children;
        folder.reserve(tree_.experiments[e].plots.size());
        for (int p : tree_.experiments[e].plots) {
            const int n = static_cast<int>(nodes_.size());
            nodes_.push_back({Kind::Plot, pn, static_cast<int>(nodes_[pn].children.size()), e, p, {}});
            nodes_[pn].children.push_back(n);
        }
    }
    endResetModel();
}

int BrowserTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<int>(index.internalId()) : -1;
}

QModelIndex BrowserTreeModel::indexOfNode(int node) const
{
    if (node < 0 || node >= static_cast<int>(nodes_.size())) return {};
    return createIndex(nodes_[node].row, 0, static_cast<quintptr>(node));
}

QModelIndex BrowserTreeModel::rootIndex() const { return indexOfNode(0); }

BrowserTreeModel::Kind BrowserTreeModel::kind(const QModelIndex& index) const
{
    const int n = nodeOf(index);
    return n < 0 ? Kind::Root : nodes_[n].kind;
}

long long BrowserTreeModel::plotId(const QModelIndex& index) const
{
    const int n = nodeOf(index);
    if (n < 0 || nodes_[n].plot < 0) return -1;
    return tree_.plots[nodes_[n].plot].flId;
}

QString BrowserTreeModel::location(const QModelIndex& index) const
{
    const int n = nodeOf(index);
    if (n < 0 || nodes_[n].experiment < 0) return {};
    return QString::fromStdString(tree_.experiments[nodes_[n].experiment].location);
}

QString BrowserTreeModel::code(const QModelIndex& index) const
{
    const int n = nodeOf(index);
    if (n < 0 || nodes_[n].experiment < 0) return {};
    return QString::fromStdString(tree_.experiments[nodes_[n].experiment].vcode);
}

QModelIndex BrowserTreeModel::findPlot(long long flId) const
{
    for (int n = 0; n < static_cast<int>(nodes_.size()); ++n)
        if (nodes_[n].plot >= 0 && tree_.plots[nodes_[n].plot].flId == flId) return indexOfNode(n);
    return {};
}

void BrowserTreeModel::renamePlot(long long flId, const QString& name)
{
    for (int n = 0; n < static_cast<int>(nodes_.size()); ++n) {
        if (nodes_[n].plot < 0 || tree_.plots[nodes_[n].plot].flId != flId) continue;
        tree_.plots[nodes_[n].plot].name = name.toStdString();
        const auto i = indexOfNode(n);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
}

QModelIndex BrowserTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0 || nodes_.empty()) return {};
    if (!parent.isValid()) return row == 0 ? indexOfNode(0) : QModelIndex();
    const int p = nodeOf(parent);
    if (p < 0 || p >= static_cast<int>(nodes_.size())) return {};
    const auto& ch = nodes_[p].children;
    if (row >= static_cast<int>(ch.size())) return {};
    return createIndex(row, 0, static_cast<quintptr>(ch[row]));
}

QModelIndex BrowserTreeModel::parent(const QModelIndex& child) const
{
    const int n = nodeOf(child);
    if (n <= 0) return {};
    return indexOfNode(nodes_[n].parent);
}

int BrowserTreeModel::rowCount(const QModelIndex& parent) const
{
    if (nodes_.empty()) return 0;
    if (!parent.isValid()) return 1;
    if (parent.column() != 0) return 0;
    return static_cast<int>(nodes_[nodeOf(parent)].children.size());
}

int BrowserTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant BrowserTreeModel::data(const QModelIndex& index, int role) const
{
    const int n = nodeOf(index);
    if (n < 0) return {};
    const auto& node = nodes_[n];
    const auto* exp = node.experiment >= 0 ? &tree_.experiments[node.experiment] : nullptr;
    const auto* plot = node.plot >= 0 ? &tree_.plots[node.plot] : nullptr;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (node.kind) {
        case Kind::Root: return rootLabel_;
        case Kind::Experiment: return QString::fromStdString(exp->label());
        case Kind::Files: return filesLabel_;
        case Kind::PlotsFolder: return plotsLabel_;
        case Kind::Plot:
            return role == Qt::ToolTipRole ? QString("FL_ID %1").arg(plot->flId) : QString::fromStdString(plot->name);
        }
        return {};
    case Qt::DecorationRole:
        switch (node.kind) {
        case Kind::Root: return icons_[0];
        case Kind::Experiment: return exp->hasReferences ? icons_[2] : icons_[1];
        case Kind::Files:
        case Kind::PlotsFolder: return icons_[3];
        case Kind::Plot: return plot->hasResults ? icons_[4] : icons_[5];
        }
        return {};
    case KindRole: return static_cast<int>(node.kind);
    case PlotIdRole: return plot ? QVariant(plot->flId) : QVariant();
    case LocationRole: return exp ? QString::fromStdString(exp->location) : QString();
    case CodeRole: return exp ? QString::fromStdString(exp->vcode) : QString();
    case HasResultsRole: return plot ? plot->hasResults : false;
    default: return {};
    }
}

Qt::ItemFlags BrowserTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kind(index) == Kind::Plot) f |= Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    return f;
}

QStringList BrowserTreeModel::mimeTypes() const { return {kPlotMime}; }

QMimeData* BrowserTreeModel::mimeData(const QModelIndexList& indexes) const
{
    for (const auto& i : indexes) {
        const auto id = plotId(i);
        if (id < 0) continue;
        auto* m = new QMimeData;
        m->setData(kPlotMime, QByteArray::number(id));
        if (dragStarted) dragStarted(id);
        return m;
    }
    return nullptr;
}

bool BrowserTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int, const QModelIndex& parent) const
{
    if (!data || !data->hasFormat(kPlotMime) || row != -1) return false;
    if (kind(parent) != Kind::Plot || !parent.isValid()) return false;
    return !dropAllowed || dropAllowed();
}

bool BrowserTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    bool ok = false;
    const long long source = data->data(kPlotMime).toLongLong(&ok);
    if (!ok) return false;
    emit plotDropped(source, plotId(parent));
    return false;  // the rows are copied in the database; the tree itself does not change
}

Qt::DropActions BrowserTreeModel::supportedDropActions() const { return Qt::CopyAction; }
Qt::DropActions BrowserTreeModel::supportedDragActions() const { return Qt::CopyAction; }

} // namespace vt::gui
