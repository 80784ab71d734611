#pragma once
#include <QDialog>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTableView;
class QTabWidget;

namespace vt::config {
class RuxSettings;
}
namespace vt::db {
class Connection;
}

namespace vt::gui {

class ToolGridModel;

// The keyword relation window " relations of  this reference": the keywords of one
// reference for one plot, with a list of all keywords to add or delete.
class KeywordRelationWindow : public QDialog {
    Q_OBJECT
public:
    explicit KeywordRelationWindow(std::function<db::Connection*()> connection, QWidget* parent = nullptr);

    void showFor(long long plot, long long litId);
    QListWidget* lines() const { return lines_; }
    QComboBox* keywords() const { return keywords_; }
    void addKeyword();
    void deleteKeyword();

private:
    void refresh();
    void changeKeyword(void (*change)(db::Connection&, long long, long long, long long));

    std::function<db::Connection*()> connection_;
    long long plot_ = 0;
    long long litId_ = 0;
    QListWidget* lines_ = nullptr;
    QComboBox* keywords_ = nullptr;
};

// The window "reference list": the literature references filed for one plot, their
// details, the PDF document, and the links of references to the plot's experiment.
class ReferenceListWindow : public QWidget {
    Q_OBJECT
public:
    ReferenceListWindow(std::function<db::Connection*()> connection, config::RuxSettings& settings,
                        QWidget* parent = nullptr);

    // The browser's "show references": the list of `plot`, keyword selection "all" off.
    void showPlot(long long plot);
    long long plot() const { return plot_; }

    ToolGridModel* grid() const { return grid_; }
    QTableView* gridView() const { return view_; }
    QComboBox* keywordSelection() const { return keywordSelection_; }
    QListWidget* compactPage() const { return compact_; }
    QLineEdit* litIdField() const { return litId_; }
    KeywordRelationWindow* keywordWindow() const { return keywordWindow_; }
    QString titleText() const;

    void selectRow(int row);
    // The keyword selection: entry i filters to key_id = i; -1 shows every reference.
    void applyKeywordSelection(int entry);
    void showPdf();
    void addNewReference();
    void deleteRelation();
    void editKeywordRelation();

private:
    void buildLayout();
    void reload();
    void showDetails();
    long long currentLitId() const;

    std::function<db::Connection*()> connection_;
    config::RuxSettings& settings_;
    long long plot_ = 0;
    int filter_ = -1;
    QLabel* title_ = nullptr;
    QComboBox* keywordSelection_ = nullptr;
    ToolGridModel* grid_ = nullptr;
    QTableView* view_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QListWidget* compact_ = nullptr;
    QLabel* detail_ = nullptr;
    QLineEdit* litId_ = nullptr;
    KeywordRelationWindow* keywordWindow_ = nullptr;
};

} // namespace vt::gui
