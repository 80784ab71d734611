#include "workbench/database_upkeep.h"

#include "base/text.h"
#include "config/rux_settings.h"
#include "workbench/command_data.h"
#include "db/connection.h"
#include "db/demo_database.h"

#include <filesystem>

namespace vt::workbench {

db::AdaptResult adapt_database(db::Connection& c, config::RuxSettings* settings)
{
    return db::adapt_datamodel(c, config::methode_store(settings));
}

void complete_site_state(db::Connection& c)
{
    if (!c.tableExists("site_state") || !c.tableExists("field_description")) return;
    c.execute(" INSERT INTO site_state ( FL_ID, status, res_VAL ) SELECT field_description.FL_ID, 0 AS status, 0 AS res_VAL "
              " FROM field_description LEFT JOIN site_state ON field_description.FL_ID = site_state.FL_ID "
              " WHERE site_state.FL_ID Is Null");
}

void sync_selection_lists(db::Connection& c, const std::string& language)
{
    if (!c.tableExists("gldpflan") || !c.columnExists("gldpflan", "NAME_en")) return;
    c.executeIgnoringErrors("insert into gldsel_ops (item_ix, NAME, [select]) select item_ix, NAME, -1 from gldopspa "
                            "where item_ix not in (select item_ix from gldsel_ops)");
    c.executeIgnoringErrors("insert into gldsel_crop (item_ix, NAME, [select]) select item_ix, NAME, -1 from gldpflan "
                            "where item_ix not in (select item_ix from gldsel_crop)");
    c.executeIgnoringErrors("update gldsel_crop set item_ix=-1 where item_ix not in (select item_ix from gldpflan)");
    c.executeIgnoringErrors("delete from gldsel_crop where item_ix=-1");
    c.executeIgnoringErrors("update gldsel_ops set item_ix=-1 where item_ix not in (select item_ix from gldopspa)");
    c.executeIgnoringErrors("delete from gldsel_ops where item_ix=-1");

    // The suffix is one of two fixed texts, never the user's.
    const std::string suffix = base::to_upper(language) == "D" ? "_de" : "_en";
    c.executeIgnoringErrors("update gldpflan set name=name" + suffix);
    c.executeIgnoringErrors("update gldopspa set name=name" + suffix);
    c.executeIgnoringErrors("update gldaktion set [action]=action" + suffix);
    c.executeIgnoringErrors("update gldaktion set def_intensity=def_intensity" + suffix);
}

void delete_results(db::Connection& c)
{
    db::Transaction t(c);
    if (c.tableExists("rs_table")) c.execute("DELETE FROM rs_table");
    if (c.tableExists("rux_nresult")) c.execute("DELETE FROM rux_nresult");
    c.executeIgnoringErrors("DELETE FROM rux_zbv");  // a database may lack it
    t.commit();
}

void create_demo_file(const std::string& path)
{
    namespace fs = std::filesystem;
    const std::string part = path + ".part";
    std::error_code ec;
    fs::remove(part, ec);
    try {
        {
            db::Connection c(part, db::Connection::Mode::ReadWriteCreate);
            db::create_demo_database(c);
        }
        fs::rename(part, path);
    } catch (...) {
        fs::remove(part, ec);
        throw;
    }
}

} // namespace vt::workbench
