#pragma once
#include <QString>

#include <functional>

class QWidget;

namespace vt::db {
class Connection;
}

namespace vt::gui {

class MainWindow;

// What the pages of the parameter window share: the open database, and the refusal of
// every change while a model run holds it.
struct ParamsAccess {
    std::function<db::Connection*()> connection;
    std::function<bool()> mayWrite;
};

ParamsAccess params_access(MainWindow& main, QWidget* messageParent);


} // namespace vt::gui
