#include "gui/tools/reference_list_window.h"

#include "config/rux_settings.h"
#include "db/connection.h"
#include "gui/tools/tool_grid_model.h"
#include "gui/tools/tool_dialogs.h"
#include "gui/widgets/dialog_hooks.h"
#include "workbench/reference_list.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include "config/settings_keys.h"

namespace vt::gui {

KeywordRelationWindow::KeywordRelationWindow(std::function<db::Connection*()> connection, QWidget* parent)
    : QDialog(parent), connection_(std::move(connection))
{
    setObjectName("KeywordRelationWindow");
    setWindowTitle(tr(" relations of  this reference"));
    auto* layout = new QVBoxLayout(this);
    lines_ = new QListWidget(this);
    lines_->setObjectName("keyword_lines");
    layout->addWidget(lines_);
    keywords_ = new QComboBox(this);
    keywords_->setObjectName("keywords");
    layout->addWidget(keywords_);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(tr("add this keyword"), this);
    add->setObjectName("add_keyword");
    connect(add, &QPushButton::clicked, this, &KeywordRelationWindow::addKeyword);
    auto* del = new QPushButton(tr("delete this keyword"), this);
    del->setObjectName("delete_keyword");
    connect(del, &QPushButton::clicked, this, &KeywordRelationWindow::deleteKeyword);
    auto* ret = new QPushButton(tr("return"), this);
    ret->setObjectName("return");
    connect(ret, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(add);
    buttons->addWidget(del);
    buttons->addWidget(ret);
    layout->addLayout(buttons);
    resize(460, 300);
}

void KeywordRelationWindow::showFor(long long plot, long long litId)
{
    plot_ = plot;
    litId_ = litId;
    keywords_->clear();
    if (db::Connection* c = connection_()) {
        try {
            for (const auto& k : workbench::reference_keywords(*c))
                keywords_->addItem(QString::fromStdString(k.name), QVariant::fromValue(k.id));
        } catch (const std::exception& e) {
            show_message(this, windowTitle(), QString::fromStdString(e.what()));
        }
    }
    refresh();
    show();
    raise();
}

void KeywordRelationWindow::refresh()
{
    lines_->clear();
    db::Connection* c = connection_();
    if (!c) return;
    try {
        for (const auto& l : workbench::reference_keyword_lines(*c, plot_, litId_)) lines_->addItem(QString::fromStdString(l));
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
    }
}

void KeywordRelationWindow::changeKeyword(void (*change)(db::Connection&, long long, long long, long long))
{
    db::Connection* c = connection_();
    if (!c || keywords_->currentIndex() < 0) return;
    try {
        change(*c, plot_, litId_, keywords_->currentData().toLongLong());
    } catch (const std::exception& e) {
        show_message(this, windowTitle(), QString::fromStdString(e.what()));
    }
    refresh();
}

void KeywordRelationWindow::addKeyword() { changeKeyword(&workbench::add_reference_keyword); }

void KeywordRelationWindow::deleteKeyword() { changeKeyword(&workbench::delete_reference_keyword); }

ReferenceListWindow::ReferenceListWindow(std::function<db::Connection*()> connection, config::RuxSettings& settings,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window), connection_(std::move(connection)), settings_(settings)
{
    setObjectName("ReferenceListWindow");
    setWindowTitle(tr("reference list"));
    buildLayout();
    keywordWindow_ = new KeywordRelationWindow(connection_, this);
}

void ReferenceListWindow::buildLayout()
{
    auto* layout = new QGridLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName("title");
    QFont f = title_->font();
    f.setBold(true);
    title_->setFont(f);
    layout->addWidget(title_, 0, 0, 1, 2);

    auto* sel = new QHBoxLayout;
    sel->addWidget(new QLabel(tr("keyword selection:"), this));
    keywordSelection_ = new QComboBox(this);
    keywordSelection_->setObjectName("keyword_selection");
    for (const auto& k : workbench::kReferenceKeywordSelection) keywordSelection_->addItem(QString::fromStdString(k));
    connect(keywordSelection_, qOverload<int>(&QComboBox::activated), this, &ReferenceListWindow::applyKeywordSelection);
    sel->addWidget(keywordSelection_);
    sel->addStretch();
    layout->addLayout(sel, 1, 0, 1, 2);

    grid_ = new ToolGridModel(this);
    view_ = new QTableView(this);
    view_->setObjectName("references");
    view_->setModel(grid_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->horizontalHeader()->setStretchLastSection(true);
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { showDetails(); });
    layout->addWidget(view_, 2, 0);

    pages_ = new QTabWidget(this);
    compact_ = new QListWidget(pages_);
    compact_->setObjectName("compact");
    pages_->addTab(compact_, tr("compact"));
    detail_ = new QLabel(pages_);
    detail_->setObjectName("detail");
    detail_->setWordWrap(true);
    detail_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    pages_->addTab(detail_, tr("detail"));
    layout->addWidget(pages_, 2, 1);

    auto* buttons = new QGridLayout;
    auto add = [&](const char* name, const QString& text, void (ReferenceListWindow::*slot)(), int r, int col) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b, r, col);
    };
    add("show_pdf", tr("show pdf-file"), &ReferenceListWindow::showPdf, 0, 0);
    add("add_reference", tr("add  new  reference"), &ReferenceListWindow::addNewReference, 0, 1);
    litId_ = new QLineEdit("a lit_id", this);
    litId_->setObjectName("lit_id");
    buttons->addWidget(litId_, 0, 2);
    add("delete_relation", tr("delete this relation"), &ReferenceListWindow::deleteRelation, 1, 0);
    add("edit_keywords", tr("edit keyword relation"), &ReferenceListWindow::editKeywordRelation, 1, 1);
    auto* close = new QPushButton(tr("close"), this);
    close->setObjectName("close");
    connect(close, &QPushButton::clicked, this, [this] {
        keywordWindow_->hide();
        this->close();
    });
    buttons->addWidget(close, 1, 2);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    resize(820, 460);
}

QString ReferenceListWindow::titleText() const { return title_->text(); }

void ReferenceListWindow::showPlot(long long plot)
{
    plot_ = plot;
    filter_ = -1;
    keywordSelection_->setCurrentIndex(0);
    if (db::Connection* c = connection_()) {
        try {
            title_->setText(QString::fromStdString(workbench::reference_plot_title(*c, plot)));
        } catch (const std::exception& e) {
            title_->setText(QString::fromStdString(e.what()));
        }
    }
    reload();
    show();
    raise();
}

void ReferenceListWindow::reload()
{
    db::Connection* c = connection_();
    eval::Table t;
    if (c) {
        try {
            t = workbench::plot_references(*c, plot_, filter_ < 0 ? std::nullopt : std::optional<long long>(filter_));
        } catch (const std::exception& e) {
            show_message(this, tr("reference list"), QString::fromStdString(e.what()));
        }
    }
    grid_->setTable(std::move(t), {"lit_id", "jahr", "autor"});
    if (grid_->rowCount() > 0) selectRow(0);
    else showDetails();
}

void ReferenceListWindow::selectRow(int row)
{
    view_->selectionModel()->setCurrentIndex(grid_->index(row, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    showDetails();
}

long long ReferenceListWindow::currentLitId() const
{
    const int row = view_->currentIndex().row();
    const auto& t = grid_->table();
    if (row < 0 || row >= static_cast<int>(t.rows.size())) return -1;
    return eval::cell(t.rows[static_cast<std::size_t>(row)], t.column("lit_id")).toInt();
}

void ReferenceListWindow::showDetails()
{
    compact_->clear();
    detail_->clear();
    const int row = view_->currentIndex().row();
    const auto& t = grid_->table();
    if (row < 0 || row >= static_cast<int>(t.rows.size())) return;
    for (const auto& l : workbench::reference_compact_lines(t, static_cast<std::size_t>(row)))
        compact_->addItem(QString::fromStdString(l));
    const auto& r = t.rows[static_cast<std::size_t>(row)];
    auto v = [&](const char* col) {
        const int i = t.column(col);
        return i < 0 ? QString() : QString::fromStdString(eval::cell(r, i).toString()).toHtmlEscaped();
    };
    detail_->setText("<b>" + v("Titel") + "</b><br><br>journal/book: " + v("produkt") + "<br>pp: " + v("seite") +
                     "<br>type: " + v("quelle"));
}

void ReferenceListWindow::applyKeywordSelection(int entry)
{
    filter_ = entry;
    reload();
}

void ReferenceListWindow::showPdf()
{
    const long long lit = currentLitId();
    if (lit < 0) return;
    settings_.reload();
    std::string dir = settings_.textOr(config::key::pdf_dir, "");
    if (dir.empty() || dir == "?") {
        const QString chosen = choose_pdf_folder(this);
        if (chosen.isEmpty()) return;
        dir = chosen.toStdString();
        try {
            settings_.setText(config::key::pdf_dir, dir);
            settings_.save();
        } catch (const std::exception&) {
            // The folder is used this time; it is asked for again next time.
        }
    }
    const QString file = QString::fromStdString(workbench::reference_pdf_path(dir, lit));
    if (!QFileInfo::exists(file)) {
        show_message(this, tr("show pdf-file"), tr("There is no PDF document ") + file + ".");
        return;
    }
    if (!open_document(file)) show_message(this, tr("show pdf-file"), tr("No program opens ") + file + ".");
}

void ReferenceListWindow::addNewReference()
{
    db::Connection* c = connection_();
    if (!c) return;
    try {
        switch (workbench::add_reference(*c, plot_, litId_->text().toStdString())) {
        case workbench::AddReference::NotFound: litId_->setText(tr("not found!")); return;
        case workbench::AddReference::NotANumber:
            show_message(this, tr("add  new  reference"), "\"" + litId_->text() + "\" is not a reference number.");
            return;
        case workbench::AddReference::Added:
        case workbench::AddReference::AlreadyLinked: break;
        }
    } catch (const std::exception& e) {
        show_message(this, tr("reference list"), QString::fromStdString(e.what()));
        return;
    }
    reload();
}

void ReferenceListWindow::deleteRelation()
{
    db::Connection* c = connection_();
    const long long lit = currentLitId();
    if (!c || lit < 0) return;
    const auto& t = grid_->table();
    const auto& r = t.rows[static_cast<std::size_t>(view_->currentIndex().row())];
    try {
        workbench::delete_reference_relation(*c, plot_, lit, eval::cell(r, t.column("versuch_code")).toString());
    } catch (const std::exception& e) {
        show_message(this, tr("reference list"), QString::fromStdString(e.what()));
    }
    reload();
}

void ReferenceListWindow::editKeywordRelation()
{
    const long long lit = currentLitId();
    if (lit < 0) return;
    keywordWindow_->showFor(plot_, lit);
}

} // namespace vt::gui
