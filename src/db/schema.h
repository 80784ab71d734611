#pragma once

namespace vt::db {

class Connection;

// Creates, in an empty database, every persistent table of an experiment database with
// its columns, keys and indexes, and the rows the program relies on: the standard model
// parameter set "NORM", the BAT regression coefficients, the reproduction index classes,
// the method "RUX", the names of the observed properties and of the management actions,
// and the neutral sensitivity factors. All or nothing: a failure leaves the database as
// it was. Throws DbError with the engine's message.
void create_schema(Connection& c);

// Statements that both the new database and the adaptation of an older one use, so that
// a table has the same layout whichever of the two made it.
namespace ddl {

inline constexpr const char* kSimResult =
    "create table sim_result ( fl_id int, m_ix int, year_num int, year_ int, sim_value float   )";
inline constexpr const char* kTmpNdeposit = "create table tmp_ndeposit ( climate_id int,  [year] int, N_dep_y float   )";
inline constexpr const char* kRpxClass =
    "create table rpx_class ( class_id int, class char(1), name char(15),  rpx_l float, rpx_h float   )";
// Class E starts at 58, not 55; the classification reads only the upper bounds.
inline constexpr const char* kRpxClassRows =
    "insert into rpx_class (class_id, class, name, rpx_l, rpx_h) values "
    "(1, 'A', 'very low', 0, 5), (2, 'B', 'low', 5, 17), (3, 'C', 'normal', 17, 35), "
    "(4, 'D', 'high', 35, 55), (5, 'E', 'very high', 58, 99999)";
inline constexpr const char* kRegNdeposit = "create table reg_ndeposit ( climate_id int,  [year] int, N_dep_y float   )";
inline constexpr const char* kTmpOutlist = "create table tmp_outlist ( fl_id int, m_ix int, meas_id int   )";
inline constexpr const char* kVtnSetting = "create table vtn_setting (model char(12))";
inline constexpr const char* kVtnSettingRow = "insert into vtn_setting (model) select 'RUX'";
inline constexpr const char* kSomState =
    "create table som_state ( fl_id integer, yr integer, c_am float, c_sm float, c_lts float, cnr_am float, "
    "cnr_sm float, cnr_lts float ) ";
inline constexpr const char* kFomState =
    "create table fom_state ( fl_id integer, yr integer, nr integer, fom_ix integer, fom_c float, fom_crflx float, "
    "fom_cnr float, fom_k float, fom_eta float ) ";
// The yearly balance: rows are appended by position, so the column order is fixed.
inline constexpr const char* kRuxNresult =
    "create table rux_nresult (fl_id int, [year] int, year_num int, n_m_om double, n_ops double, c_ops double, "
    "c_som double, c_org double, c_lts double, n_som double, n_org double, c_mic double, c_rep double, bat double, "
    "n_flush double, n_m_fom double, bd double, pwp double, a_age double, s_age double, l_age double, "
    "c_m_tot double, c_m_fom double, sc_id int, pset int, haeq double, n_free_fom double, c_imp_fom double, "
    "n_imp_fom double)";
inline constexpr const char* kRuxZbv =
    " create table rux_zbv (fl_id int, year_ int,c_min_total double,c_min_fom double,c_rep_flx double,c_fom double,"
    "c_fom_in double,c_som double,c_lts double,c_hws double, mkd_a double, mkd_s double,int_A_mic double,"
    "int_A_mes double,int_A_ttl double) ";
// The browser's preselection lists; [select] is a YESNO column.
inline constexpr const char* kGldselCrop =
    "create table gldsel_crop ([select] YESNO DEFAULT 0, ITEM_IX int, Name text, OEKO_code int)";
inline constexpr const char* kGldselOps = "create table gldsel_ops ([select] YESNO DEFAULT 0, ITEM_IX int, Name text)";
inline constexpr const char* kGldselFrt = "create table gldsel_frt ([select] YESNO DEFAULT 0, ITEM_IX int, Name text)";

} // namespace ddl

} // namespace vt::db
