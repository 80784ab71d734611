#include "gui/browser/browser_window.h"

#include "db/connection.h"
#include "workbench/command_data.h"
#include "gui/app/main_window.h"
#include "gui/app/regio_mode_dialog.h"
#include "gui/params/parameter_viewer_dialog.h"
#include "gui/browser/basic_info_page.h"
#include "gui/browser/browser_dialogs.h"
#include "gui/widgets/core_texts.h"
#include "gui/browser/experiment_table_view.h"
#include "gui/browser/management_page.h"
#include "gui/browser/observation_page.h"
#include "gui/widgets/confirm_dialog.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/database_info.h"
#include "workbench/browser_plot_ops.h"
#include "workbench/browser_site.h"
#include "workbench/browser_tree.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMetaMethod>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace vt::gui {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
const char* kCaptionProperty = "pageCaption";

} // namespace

BrowserWindow::BrowserWindow(MainWindow& main, QWidget* parent) : QWidget(parent, Qt::Window), main_(main)
{
    setObjectName("BrowserWindow");
    setWindowTitle(tr("DATABASE"));
    resize(1100, 720);
    const auto conn = [this] { return connection(); };

    model_ = new BrowserTreeModel(this);
    model_->dropAllowed = [this] {
        const auto page = currentPageCaption();
        return pagesShown() && (page == "Basic-Info" || page == "Management" || page == "Observation");
    };
    tree_ = new QTreeView(this);
    tree_->setObjectName("tree");
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setDragEnabled(true);
    tree_->setAcceptDrops(true);
    tree_->setDropIndicatorShown(true);
    tree_->setDragDropMode(QAbstractItemView::DragDrop);
    tree_->setDefaultDropAction(Qt::CopyAction);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setAutoScroll(true);

    basicInfo_ = new BasicInfoPage(conn, this);
    management_ = new ManagementPage(conn, this);
    observation_ = new ObservationPage(conn, this);
    observation_->firstYear = [this] { return basicInfo_->firstYear(); };
    pages_ = new QTabWidget(this);
    pages_->setObjectName("pages");
    addPage(basicInfo_, QT_TR_NOOP("Basic-Info"));
    addPage(management_, QT_TR_NOOP("Management"));
    addPage(observation_, QT_TR_NOOP("Observation"));
    placeholder_ = new QLabel(this);
    placeholder_->setObjectName("placeholder");
    right_ = new QStackedWidget(this);
    right_->addWidget(placeholder_);
    right_->addWidget(pages_);
    tableView_ = new ExperimentTableView(conn, this);
    right_->addWidget(tableView_);

    end_ = new QPushButton(tr("End"), this);
    end_->setObjectName("end");
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(tree_, 1);
    leftLayout->addWidget(end_);
    auto* split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(right_);
    split->setStretchFactor(1, 3);
    split->setSizes({330, 770});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(split);

    connect(end_, &QPushButton::clicked, this, &QWidget::close);
    tree_->viewport()->installEventFilter(this);
    connect(tree_, &QTreeView::pressed, this, [this](const QModelIndex& index) {
        if (pressButton_ != Qt::LeftButton) return;  // the menu comes with the context request
        pressNode(index, Qt::LeftButton, pressModifiers_);
    });
    tree_->installEventFilter(this);
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const auto index = tree_->indexAt(pos);
        if (!index.isValid()) return;
        if (QMenu* menu = pressNode(index, Qt::RightButton)) {
            menu->exec(tree_->viewport()->mapToGlobal(pos));
            menu->deleteLater();
        }
    });
    connect(model_, &BrowserTreeModel::plotDropped, this, &BrowserWindow::copyDropped);
    model_->dragStarted = [this](long long) { dragging_ = true; };
    connect(basicInfo_, &BasicInfoPage::renamed, this, [this](long long id, const QString& name) { model_->renamePlot(id, name); });
    connect(basicInfo_, &BasicInfoPage::initialisationChosen, this, [this](const QString& choice) {
        auto& st = main_.state();
        if (choice == "obsval" && st.modus == "ACC") st.modus = "RUX";
        if (choice == "null") st.modus = "ACC";
        // An initial observation is entered on "Observation": the page is there at once.
        if (choice != "null") setPageVisible("Observation", true);
        applyModeRules();
    });
    connect(basicInfo_, &BasicInfoPage::runRequested, this, &BrowserWindow::plotRunRequested);
    connect(management_, &ManagementPage::itemParametersRequested, this,
            [this](workbench::ItemViewer viewer, long long itemIx) {
                auto* dialog = viewer == workbench::ItemViewer::Crop ? main_.cropViewer() : main_.amendmentViewer();
                if (!dialog) return;
                if (viewer == workbench::ItemViewer::Crop) dialog->showCrop(itemIx);
                else dialog->showAmendment(itemIx);
                dialog->show();
                dialog->raise();
            });
    connect(observation_, &ObservationPage::firstYearChanged, basicInfo_, &BasicInfoPage::setFirstYear);
    connect(&main_, &MainWindow::databaseChanged, this, [this] {
        if (isVisible()) open();
    });
    hidePlotPages();
}

BrowserWindow::~BrowserWindow() = default;

db::Connection* BrowserWindow::connection() const { return main_.session().connection(); }

bool BrowserWindow::german() const { return main_.state().german(); }

void BrowserWindow::addPage(QWidget* page, const QString& caption)
{
    page->setProperty(kCaptionProperty, caption);
    // The caption is the page's English name, kept as its key; the tab shows its translation.
    pages_->addTab(page, tr(caption.toUtf8().constData()));
}

bool BrowserWindow::pagesShown() const { return right_->currentWidget() == pages_; }

bool BrowserWindow::tableViewShown() const { return right_->currentWidget() == tableView_; }

QString BrowserWindow::currentPageCaption() const
{
    auto* w = pages_->currentWidget();
    return w ? w->property(kCaptionProperty).toString() : QString();
}

void BrowserWindow::setPageVisible(const QString& caption, bool visible)
{
    for (int i = 0; i < pages_->count(); ++i)
        if (pages_->widget(i)->property(kCaptionProperty).toString() == caption) pages_->setTabVisible(i, visible);
}

void BrowserWindow::showPage(const QString& caption)
{
    for (int i = 0; i < pages_->count(); ++i) {
        auto* w = pages_->widget(i);
        if (w->property(kCaptionProperty).toString() == caption || pages_->tabText(i) == caption) {
            pages_->setTabVisible(i, true);
            pages_->setCurrentIndex(i);
            return;
        }
    }
}

void BrowserWindow::hidePlotPages() { right_->setCurrentWidget(placeholder_); }

void BrowserWindow::showPanel(QWidget* panel, const QString& caption)
{
    if (pages_->indexOf(panel) < 0) addPage(panel, caption);
    if (activePlot_ < 0) {
        // No plot loaded: the panel alone, without the empty plot pages.
        for (int i = 0; i < pages_->count(); ++i) {
            auto* w = pages_->widget(i);
            if (w != panel && pages_->isTabVisible(i)) {
                pages_->setTabVisible(i, false);
                panelHidden_ << w;
            }
        }
        right_->setCurrentWidget(pages_);
    }
    pages_->setTabVisible(pages_->indexOf(panel), true);
    pages_->setCurrentWidget(panel);
}

void BrowserWindow::restorePanelHidden()
{
    for (auto* w : std::as_const(panelHidden_))
        if (const int i = pages_->indexOf(w); i >= 0) pages_->setTabVisible(i, true);
    panelHidden_.clear();
}

void BrowserWindow::closePanel(QWidget* panel)
{
    const int i = pages_->indexOf(panel);
    if (i < 0) return;
    pages_->removeTab(i);
    panel->hide();
    restorePanelHidden();
    if (activePlot_ < 0) hidePlotPages();
}

void BrowserWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    open();
}

void BrowserWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) activate();
}

bool BrowserWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tree_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* m = static_cast<QMouseEvent*>(event);
        pressButton_ = m->button();
        pressModifiers_ = m->modifiers();
    }
    // Return loads the node under the keyboard focus, as a click does.
    if (watched == tree_ && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            pressNode(tree_->currentIndex(), Qt::LeftButton, k->modifiers());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BrowserWindow::open()
{
    hidePlotPages();
    if (auto* c = connection()) workbench::ensure_browser_indexes(*c);
    basicInfo_->fillChoices();
    observation_->fillProperties();
    rebuildTree(0);
    detectRegionalMode();
    setCaption();
}

void BrowserWindow::activate()
{
    setCaption();
    applyModeRules();
}

void BrowserWindow::detectRegionalMode()
{
    auto* c = connection();
    const bool regionalTable = c && workbench::is_regional_database(*c);
    regState_ = regionalTable ? tr("regional mode enabled") : tr("regional mode NOT enabled");
    regionalMode_ = regionalTable || main_.state().appmode == "REGIO";
    const bool areaShares = regionalMode_ || main_.settings().textOr("REGMODE", "LOC") == "REG";
    management_->setMode(regionalMode_, areaShares);
    applyModeRules();
}

void BrowserWindow::applyModeRules()
{
    const auto& st = main_.state();
    basicInfo_->setAccMode(st.modus == "ACC");
    basicInfo_->setRegioApp(st.appmode == "REGIO");
    if (regionalMode_) basicInfo_->setRegional(true);
    if (german()) setPageVisible("misc.results", false);
}

void BrowserWindow::setCaption()
{
    setWindowTitle(qs(main_.state().db_f_name) + "; " + regState_);
}

void BrowserWindow::rebuildTree(int mode)
{
    auto& st = main_.state();
    if (st.modus == "ACC") {
        setPageVisible("Observation", false);
        setPageVisible("C-dynamics", false);
        setPageVisible("misc.results", false);
    } else if (st.modus == "RUX") {
        setPageVisible("Observation", true);
    }
    // The walks rebuild the tree at most in mode 0; the rebuild below follows them.
    if (mode != 0 && evaluationWalk_) evaluationWalk_(mode, phaseSelect_);
    if (mode == 0) phaseSelect_ = 0;
    workbench::BrowserTree tree;
    if (auto* c = connection()) {
        try {
            tree = workbench::read_browser_tree(*c);
        } catch (const std::exception& e) {
            show_message(this, tr("DATABASE"), qs(e.what()));
        }
    }
    recs_ = std::max(recs_, static_cast<int>(tree.plots.size()));
    const auto path = connection() ? connection()->path() : st.db_f_name;
    model_->setTree(std::move(tree), qs(workbench::root_label(path)), st.power && !german());
    tree_->expand(model_->rootIndex());
    // The pressed plot stays pressed, found anew by its FL_ID; a deleted one is gone.
    const auto pressed = model_->findPlot(pressedPlot_);
    if (pressed.isValid()) {
        tree_->setCurrentIndex(pressed);
        tree_->scrollTo(pressed);
    } else {
        pressedPlot_ = -1;
        tree_->setCurrentIndex(model_->rootIndex());
    }
    if (activePlot_ >= 0 && !model_->findPlot(activePlot_).isValid()) {
        activePlot_ = -1;
        hidePlotPages();
    }
}

QMenu* BrowserWindow::pressNode(const QModelIndex& index, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    if (!index.isValid()) return nullptr;
    pressedPlot_ = model_->plotId(index);
    tree_->setCurrentIndex(index);
    if (button == Qt::LeftButton) {
        if (basicInfo_->changed()) basicInfo_->save();
        loadNode(index, modifiers & Qt::ShiftModifier);
        return nullptr;
    }
    if (button == Qt::RightButton) return menuFor(index);
    return nullptr;
}

void BrowserWindow::loadPlot(long long flId)
{
    const auto index = model_->findPlot(flId);
    if (!index.isValid()) return;
    tree_->expand(index.parent());
    tree_->expand(index.parent().parent());
    pressNode(index, Qt::LeftButton);
}

bool BrowserWindow::clickOnItem(const QString& location, const QString& label, bool exact)
{
    // Every experiment of the location is searched, in tree order.
    const auto root = model_->rootIndex();
    for (int e = 0; e < model_->rowCount(root); ++e) {
        const auto exp = model_->index(e, 0, root);
        if (model_->location(exp) != location) continue;
        for (int f = 0; f < model_->rowCount(exp); ++f) {
            const auto folder = model_->index(f, 0, exp);
            for (int p = 0; p < model_->rowCount(folder); ++p) {
                const auto plot = model_->index(p, 0, folder);
                const QString name = plot.data().toString();
                if (exact ? name == label : name.contains(label)) {
                    tree_->expand(exp);
                    tree_->expand(folder);
                    pressNode(plot, Qt::LeftButton);
                    return true;
                }
            }
        }
    }
    return false;
}

void BrowserWindow::loadNode(const QModelIndex& index, bool keepPage)
{
    const int page = pages_->currentIndex();
    const auto kind = model_->kind(index);
    const QString label = index.data().toString();
    tree_->scrollTo(index);
    if (kind == BrowserTreeModel::Kind::Experiment || kind == BrowserTreeModel::Kind::Files ||
        kind == BrowserTreeModel::Kind::PlotsFolder)
        gldDb_ = model_->location(index);
    if (kind == BrowserTreeModel::Kind::Files) {
        tableView_->open(gldDb_, model_->code(index));
        right_->setCurrentWidget(tableView_);
    } else if (tableViewShown()) {
        right_->setCurrentWidget(activePlot_ >= 0 ? static_cast<QWidget*>(pages_) : placeholder_);
    }
    if (kind != BrowserTreeModel::Kind::Plot) {
        curDb_ = curSite_ = "?";
        return;
    }
    auto* c = connection();
    if (!c) return;
    const long long flId = model_->plotId(index);
    restorePanelHidden();
    if (flId != activePlot_) {
        setPageVisible("OM-turnover", false);
    }
    activePlot_ = flId;
    right_->setCurrentWidget(pages_);
    curDb_ = model_->location(index);
    curSite_ = label;
    auto& st = main_.state();
    try {
        const auto counts = workbench::read_plot_counts(*c, flId);
        management_->load(flId, label);
        observation_->load(flId, label);
        const int nitrogen = st.methode == "HUMOD" ? counts.nitrogenObservations : 1;
        const bool canRun = static_cast<long long>(counts.events) * nitrogen * counts.observations > 0;
        const QString iCon = basicInfo_->load(flId, counts, st.modus == "ACC");
        basicInfo_->setRunVisible(isSignalConnected(QMetaMethod::fromSignal(&BrowserWindow::plotRunRequested)));
        basicInfo_->setRunEnabled(canRun || iCon == "null");
        if (iCon == "null") {
            st.modus = "ACC";
            for (const char* p : {"Observation", "C-dynamics", "misc.results", "N-dynamics", "micr.BM"}) setPageVisible(p, false);
        } else {
            if (st.modus == "ACC") st.modus = "RUX";
            setPageVisible("Observation", true);
        }
        applyModeRules();
    } catch (const std::exception& e) {
        show_message(this, tr("DATABASE"), qs(e.what()));
    }
    if (keepPage && page >= 0 && pages_->isTabVisible(page))
        pages_->setCurrentIndex(page);
    else if (!dragging_ && !keepPage)
        pages_->setCurrentIndex(0);
    emit plotLoaded(flId);
}

QMenu* BrowserWindow::menuFor(const QModelIndex& index)
{
    const auto kind = model_->kind(index);
    auto* menu = new QMenu(this);
    menu->setObjectName("nodeMenu");
    const QPersistentModelIndex node(index);
    const auto add = [&](const QString& caption, const char* name, std::function<void()> f, bool enabled = true) {
        auto* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, std::move(f));
        return a;
    };
    const bool g = german();
    switch (kind) {
    case BrowserTreeModel::Kind::Experiment: {
        gldDb_ = model_->location(index);
        const QString location = gldDb_;
        const QString code = model_->code(index);
        add(tr("delete experiment"), "deleteExperiment", [this, node] { deleteExperiment(node); });
        add(tr("experiment simulation"), "experimentSimulation", [this, location, code] { emit experimentSimulationRequested(location, code); },
            isSignalConnected(QMetaMethod::fromSignal(&BrowserWindow::experimentSimulationRequested)));
        add(tr("calibrate…"), "calibrate", [this, location, code] { emit calibrationRequested(location, code); },
            isSignalConnected(QMetaMethod::fromSignal(&BrowserWindow::calibrationRequested)));
        add(tr("uncertainty…"), "uncertainty", [this, location, code] { emit uncertaintyRequested(location, code); },
            isSignalConnected(QMetaMethod::fromSignal(&BrowserWindow::uncertaintyRequested)));
        menu->addSeparator();
        add(tr("shift plots  FL_ID"), "shiftPlots", [this, node] { shiftPlots(node); })->setVisible(!g);
        add(tr("shift experiment ID"), "shiftExperimentId", [this, node] { shiftExperimentId(node); })->setVisible(!g);
        break;
    }
    case BrowserTreeModel::Kind::PlotsFolder:
        gldDb_ = model_->location(index);
        add(tr("add a new plot"), "addPlot", [this, node] { addPlot(node); });
        add(tr("delete active plot"), "deleteActivePlot", [this] { deletePlot(activePlot_); }, activePlot_ >= 0);
        menu->addSeparator();
        add(tr("move active plot"), "moveActivePlot", [this] { moveActivePlot(); }, activePlot_ >= 0);
        break;
    case BrowserTreeModel::Kind::Root:
        add(tr("regio mode"), "regioMode", [this] { openRegioMode(); });
        add(tr("create a new experiment"), "createExperiment", [this] { createExperiment(); });
        add(tr("database simulation"), "databaseSimulation", [this] { emit databaseSimulationRequested(); },
            isSignalConnected(QMetaMethod::fromSignal(&BrowserWindow::databaseSimulationRequested)));
        add(tr("refresh outlier indication"), "refreshOutliers", [this] { emit outlierRefreshRequested(); },
            isSignalConnected(QMetaMethod::fromSignal(&BrowserWindow::outlierRefreshRequested)));
        menu->addSeparator();
        add(tr("site condition report"), "siteReport", [] {}, false);
        menu->addSeparator();
        add(tr("Update-Statistics"), "updateStatistics", [this] { emit updateStatisticsRequested(); },
            isSignalConnected(QMetaMethod::fromSignal(&BrowserWindow::updateStatisticsRequested)))
            ->setVisible(!g);
        add(tr("N-balance"), "nBalance", [this] { emit nitrogenBalanceRequested(); },
            isSignalConnected(QMetaMethod::fromSignal(&BrowserWindow::nitrogenBalanceRequested)))
            ->setVisible(!g);
        break;
    case BrowserTreeModel::Kind::Plot: {
        const long long id = model_->plotId(index);
        add(tr("copy plot"), "copyPlot", [this, id] { copyPlot(id); });
        add(tr("delete plot"), "deletePlot", [this, id] { deletePlot(id); });
        break;
    }
    case BrowserTreeModel::Kind::Files:
        gldDb_ = model_->location(index);
        delete menu;
        return nullptr;
    }
    return menu;
}

bool BrowserWindow::runOperation(const QString& caption, const std::function<void()>& op)
{
    try {
        op();
        return true;
    } catch (const workbench::BrowserInputError& e) {
        show_message(this, e.caption().empty() ? caption : core_text(e.caption()), qs(e.what()));
    } catch (const std::exception& e) {
        show_message(this, caption, qs(e.what()));
    }
    return false;
}

void BrowserWindow::copyPlot(long long flId)
{
    auto* c = connection();
    if (!c) return;
    runOperation("copy plot", [&] { workbench::copy_plot(*c, flId); });
    rebuildTree(0);
}

void BrowserWindow::deletePlot(long long flId)
{
    auto* c = connection();
    if (!c || flId < 0) return;
    if (!ask_question(this, tr(" Confirm Delete"), tr(" Do you really want to delete ALL data of plot ") + QString::number(flId) + " ?"))
        return;
    runOperation("delete plot", [&] { workbench::delete_plot(*c, flId); });
    rebuildTree(0);
}

void BrowserWindow::addPlot(const QModelIndex& folder)
{
    auto* c = connection();
    if (!c || !folder.isValid()) return;
    const auto location = model_->location(folder).toStdString();
    const auto code = model_->code(folder).toStdString();
    std::string herkunft;
    if (model_->rowCount(folder) > 0)
        if (const auto d = workbench::read_plot_description(*c, model_->plotId(model_->index(0, 0, folder)))) herkunft = d->herkunft;
    long long added = -1;
    runOperation("add a new plot", [&] { added = workbench::add_plot(*c, location, code, herkunft).flId; });
    rebuildTree(0);
    if (added >= 0) {
        const auto node = model_->findPlot(added);
        tree_->expand(node.parent());
        tree_->scrollTo(node);
    }
}

void BrowserWindow::moveActivePlot()
{
    auto* c = connection();
    if (!c || activePlot_ < 0) return;
    const QString name = NewFolderDialog::ask(this, QString());
    if (name.isEmpty()) return;
    runOperation("move active plot", [&] { workbench::move_plot(*c, activePlot_, name.toStdString()); });
    rebuildTree(0);
}

void BrowserWindow::deleteExperiment(const QModelIndex& experiment)
{
    auto* c = connection();
    if (!c || !experiment.isValid()) return;
    const QString label = experiment.data().toString();
    const QString location = model_->location(experiment);
    const QString code = model_->code(experiment);
    if (!ConfirmDialog::ask(this, label + tr(": The Folder will be deleted!"))) {
        rebuildTree(0);  // "esc": the tree as it was, its menus closed
        return;
    }
    runOperation("delete experiment", [&] { workbench::delete_experiment(*c, {code.toStdString(), location.toStdString()}); });
    pressedPlot_ = -1;
    rebuildTree(0);
}

void BrowserWindow::createExperiment()
{
    auto* c = connection();
    if (!c) return;
    const QString name = NewFolderDialog::ask(this, QString::number(workbench::next_experiment_code(*c)));
    if (name.isEmpty()) return;
    long long first = -1;
    runOperation("create a new experiment", [&] { first = workbench::create_experiment(*c, name.toStdString()).flId; });
    pressedPlot_ = -1;
    basicInfo_->fillChoices();
    rebuildTree(0);
    detectRegionalMode();
    if (first >= 0) {
        const auto node = model_->findPlot(first);
        tree_->expand(node.parent().parent());
        tree_->expand(node.parent());
        tree_->scrollTo(node);
    }
}

void BrowserWindow::shiftPlots(const QModelIndex& experiment)
{
    if (!experiment.isValid()) return;
    if (!shiftDialog_) {
        shiftDialog_ = new ShiftPlotsDialog([this] { return connection(); }, this);
        connect(shiftDialog_, &ShiftPlotsDialog::shifted, this, [this] {
            // The loaded plot moved with its experiment: nothing of the old key stays shown.
            if (activePlot_ >= 0 && !workbench::plot_exists(*connection(), activePlot_)) {
                activePlot_ = -1;
                hidePlotPages();
            }
            rebuildTree(0);
        });
    }
    shiftDialog_->setExperiment(model_->location(experiment), model_->code(experiment));
    shiftDialog_->show();
    shiftDialog_->raise();
}

void BrowserWindow::shiftExperimentId(const QModelIndex& experiment)
{
    auto* c = connection();
    if (!c || !experiment.isValid()) return;
    const QString code = model_->code(experiment);
    const auto numeric = workbench::parse_user_integer(code.toStdString());
    if (!numeric || *numeric < 1) {
        show_message(this, tr("background adaptation impossible"), tr("please change the data manually in the database"));
        rebuildTree(0);
        return;
    }
    ExperimentIdDialog d(this);
    d.setValues(model_->location(experiment), code, workbench::next_experiment_code(*c));
    bool yes = false;
    if (DialogHooks::takeAnswer(yes)) {
        QString answer;  // a test gives "location|code"
        DialogHooks::takeFileName(answer);
        if (!yes) return;
        runOperation("adapt experiment ID", [&] {
            workbench::rename_experiment(*c, code.toStdString(), answer.section('|', 1).toStdString(), answer.section('|', 0, 0).toStdString());
        });
    } else {
        if (d.exec() != QDialog::Accepted) return;
        runOperation("adapt experiment ID",
                     [&] { workbench::rename_experiment(*c, code.toStdString(), d.newCode().toStdString(), d.newLocation().toStdString()); });
    }
    rebuildTree(0);
}

void BrowserWindow::openRegioMode()
{
    RegioModeDialog d(main_, this);
    d.exec();
}

void BrowserWindow::copyDropped(long long source, long long target)
{
    auto* c = connection();
    if (!c || source == target) return;
    const QString page = currentPageCaption();
    const bool management = page == "Management";
    if (!management && page != "Observation") return;
    const QString question = (management ? tr("you are about to copy management data into plot ")
                                         : tr("you are about to copy measurement data into plot ")) +
                             QString::number(target) + tr(" - continue ?");
    if (!ask_question(this, tr("confirm operation"), question)) return;
    workbench::ChangeReport r;
    const bool ok = runOperation("DATABASE", [&] {
        r = management ? workbench::copy_management_events(*c, source, target) : workbench::copy_observations(*c, source, target);
    });
    if (!ok) return;
    const int copied = r.rowsOf(management ? "cultivation" : "measurements");
    show_message(this, (management ? tr("transfer of management data") : tr("transfer of measuremet data")) + "     ",
                 QString::number(copied) + tr(" records copied "));
}

} // namespace vt::gui
