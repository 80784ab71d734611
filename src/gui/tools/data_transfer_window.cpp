#include "gui/tools/data_transfer_window.h"

#include "db/connection.h"
#include "gui/tools/tool_grid_model.h"
#include "gui/widgets/dialog_hooks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace vt::gui {

namespace {
constexpr int kPlotRole = Qt::UserRole + 1;
constexpr int kRecordRole = Qt::UserRole + 2;  // 1 amendment, 2 crop
} // namespace

DataTransferWindow::DataTransferWindow(std::function<db::Connection*()> connection, QWidget* parent)
    : QWidget(parent, Qt::Window), connection_(std::move(connection))
{
    setObjectName("DataTransferWindow");
    setWindowTitle(tr("data transfer"));
    buildLayout();
}

DataTransferWindow::~DataTransferWindow()
{
    // The attachment ends with the connection; the connection may be gone already.
    if (transfer_) transfer_->abandon();
}

void DataTransferWindow::buildLayout()
{
    auto* layout = new QGridLayout(this);
    source_ = new QStandardItemModel(this);
    auto* sourceView = new QListView(this);
    sourceView->setObjectName("source");
    sourceView->setModel(source_);
    layout->addWidget(new QLabel(tr("source (open database):"), this), 0, 0);
    layout->addWidget(sourceView, 1, 0, 3, 1);
    auto* ticks = new QHBoxLayout;
    const char* tickButtons[] = {QT_TR_NOOP("all"), QT_TR_NOOP("none"), QT_TR_NOOP("invert")};
    for (const char* name : tickButtons) {
        auto* b = new QPushButton(tr(name), this);
        b->setObjectName(name);
        ticks->addWidget(b);
        const QString n = name;
        connect(b, &QPushButton::clicked, this, [this, n] {
            if (n == "all") tickAll(Qt::Checked);
            else if (n == "none") tickAll(Qt::Unchecked);
            else invertTicks();
        });
    }
    layout->addLayout(ticks, 4, 0);

    // Alt+D selects the destination.
    auto* select = new QPushButton(tr("select &destination"), this);
    select->setObjectName("select_destination");
    connect(select, &QPushButton::clicked, this, [this] { selectDestination(); });
    destinationLabel_ = new QLabel("?", this);
    destinationLabel_->setObjectName("destination");
    destinationLabel_->setWordWrap(true);
    layout->addWidget(select, 0, 1);
    layout->addWidget(destinationLabel_, 1, 1);
    destination_ = new ToolGridModel(this);
    auto* destView = new QTableView(this);
    destView->setObjectName("destination_plots");
    destView->setModel(destination_);
    layout->addWidget(destView, 2, 1);

    messages_ = new QListWidget(this);
    messages_->setObjectName("messages");
    connect(messages_, &QListWidget::itemDoubleClicked, this, &DataTransferWindow::messageDoubleClicked);
    layout->addWidget(messages_, 3, 1);

    auto* bottom = new QHBoxLayout;
    noWait_ = new QCheckBox(tr("no wait on key check"), this);
    noWait_->setObjectName("no_wait");
    auto* copyButton = new QPushButton(tr("copy"), this);
    copyButton->setObjectName("copy");
    connect(copyButton, &QPushButton::clicked, this, [this] { copy(); });
    goOn_ = new QPushButton(tr("go on"), this);
    goOn_->setObjectName("go_on");
    goOn_->setEnabled(false);
    connect(goOn_, &QPushButton::clicked, this, &DataTransferWindow::goOn);
    auto* end = new QPushButton(tr("end"), this);
    end->setObjectName("end");
    connect(end, &QPushButton::clicked, this, &QWidget::close);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    bottom->addWidget(noWait_);
    bottom->addWidget(progress_, 1);
    bottom->addWidget(copyButton);
    bottom->addWidget(goOn_);
    bottom->addWidget(end);
    layout->addLayout(bottom, 4, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 2);
    resize(860, 560);
}

QString DataTransferWindow::destinationPath() const
{
    return transfer_ && transfer_->connected() ? QString::fromStdString(transfer_->destination()) : QString();
}

void DataTransferWindow::refresh()
{
    source_->clear();
    db::Connection* c = connection_();
    if (!c) return;
    try {
        for (const auto& line : workbench::transfer_source_plots(*c)) {
            auto* item = new QStandardItem(QString::fromStdString(line.text));
            item->setCheckable(true);
            item->setEditable(false);
            item->setData(QVariant::fromValue(line.plot), kPlotRole);
            source_->appendRow(item);
        }
    } catch (const std::exception& e) {
        show_message(this, tr("data transfer"), QString::fromStdString(e.what()));
    }
}

void DataTransferWindow::tickAll(Qt::CheckState state)
{
    for (int r = 0; r < source_->rowCount(); ++r) source_->item(r)->setCheckState(state);
}

void DataTransferWindow::invertTicks()
{
    for (int r = 0; r < source_->rowCount(); ++r) {
        auto* item = source_->item(r);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

void DataTransferWindow::tickPlot(long long plot, bool on)
{
    for (int r = 0; r < source_->rowCount(); ++r)
        if (source_->item(r)->data(kPlotRole).toLongLong() == plot)
            source_->item(r)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

bool DataTransferWindow::selectDestination()
{
    db::Connection* c = connection_();
    if (!c) {
        show_message(this, tr("data transfer"), tr("No database is open."));
        return false;
    }
    const QString file = choose_open_file(this, tr("destination database"), QDir::currentPath(),
                                          tr("databases (*.db *.sqlite *.mdb);;all files (*)"));
    if (file.isEmpty()) return false;
    if (!transfer_ || transferConnection_ != c) {
        // The database was changed meanwhile: the old connection, with its attachment, is gone.
        if (transfer_) transfer_->abandon();
        transfer_ = std::make_unique<workbench::DataTransfer>(*c);
        transferConnection_ = c;
    }
    try {
        transfer_->selectDestination(file.toStdString());
    } catch (const std::exception& e) {
        show_message(this, tr("data transfer"), QString::fromStdString(e.what()));
        destinationLabel_->setText("?");
        refreshDestination();
        return false;
    }
    destinationLabel_->setText(file + "\n(backup: " + QString::fromStdString(workbench::DataTransfer::backupPath(file.toStdString())) + ")");
    refreshDestination();
    return true;
}

void DataTransferWindow::refreshDestination()
{
    try {
        destination_->setTable(transfer_ ? transfer_->destinationPlots() : eval::Table{});
    } catch (const std::exception& e) {
        show_message(this, tr("data transfer"), QString::fromStdString(e.what()));
    }
}

bool DataTransferWindow::waitForKeyCheck(long long plot, const workbench::KeyCheckLists& lists)
{
    // Two steps, each ended by "go on": the amendments, then the crops. The missing ids
    // offer their records on a double click meanwhile.
    const auto lines = lists.messageLines();
    const auto cropsAt = std::find(lines.begin(), lines.end(), std::string("Trefferliste crops:"));
    auto show = [this](auto from, auto to, int kind) {
        bool missing = false;
        for (auto it = from; it != to; ++it) {
            const QString t = QString::fromStdString(*it);
            auto* item = new QListWidgetItem(t, messages_);
            if (t.endsWith(':')) {
                missing = t.startsWith("Fehlerliste");
                continue;
            }
            if (missing) item->setData(kRecordRole, kind);
        }
        messages_->scrollToBottom();
    };
    auto wait = [this] {
        if (DialogHooks::capturing()) return;
        goOn_->setEnabled(true);
        QEventLoop loop;
        waiting_ = &loop;
        loop.exec();
        waiting_ = nullptr;
        goOn_->setEnabled(false);
    };
    messages_->addItem(tr("plot %1:").arg(plot));
    show(lines.begin(), cropsAt, 1);
    wait();
    show(cropsAt, lines.end(), 2);
    wait();
    return ask_question(this, tr("after checking key items"),
                        tr("continue with datatransfer ? (plot %1)").arg(plot));
}

void DataTransferWindow::goOn()
{
    if (waiting_) waiting_->quit();
}

void DataTransferWindow::messageDoubleClicked(QListWidgetItem* item)
{
    if (!item || !transfer_) return;
    const int kind = item->data(kRecordRole).toInt();
    if (kind == 0) return;
    if (!ask_question(this, tr("Missing Record in Destination"), tr("Move this Parameter-Record ?"))) return;
    try {
        transfer_->copyParameterRecord(kind == 1 ? workbench::DataTransfer::Record::Amendment
                                                 : workbench::DataTransfer::Record::Crop,
                                       item->text().trimmed().toLongLong());
        delete item;
    } catch (const std::exception& e) {
        show_message(this, tr("data transfer"), QString::fromStdString(e.what()));
    }
}

int DataTransferWindow::copy()
{
    if (busy_ && busy_()) {
        show_message(this, tr("data transfer"), tr("A run is in progress; copy the plots when it has ended."));
        return 0;
    }
    if (transfer_ && transferConnection_ != connection_()) {
        transfer_->abandon();
        transfer_.reset();
    }
    if ((!transfer_ || !transfer_->connected()) && !selectDestination()) return 0;
    std::vector<long long> plots;
    for (int r = 0; r < source_->rowCount(); ++r)
        if (source_->item(r)->checkState() == Qt::Checked) plots.push_back(source_->item(r)->data(kPlotRole).toLongLong());
    if (plots.empty()) {
        show_message(this, tr("data transfer"), tr("Tick the plots to copy first."));
        return 0;
    }
    messages_->clear();
    workbench::DataTransfer::Options o;
    o.keyCheck = !noWait_->isChecked();
    o.message = [this](const std::string& line) { messages_->addItem(QString::fromStdString(line)); };
    o.progress = [this](long long done, long long total) {
        progress_->setMaximum(static_cast<int>(total));
        progress_->setValue(static_cast<int>(done));
        QApplication::processEvents();
    };
    o.decide = [this](long long plot, const workbench::KeyCheckLists& lists) { return waitForKeyCheck(plot, lists); };
    int copied = 0;
    try {
        for (const auto& p : transfer_->copy(plots, o)) {
            if (!p.copied) {
                messages_->addItem(tr("plot %1 not copied").arg(p.plot));
                continue;
            }
            ++copied;
            QString line = tr("plot %1 copied:").arg(p.plot);
            for (const auto& [table, rows] : p.rows) line += " " + QString::fromStdString(table) + " " + QString::number(rows);
            messages_->addItem(line);
            for (const auto& note : p.notes) messages_->addItem("  " + QString::fromStdString(note));
        }
    } catch (const std::exception& e) {
        messages_->addItem(QString::fromStdString(e.what()));
        show_message(this, tr("data transfer"), QString::fromStdString(e.what()));
    }
    refreshDestination();
    return copied;
}

void DataTransferWindow::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

void DataTransferWindow::hideEvent(QHideEvent* event)
{
    // Closing disconnects the destination.
    goOn();
    if (transfer_) {
        if (transferConnection_ == connection_()) transfer_->disconnect();
        else transfer_->abandon();
        transfer_.reset();
    }
    destinationLabel_->setText("?");
    destination_->setTable({});
    QWidget::hideEvent(event);
}

} // namespace vt::gui
