#include "engine/balance/state_store.h"

#include "db/connection.h"
#include "base/number_format.h"
#include "engine/balance/balance_input.h"
#include "engine/balance/row_capture.h"
#include "engine/soil/soil_physics.h"

#include <cstdlib>

namespace vt::engine {

double state_number(long double v)
{
    const std::string text = base::format_significant(static_cast<double>(v), 15);
    return std::strtod(text.c_str(), nullptr);
}

StateStore::StateStore(db::Connection& c)
    : c_(c),
      deleteSom_(c.prepare(" DELETE FROM som_state where fl_id= ? and yr= ?")),
      deleteFom_(c.prepare(" DELETE FROM fom_state where fl_id= ? and yr= ?")),
      insertSom_(c.prepare("insert into som_state (fl_id,yr,c_am,c_sm,c_lts,cnr_am,cnr_sm,cnr_lts) "
                           "values (?, ?, ?, ?, ?, ?, ?, ?)")),
      insertFom_(c.prepare(" insert into fom_state (fl_id,yr,nr,fom_c,fom_crflx,fom_cnr,fom_k,fom_eta,fom_ix ) "
                           "values (?, ?, ?, ?, ?, ?, ?, ?, ?)")),
      selectSom_(c.prepare(" select * from som_state where yr= ? and fl_id= ?")),
      selectFom_(c.prepare(" select * from fom_state where yr= ? and fl_id= ? order by nr"))
{
}

void StateStore::store(long long fl_id, long long yr, const OmState& s)
{
    deleteSom_.bind(1, fl_id).bind(2, yr).execute();
    deleteFom_.bind(1, fl_id).bind(2, yr).execute();
    try {
        insertSom_.bind(1, fl_id).bind(2, yr);
        const double values[] = {s.c_am, s.c_sm, s.c_lts, s.cnr_am, s.cnr_sm, s.cnr_lts};
        for (int i = 0; i < 6; ++i) insertSom_.bind(3 + i, state_number(values[i]));
        insertSom_.execute();
    } catch (const db::DbError&) {
        insertSom_.reset();
    }
    long long nr = 0;
    for (const StoredPool& p : s.pools) {
        try {
            insertFom_.bind(1, fl_id).bind(2, yr).bind(3, ++nr);
            insertFom_.bind(4, state_number(p.cops)).bind(5, state_number(p.repflx)).bind(6, state_number(p.cnr));
            insertFom_.bind(7, state_number(p.k)).bind(8, state_number(p.eta)).bind(9, p.item_ix);
            insertFom_.execute();
        } catch (const db::DbError&) {
            insertFom_.reset();
        }
    }
}

namespace {
int column(const db::Statement& s, const char* name)
{
    const int i = statement_column(s, name);
    if (i < 0) throw db::DbError(std::string("Item cannot be found in the collection: field ") + name, 1, s.sql());
    return i;
}
} // namespace

std::optional<OmState> StateStore::load(long long yr, long long fl_id, const std::string& ic, std::string* problem)
{
    OmState state;
    if (ic != "obsval") {
        selectSom_.bind(1, yr).bind(2, fl_id);
        int rows = 0;
        while (selectSom_.step()) {
            if (++rows > 1) break;
            state.c_am = selectSom_.columnDouble(column(selectSom_, "c_am"));
            state.c_sm = selectSom_.columnDouble(column(selectSom_, "c_sm"));
            state.c_lts = selectSom_.columnDouble(column(selectSom_, "c_lts"));
            state.cnr_am = selectSom_.columnDouble(column(selectSom_, "cnr_am"));
            state.cnr_sm = selectSom_.columnDouble(column(selectSom_, "cnr_sm"));
            state.cnr_lts = selectSom_.columnDouble(column(selectSom_, "cnr_lts"));
        }
        selectSom_.reset();
        if (rows != 1) {
            if (problem) *problem = kNoInitialState;
            return std::nullopt;
        }
    }
    selectFom_.bind(1, yr).bind(2, fl_id);
    while (selectFom_.step()) {
        StoredPool p;
        p.cops = selectFom_.columnDouble(column(selectFom_, "fom_c"));
        p.repflx = selectFom_.columnDouble(column(selectFom_, "fom_crflx"));
        p.cnr = selectFom_.columnDouble(column(selectFom_, "fom_cnr"));
        p.k = selectFom_.columnDouble(column(selectFom_, "fom_k"));
        p.eta = selectFom_.columnDouble(column(selectFom_, "fom_eta"));
        p.item_ix = selectFom_.columnInt(column(selectFom_, "fom_ix"));
        state.pools.push_back(p);
    }
    selectFom_.reset();
    return state;
}

double state_total(const OmState& state) { return state.total(); }

double state_corg(const OmState& state, double clay) { return carbon_content_of_stock(state.total(), clay); }

} // namespace vt::engine
