#include "gui/simulator/simulator_pages.h"

#include "gui/simulator/plot_list_model.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTableView>
#include <QVBoxLayout>

namespace vt::gui {

namespace {

const char* const kClassNames[HistogramPage::kClasses] = {
    "<-0.5", "-0.5..-0.25", "-0.25..-0.05", "-0.05..0.05", "0.05..0.25", "0.25...0.5", ">+0.5"};

} // namespace

HistogramPage::HistogramPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(tr("experiment - modell:"), this), 0, 0, 1, kClasses);
    for (int i = 0; i < kClasses; ++i) {
        auto* bar = new QProgressBar(this);
        bar->setObjectName(QString("class_%1").arg(i));
        bar->setOrientation(Qt::Vertical);
        bar->setRange(0, 100);
        bar->setTextVisible(false);
        bar->setMinimumHeight(140);
        bars_[static_cast<std::size_t>(i)] = bar;
        layout->addWidget(bar, 1, i, Qt::AlignHCenter);
        auto* name = new QLabel(this);
        name->setAlignment(Qt::AlignHCenter);
        labels_[static_cast<std::size_t>(i)] = name;
        layout->addWidget(name, 2, i);
    }
    layout->setRowStretch(1, 1);
    clear();
}

void HistogramPage::clear() { setCounts({}); }

void HistogramPage::setCounts(const std::array<long long, kClasses>& counts)
{
    counts_ = counts;
    long long total = 0;
    for (auto c : counts) total += c;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        bars_[i]->setValue(total > 0 ? static_cast<int>(100 * counts[i] / total) : 0);
        labels_[i]->setText(QString("%1\n%2").arg(kClassNames[i]).arg(counts[i]));
    }
}

bool HistogramPage::takeLogLine(const QString& line)
{
    static const QRegularExpression re(R"(^\s*CL(\d)\s*[<>].*=>\s*(\d+))");
    const auto m = re.match(line);
    if (!m.hasMatch()) return false;
    const int i = m.captured(1).toInt() - 1;
    if (i < 0 || i >= kClasses) return false;
    auto counts = counts_;
    counts[static_cast<std::size_t>(i)] = m.captured(2).toLongLong();
    setCounts(counts);
    return true;
}

PlotListPage::PlotListPage(QWidget* parent) : QWidget(parent)
{
    model_ = new PlotListModel(this);
    table_ = new QTableView(this);
    table_->setObjectName("plots");
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
}

QString PlotListPage::reload(db::Connection* c)
{
    if (auto error = model_->reload(c); !error.isEmpty()) return error;
    table_->resizeColumnsToContents();
    moveToFirst();
    return {};
}

int PlotListPage::plotCount() const { return model_->rowCount(); }

void PlotListPage::moveToFirst()
{
    if (model_->rowCount() > 0) table_->selectRow(0);
}

} // namespace vt::gui
