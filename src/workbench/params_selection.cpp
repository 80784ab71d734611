#include "workbench/params_selection.h"

#include "db/connection.h"
#include "db/schema.h"

namespace vt::workbench {

const char* selection_table(SelectionList list)
{
    switch (list) {
    case SelectionList::Crops: return "gldsel_crop";
    case SelectionList::Amendments: return "gldsel_ops";
    case SelectionList::Fertilizers: return "gldsel_frt";
    }
    return "";
}

void toggle_selection(db::Connection& c, SelectionList list, long long rowId)
{
    c.execute(std::string("update ") + selection_table(list)
                  + " set [select]=case when [select]<>0 then 0 else -1 end where _rowid_=?",
              {db::Value(rowId)});
}

void select_none(db::Connection& c, SelectionList list)
{
    c.execute(std::string("update ") + selection_table(list) + " set [select]=0");
}

void invert_selection(db::Connection& c, SelectionList list)
{
    c.execute(std::string("update ") + selection_table(list) + " set [select]=case when [select]<>0 then 0 else -1 end "
                                                               "where [select] is not null");
}

void select_all(db::Connection& c, SelectionList list)
{
    if (list == SelectionList::Amendments) {
        c.execute("update gldsel_ops set [select]=-1");
        return;
    }
    db::Transaction t(c);
    if (list == SelectionList::Crops) {
        c.executeIgnoringErrors("drop table gldsel_crop");
        c.execute(db::ddl::kGldselCrop);
        c.execute("insert into gldsel_crop ([select], ITEM_IX, Name, OEKO_code) "
                  "select -1, ITEM_IX, NAME, OEKO_code from gldpflan order by ITEM_IX");
    } else {
        c.executeIgnoringErrors("drop table gldsel_frt");
        c.execute(db::ddl::kGldselFrt);
        c.execute("insert into gldsel_frt ([select], ITEM_IX, Name) select -1, item_ix, name from gldmindg order by item_ix");
    }
    t.commit();
}

} // namespace vt::workbench
