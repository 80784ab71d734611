#pragma once
#include <QString>

class QAbstractItemModel;
class QPushButton;
class QTableView;
class QWidget;

namespace vt::gui {

// A grid of whole rows, one selected at a time, with its object name (for tests).
QTableView* grid_view(QAbstractItemModel* model, const char* name, QWidget* parent);
// A push button with its object name.
QPushButton* named_button(const QString& text, const char* name, QWidget* parent);

} // namespace vt::gui
