#pragma once
#include <QWidget>

#include <array>

class QLabel;
class QProgressBar;
class QTableView;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class PlotListModel;

// The "histogram" page: seven bars for the classes of observed minus simulated values.
class HistogramPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClasses = 7;
    explicit HistogramPage(QWidget* parent = nullptr);
    void clear();
    void setCounts(const std::array<long long, kClasses>& counts);
    long long count(int i) const { return counts_[static_cast<std::size_t>(i)]; }
    // Takes a class line of the run's deviation summary (" CL3<-0.05=>12 / 30.0%").
    bool takeLogLine(const QString& line);

private:
    std::array<QProgressBar*, kClasses> bars_{};
    std::array<QLabel*, kClasses> labels_{};
    std::array<long long, kClasses> counts_{};
};

// The "database" page: the plots marked for the next run.
class PlotListPage : public QWidget {
    Q_OBJECT
public:
    explicit PlotListPage(QWidget* parent = nullptr);
    // Lists the plots whose site_state.status is 1; an error empties the list and is
    // returned.
    QString reload(db::Connection* c);
    int plotCount() const;
    void moveToFirst();
    PlotListModel* model() const { return model_; }

private:
    PlotListModel* model_;
    QTableView* table_;
};

} // namespace vt::gui
