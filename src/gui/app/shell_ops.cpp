#include "gui/app/shell_ops.h"

#include "db/connection.h"
#include "db/demo_database.h"
#include "gui/app/app_state.h"

#include <filesystem>

namespace vt::gui {

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
    // Each step stands alone: a database without one of the tables still gets the rest.
    c.executeIgnoringErrors("insert into gldsel_ops (item_ix, NAME, [select]) select item_ix, NAME, -1 from gldopspa "
                            "where item_ix not in (select item_ix from gldsel_ops)");
    c.executeIgnoringErrors("insert into gldsel_crop (item_ix, NAME, [select]) select item_ix, NAME, -1 from gldpflan "
                            "where item_ix not in (select item_ix from gldsel_crop)");
    c.executeIgnoringErrors("update gldsel_crop set item_ix=-1 where item_ix not in (select item_ix from gldpflan)");
    c.executeIgnoringErrors("delete from gldsel_crop where item_ix=-1");
    c.executeIgnoringErrors("update gldsel_ops set item_ix=-1 where item_ix not in (select item_ix from gldopspa)");
    c.executeIgnoringErrors("delete from gldsel_ops where item_ix=-1");

    const std::string suffix = to_upper(language) == "D" ? "_de" : "_en";
    c.executeIgnoringErrors("update gldpflan set name=name" + suffix);
    c.executeIgnoringErrors("update gldopspa set name=name" + suffix);
    c.executeIgnoringErrors("update gldaktion set [action]=action" + suffix);
    c.executeIgnoringErrors("update gldaktion set def_intensity=def_intensity" + suffix);
}

std::string stored_method(db::Connection& c)
{
    if (!c.tableExists("vtn_setting")) return {};
    const auto v = c.scalar("select model from vtn_setting limit 1");
    return v.isNull() ? std::string() : trimmed(v.toString());
}

void store_method(db::Connection& c, const std::string& method)
{
    if (!c.tableExists("vtn_setting")) c.execute(" create table vtn_setting (model char (12))");
    const auto m = trimmed(method);
    if (c.scalar("select count(*) from vtn_setting").toInt() == 0)
        c.execute("insert into vtn_setting (model) values (?)", {db::Value(m)});
    else
        c.execute("update vtn_setting set model=? where rowid=(select min(rowid) from vtn_setting)", {db::Value(m)});
}

void delete_results(db::Connection& c)
{
    for (const char* t : {"rs_table", "rux_nresult"})
        if (c.tableExists(t)) c.execute(std::string(" delete from ") + t);
    c.executeIgnoringErrors(" delete from rux_zbv ");
}

} // namespace vt::gui

namespace vt::gui {

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

} // namespace vt::gui
