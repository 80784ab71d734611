#pragma once
#include "eval/script_evaluation.h"

#include <QProcess>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace vt::config {
class RuxSettings;
}
namespace vt::db {
class Connection;
}

namespace vt::gui {

// The window "Datenanalyse mit R": the user picks an SQL script and an R script; "go"
// writes spez100.r (connected to the database through RSQLite) and spez100sql.txt and
// runs the special evaluation: per plot with results, the SQL script, then R in batch
// mode. R runs as a separate process; the window stays responsive meanwhile.
class RAnalysisWindow : public QWidget {
    Q_OBJECT
public:
    RAnalysisWindow(std::function<db::Connection*()> connection, config::RuxSettings& settings, QWidget* parent = nullptr);
    ~RAnalysisWindow() override;

    QLineEdit* sqlField() const { return sql_; }
    QLineEdit* rField() const { return r_; }
    QLineEdit* folderField() const { return folder_; }
    QListWidget* contentList() const { return content_; }
    QLabel* hint() const { return hint_; }
    QString statusText() const;
    bool running() const { return running_; }

    // A double click on a file field: its lines in the list.
    void showContent(QLineEdit* field);
    void pickSql();
    void pickR();
    // "go": false when the files could not be written (the message was shown).
    bool go();

signals:
    // The evaluation has ended: the plots evaluated.
    void evaluationFinished(int plots);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void nextPlot();
    void finish(const QString& status);

    std::function<db::Connection*()> connection_;
    config::RuxSettings& settings_;
    QLineEdit* sql_ = nullptr;
    QLineEdit* r_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QListWidget* content_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* go_ = nullptr;
    QProcess* process_ = nullptr;
    eval::ScriptEvaluationSettings evaluation_;
    std::vector<long long> plots_;
    std::size_t next_ = 0;
    int done_ = 0;
    bool running_ = false;
};

} // namespace vt::gui
