#include "gui/params/params_common.h"

#include <QCoreApplication>
#include "gui/app/main_window.h"
#include "gui/widgets/dialog_hooks.h"


namespace vt::gui {

ParamsAccess params_access(MainWindow& main, QWidget* messageParent)
{
    ParamsAccess a;
    a.connection = [&main] { return main.session().connection(); };
    a.mayWrite = [&main, messageParent] {
        if (!main.runActive()) return true;
        show_message(messageParent, QCoreApplication::translate("ParamsAccess", "RUX-Parameter"), QCoreApplication::translate("ParamsAccess", "A model run is using the database. Change the parameters when it has ended."));
        return false;
    };
    return a;
}

} // namespace vt::gui
