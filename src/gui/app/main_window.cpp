#include "gui/app/main_window.h"

#include "gui/app/database_path_dialog.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/app/manual.h"
#include "gui/app/settings_dialog.h"
#include "gui/app/update_check_dialog.h"
#include "workbench/database_upkeep.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <iostream>

namespace vt::gui {

namespace {

struct Caption {
    MainWindow::Command command;
    const char* name;
    const char* caption;  // English; translated by MainWindow::applyLanguage
};

const Caption kCaptions[] = {
    {MainWindow::Command::PlotSelection, "plot_selection", QT_TRANSLATE_NOOP("MainWindow", "Plot &Selection")},
    {MainWindow::Command::Parameters, "parameters", QT_TRANSLATE_NOOP("MainWindow", "&Parameters")},
    {MainWindow::Command::ClimateData, "climate_data", QT_TRANSLATE_NOOP("MainWindow", "&Climate Data")},
    {MainWindow::Command::SqlModule, "sql_module", QT_TRANSLATE_NOOP("MainWindow", "S&QL - module")},
    {MainWindow::Command::DataTransfer, "data_transfer", QT_TRANSLATE_NOOP("MainWindow", "Data &Transfer")},
    {MainWindow::Command::Settings, "settings", QT_TRANSLATE_NOOP("MainWindow", "Settin&gs")},
    {MainWindow::Command::Manual, "manual", QT_TRANSLATE_NOOP("MainWindow", "online &Manual ")},
    {MainWindow::Command::ChangeDatabase, "change_database", QT_TRANSLATE_NOOP("MainWindow", "Change System &Database")},
    {MainWindow::Command::End, "end", QT_TRANSLATE_NOOP("MainWindow", "&End")},
};

} // namespace

MainWindow::MainWindow(StartupEnv env, QWidget* parent)
    : QMainWindow(parent), env_(std::move(env))
{
    setObjectName("MainWindow");
    unattended_ = command_line_switches(env_.args).unattended();
    if (unattended_ && !env_.askDatabase) env_.askDatabase = [](const std::string&) { return std::string(); };
    if (!env_.message)
        env_.message = [this](const std::string& caption, const std::string& text) {
            message(QString::fromStdString(caption), QString::fromStdString(text));
        };
    if (!env_.askDatabase)
        env_.askDatabase = [this](const std::string& title) {
            return choose_open_file(this, QString::fromStdString(title), QString::fromStdString(env_.cwd),
                                    database_file_filter())
                .toStdString();
        };
    if (!env_.createDemo)
        env_.createDemo = [this](const std::string& path) {
            try {
                workbench::create_demo_file(path);
            } catch (const std::exception& e) {
                message(tr("demo database"), QString::fromStdString(e.what()));
            }
        };
    session_.setSettings(&settings_);
    buildLayout();
    const auto result = read_startup(state_, settings_, env_);
    restricted_ = result.restricted;
    history_ = DbHistory(state_.rux_ppath);
    history_.load();
    if (state_.db_f_name != "?") history_.add(state_.db_f_name);
    refreshHistoryList();

    settingsDialog_ = new SettingsDialog(settings_, state_, session_, this);
    updateCheck_ = new UpdateCheckDialog(this);
    createParameterWindows();
    applyLanguage();
    setRestricted(restricted_);
    panel2_->setText(tr("Version: %1").arg(QString::fromStdString(state_.currentversion)));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLayout()
{
    setWindowTitle(tr("Veltrano"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    title_ = new QLabel(central);
    title_->setObjectName("title");
    layout->addWidget(title_);

    auto* commands = new QGroupBox(central);
    auto* grid = new QVBoxLayout(commands);
    for (const auto& c : kCaptions) {
        auto* b = new QPushButton(commands);
        b->setObjectName(c.name);
        b->setMinimumHeight(30);
        buttons_[c.command] = b;
        if (c.command == Command::ChangeDatabase) continue;  // placed beside the history list
        grid->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, cmd = c.command] { openCommand(cmd); });
    }
    layout->addWidget(commands);

    auto* dbBox = new QGroupBox(central);
    auto* dbLayout = new QVBoxLayout(dbBox);
    historyList_ = new QComboBox(dbBox);
    historyList_->setObjectName("history");
    historyList_->setMinimumWidth(360);
    dbLayout->addWidget(buttons_[Command::ChangeDatabase]);
    dbLayout->addWidget(historyList_);
    connect(buttons_[Command::ChangeDatabase], &QPushButton::clicked, this, &MainWindow::changeDatabase);
    connect(historyList_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        switchDatabase(historyList_->itemText(index));
    });
    layout->addWidget(dbBox);
    layout->addStretch();
    setCentralWidget(central);

    panel1_ = new QLabel(tr("RUX 2019"), this);
    panel1_->setObjectName("panel1");
    panel2_ = new QLabel(this);
    panel2_->setObjectName("panel2");
    statusBar()->addWidget(panel1_, 1);
    statusBar()->addWidget(panel2_, 1);
    for (QObject* o : {static_cast<QObject*>(statusBar()), static_cast<QObject*>(panel1_), static_cast<QObject*>(panel2_)})
        o->installEventFilter(this);
    resize(460, 440);
}

void MainWindow::applyLanguage()
{
    // The window is built before the settings name the language; its texts are set here.
    title_->setText(tr("<b>Veltrano</b><br>") + tr("soil organic matter balance of arable land"));
    for (const auto& c : kCaptions) buttons_[c.command]->setText(tr(c.caption));
    updateCommandVisibility();
}

void MainWindow::updateCommandVisibility()
{
    const bool german = state_.german();
    for (const auto& c : kCaptions) {
        bool shown = true;
        switch (c.command) {
        case Command::Manual:
        case Command::ChangeDatabase:
        case Command::End: break;
        case Command::Settings: shown = !german; break;
        case Command::PlotSelection: shown = actions_.count(c.command) > 0; break;
        default: shown = !german && actions_.count(c.command) > 0; break;
        }
        buttons_[c.command]->setVisible(shown);
    }
}

void MainWindow::setRestricted(bool restricted)
{
    restricted_ = restricted;
    updateCommandAvailability();
}

void MainWindow::updateCommandAvailability()
{
    const bool running = runActive();
    for (auto c : kEditingCommands) buttons_[c]->setEnabled(!running);
    for (auto c : {Command::Settings, Command::Parameters, Command::DataTransfer})
        if (restricted_) buttons_[c]->setEnabled(false);
    historyList_->setEnabled(!running);
}

void MainWindow::onRunActiveChanged(bool active)
{
    updateCommandAvailability();
    emit runActiveChanged(active);
}

QPushButton* MainWindow::button(Command c) const { return buttons_.at(c); }

QString MainWindow::statusText(int panel) const { return panel == 1 ? panel1_->text() : panel2_->text(); }

void MainWindow::setCommandAction(Command c, std::function<void()> action)
{
    actions_[c] = std::move(action);
    updateCommandVisibility();
}

void MainWindow::openCommand(Command c)
{
    switch (c) {
    case Command::Settings:
        if (state_.korvanic()) {
            buttons_[c]->setEnabled(false);
            return;
        }
        settingsDialog_->exec();
        return;
    case Command::Manual: openManual(); return;
    case Command::End: endProgram(); return;
    default:
        // Commands the mode disables (Parameters and Data Transfer in KORVANIC) stay shut.
        if (!buttons_[c]->isEnabled()) return;
        if (auto it = actions_.find(c); it != actions_.end() && it->second) it->second();
        return;
    }
}

void MainWindow::openManual()
{
    if (!open_manual()) message(tr("online Manual"), tr("Document not loaded!"));
}

void MainWindow::showUpdateCheck()
{
    updateCheck_->setVersion(QString::fromStdString(state_.currentversion), QString::fromStdString(state_.lastversion));
    updateCheck_->show();
    updateCheck_->raise();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick
        && (watched == statusBar() || watched == panel1_ || watched == panel2_)) {
        showUpdateCheck();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::choosePdfLocation(const QString& item)
{
    const bool reader = item == "pdf_reader";
    if (!reader && item != "pdf_dir") return false;
    const auto value = reader ? choose_pdf_reader(this) : choose_pdf_folder(this);
    if (value.isEmpty()) return false;
    try {
        settings_.reload();
        settings_.setText(item.toStdString(), value.toStdString());
        settings_.save();
    } catch (const std::exception&) {
        return false;  // the settings stay as they were; the caller asks again next time
    }
    return true;
}

void MainWindow::message(const QString& caption, const QString& text)
{
    if (unattended_) std::cerr << caption.toStdString() << ": " << text.toStdString() << '\n';
    else show_message(this, caption, text);
}

} // namespace vt::gui
