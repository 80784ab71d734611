#pragma once
#include <string>
#include <vector>

namespace vt::engine {

struct PrepContext;

// The coefficient columns that the end of a humus balance method string selects, as the
// update statements that copy them into huba_crop.huba and huba_oram.huba: a last
// character "1", "2" or "3" takes HÄQ for amendments; "_1", "_2", "_3" take LUFA1..3
// for crops; "HE" takes HE_crop and HE_od; "NULL" takes LUFA1 for crops; any other
// ending changes nothing.
std::vector<std::string> humus_coefficient_updates(const std::string& methode);

// The humus balance tables of all plots: hubi_c_from_crop_ (FL_ID, year, source, crop_IX,
// NAME, Macode, Quantity, huba), HUBI_C_from_oram_ (FL_ID, year, source, item_ix, NAME,
// Macode, Quantity, ros_oram), their sums hubi_c_from_crop (FL_ID, year, huba) and
// HUBI_C_from_oram (FL_ID, year, ros_oram), and the rows of the persistent hubi_c_bilanz
// (FL_ID, year_, Corg, hb_crop, HB_ORAM).
void build_humus_balance(const PrepContext& p, const std::string& methode);

} // namespace vt::engine
