#include "gui/tools/sql_module_window.h"

#include "db/connection.h"
#include "gui/tools/tool_grid_model.h"
#include "gui/tools/tool_dialogs.h"
#include "gui/widgets/dialog_hooks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace vt::gui {

SqlModuleWindow::SqlModuleWindow(std::function<db::Connection*()> connection, QWidget* parent)
    : QWidget(parent, Qt::Window), connection_(std::move(connection))
{
    setObjectName("SqlModuleWindow");
    setWindowTitle(tr("SQL - module"));
    buildLayout();
    lastFolder_ = QDir::currentPath();
}

void SqlModuleWindow::buildLayout()
{
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto button = [this, top](const char* name, const QString& text, void (SqlModuleWindow::*slot)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        top->addWidget(b);
        return b;
    };
    auto* exec = new QPushButton(tr("execute"), this);
    exec->setObjectName("execute");
    connect(exec, &QPushButton::clicked, this, [this] { execute(); });
    top->addWidget(exec);
    button("load", tr("load from file"), &SqlModuleWindow::loadFromFile);
    button("save", tr("save to file"), &SqlModuleWindow::saveToFile);
    button("export", tr("export to XLS"), &SqlModuleWindow::exportToXls);
    top->addStretch();
    auto* up = new QToolButton(this);
    up->setObjectName("history_up");
    up->setArrowType(Qt::UpArrow);
    connect(up, &QToolButton::clicked, this, &SqlModuleWindow::historyUp);
    auto* down = new QToolButton(this);
    down->setObjectName("history_down");
    down->setArrowType(Qt::DownArrow);
    connect(down, &QToolButton::clicked, this, &SqlModuleWindow::historyDown);
    slot_ = new QLabel("0", this);
    slot_->setObjectName("slot");
    top->addWidget(up);
    top->addWidget(down);
    top->addWidget(slot_);
    top->addWidget(new QLabel(tr("of 10"), this));
    dataChange_ = new QCheckBox(tr("data change"), this);
    dataChange_->setObjectName("data_change");
    dataChange_->setEnabled(false);
    top->addWidget(dataChange_);
    layout->addLayout(top);

    auto* split = new QSplitter(Qt::Vertical, this);
    auto* upper = new QSplitter(Qt::Horizontal, split);
    editor_ = new QPlainTextEdit(upper);
    editor_->setObjectName("editor");
    editor_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* paramBox = new QWidget(upper);
    auto* paramLayout = new QVBoxLayout(paramBox);
    paramLayout->setContentsMargins(0, 0, 0, 0);
    params_ = new QStandardItemModel(0, 2, this);
    params_->setHorizontalHeaderLabels({tr("parameter"), tr("value")});
    paramView_ = new QTableView(paramBox);
    paramView_->setObjectName("parameters");
    paramView_->setModel(params_);
    paramView_->horizontalHeader()->setStretchLastSection(true);
    paramLayout->addWidget(paramView_);
    auto* update = new QPushButton(tr("update sql code with parameter values"), paramBox);
    update->setObjectName("update_parameters");
    connect(update, &QPushButton::clicked, this, &SqlModuleWindow::updateWithParameters);
    auto* clear = new QPushButton(tr("clear grid"), paramBox);
    clear->setObjectName("clear_grid");
    connect(clear, &QPushButton::clicked, this, &SqlModuleWindow::clearGrid);
    paramLayout->addWidget(update);
    paramLayout->addWidget(clear);
    upper->setStretchFactor(0, 3);
    upper->setStretchFactor(1, 1);

    result_ = new ToolGridModel(this);
    auto* resultView = new QTableView(split);
    resultView->setObjectName("result");
    resultView->setModel(result_);
    log_ = new QPlainTextEdit(split);
    log_->setObjectName("log");
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(500);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 3);
    split->setStretchFactor(2, 1);
    layout->addWidget(split);
    resize(900, 640);
}

bool SqlModuleWindow::dataChangeTicked() const { return dataChange_->isChecked(); }

QString SqlModuleWindow::slotText() const { return slot_->text(); }

QStringList SqlModuleWindow::log() const { return log_->toPlainText().split('\n', Qt::SkipEmptyParts); }

void SqlModuleWindow::addLog(const QString& line) { log_->appendPlainText(line); }

void SqlModuleWindow::editorToModule() { module_.setText(editor_->toPlainText().toStdString()); }

void SqlModuleWindow::moduleToEditor() { editor_->setPlainText(QString::fromStdString(module_.text())); }

void SqlModuleWindow::gridToModule()
{
    std::vector<workbench::ScriptParameter> p;
    for (int r = 0; r < params_->rowCount(); ++r) {
        const QString name = params_->index(r, 0).data().toString().trimmed();
        if (name.isEmpty()) continue;
        p.push_back({name.toStdString(), params_->index(r, 1).data().toString().toStdString()});
    }
    module_.setParameters(std::move(p));
}

void SqlModuleWindow::moduleToGrid()
{
    params_->setRowCount(0);
    for (const auto& p : module_.parameters())
        params_->appendRow({new QStandardItem(QString::fromStdString(p.name)), new QStandardItem(QString::fromStdString(p.value))});
}

void SqlModuleWindow::showSlot() { slot_->setText(QString::number(module_.currentSlot())); }

bool SqlModuleWindow::execute()
{
    db::Connection* c = connection_();
    if (!c) {
        show_message(this, tr("SQL - module"), tr("No database is open."));
        return false;
    }
    if (busy_ && busy_()) {
        show_message(this, tr("SQL - module"), tr("A run is in progress; execute the script when it has ended."));
        return false;
    }
    editorToModule();
    gridToModule();
    workbench::SqlModule::Callbacks cb;
    cb.beforeStatement = [] { QApplication::processEvents(); };
    // A PARAMETERS declaration without a value in the grid is asked for, as Access asks.
    cb.askParameter = [this](const std::string& name) -> std::optional<std::string> {
        if (DialogHooks::capturing()) return std::nullopt;
        bool ok = false;
        const QString v = QInputDialog::getText(this, tr("Enter Parameter Value"), QString::fromStdString(name),
                                                QLineEdit::Normal, {}, &ok);
        if (!ok) return std::nullopt;
        return v.toStdString();
    };
    cb.onOutcome = [this](const workbench::StatementOutcome& o) {
        dataChange_->setChecked(o.dataChange);
        const QString n = QString::number(o.number);
        if (!o.ignoredError.empty())
            addLog(tr("statement %1: error ignored (drop): %2").arg(n, QString::fromStdString(o.ignoredError)));
        else if (o.dataChange)
            addLog(tr("statement %1: %2 rows changed").arg(n).arg(o.changed));
        else {
            result_->setTable(o.rows);
            addLog(tr("statement %1: %2 rows").arg(n).arg(o.rows.rows.size()));
        }
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool ok = true;
    try {
        module_.execute(*c, cb);
    } catch (const std::exception& e) {
        ok = false;
        dataChange_->setChecked(module_.dataChange());
        QApplication::restoreOverrideCursor();
        addLog(QString::fromStdString(e.what()));
        show_message(this, tr("SQL - module"), QString::fromStdString(e.what()));
    }
    if (ok) QApplication::restoreOverrideCursor();
    showSlot();
    return ok;
}

void SqlModuleWindow::loadFromFile()
{
    const QString f = choose_open_file(this, tr("load from file"), lastFolder_, tr("sql - files (*.sql)"));
    if (!f.isEmpty()) loadFile(f);
}

void SqlModuleWindow::loadFile(const QString& path)
{
    gridToModule();
    try {
        module_.loadFile(path.toStdString());
    } catch (const std::exception& e) {
        show_message(this, tr("SQL - module"), QString::fromStdString(e.what()));
        return;
    }
    lastFolder_ = QFileInfo(path).absolutePath();
    moduleToEditor();
    moduleToGrid();
}

void SqlModuleWindow::saveToFile()
{
    const QString f = choose_save_file(this, tr("save to file"), lastFolder_, tr("sql - files (*.sql)"), "sql");
    if (f.isEmpty()) return;
    editorToModule();
    try {
        module_.saveFile(f.toStdString());
        lastFolder_ = QFileInfo(f).absolutePath();
    } catch (const std::exception& e) {
        show_message(this, tr("SQL - module"), QString::fromStdString(e.what()));
    }
}

void SqlModuleWindow::updateWithParameters()
{
    editorToModule();
    gridToModule();
    module_.applyParameters();
    moduleToEditor();
    showSlot();
}

void SqlModuleWindow::clearGrid()
{
    module_.clearGrid();
    moduleToGrid();
}

void SqlModuleWindow::historyUp()
{
    if (module_.historyUp()) moduleToEditor();
    showSlot();
}

void SqlModuleWindow::historyDown()
{
    if (module_.historyDown()) moduleToEditor();
    showSlot();
}

void SqlModuleWindow::exportToXls()
{
    if (module_.result().columns.empty()) {
        show_message(this, tr("export to XLS"), tr("There is no result to export; execute a query first."));
        return;
    }
    const QString f = choose_save_file(this, tr("export to XLS"), lastFolder_, tr("Excel workbook (*.xlsx)"), "xlsx");
    if (f.isEmpty()) return;
    try {
        module_.exportResult(f.toStdString());
    } catch (const std::exception& e) {
        show_message(this, tr("export to XLS"), QString::fromStdString(e.what()));
        return;
    }
    if (!open_document(f))
        show_message(this, tr("export to XLS"), tr("The file was written, but no program opens it here:\n") + f);
}

void SqlModuleWindow::hideEvent(QHideEvent* event)
{
    // Closing the window empties the history.
    module_.clearHistory();
    showSlot();
    QWidget::hideEvent(event);
}

} // namespace vt::gui
