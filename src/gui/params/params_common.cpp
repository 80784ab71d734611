#include "gui/params/params_common.h"

#include "gui/app/main_window.h"
#include "gui/widgets/dialog_hooks.h"


namespace vt::gui {

ParamsAccess params_access(MainWindow& main, QWidget* messageParent)
{
    ParamsAccess a;
    a.connection = [&main] { return main.session().connection(); };
    a.mayWrite = [&main, messageParent] {
        if (!main.runActive()) return true;
        show_message(messageParent, "RUX-Parameter", "A model run is using the database. Change the parameters when it has ended.");
        return false;
    };
    a.german = main.state().german();
    return a;
}

} // namespace vt::gui
