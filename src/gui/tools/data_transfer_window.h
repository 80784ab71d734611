#pragma once
#include "workbench/transfer_plots.h"

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QEventLoop;
class QLabel;
class QListView;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QStandardItemModel;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class ToolGridModel;

// The window "data transfer": copies the ticked plots of the open database, with their
// experiment, references, observations, management, soil and station, into another
// database file (after writing its backup), with the key check of the crop and amendment
// parameter records the plots use.
class DataTransferWindow : public QWidget {
    Q_OBJECT
public:
    explicit DataTransferWindow(std::function<db::Connection*()> connection, QWidget* parent = nullptr);
    ~DataTransferWindow() override;

    // While it says yes (a run uses the database) nothing is copied.
    void setBusyCheck(std::function<bool()> busy) { busy_ = std::move(busy); }

    QStandardItemModel* sourceList() const { return source_; }
    ToolGridModel* destinationGrid() const { return destination_; }
    QListWidget* messageList() const { return messages_; }
    QCheckBox* noWaitOnKeyCheck() const { return noWait_; }
    QString destinationPath() const;

    // Refills the source list from the open database.
    void refresh();
    void tickAll(Qt::CheckState state);
    void invertTicks();
    void tickPlot(long long plot, bool on = true);
    // "select &destination": asks for the file; false when cancelled or it failed.
    bool selectDestination();
    // "copy": the copied plots; a failure is shown to the user.
    int copy();
    // "go on" during a key check.
    void goOn();
    // A double click on a line of the message list: a missing record's id offers to copy it.
    void messageDoubleClicked(QListWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildLayout();
    void refreshDestination();
    bool waitForKeyCheck(long long plot, const workbench::KeyCheckLists& lists);

    std::function<db::Connection*()> connection_;
    std::function<bool()> busy_;
    db::Connection* transferConnection_ = nullptr;
    std::unique_ptr<workbench::DataTransfer> transfer_;
    QStandardItemModel* source_ = nullptr;
    ToolGridModel* destination_ = nullptr;
    QListWidget* messages_ = nullptr;
    QCheckBox* noWait_ = nullptr;
    QLabel* destinationLabel_ = nullptr;
    QPushButton* goOn_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QEventLoop* waiting_ = nullptr;
    bool missingSection_ = false;
};

} // namespace vt::gui
