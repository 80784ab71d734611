-- Demo database: soils of the three experiment sites.
--
-- A property with a companion column X_org is either given (X_org = -1: measured or
-- entered, never overwritten by a run) or missing (-99 with X_org = 0): a run then
-- estimates it from texture, organic carbon and bulk density and writes the estimate
-- back into its working copy. Each soil below has some given and some missing values.
-- Contents in % of the fine soil, water contents in % by volume, densities in g/cm3.
-- skelett (stones) is 0 on all three sites. fchw (divisor of hot-water extractable
-- carbon) 15 and fbio (microbial share of the active organic matter) 0.07 are chosen.
-- cif, max_lts, deg and lmbd are left to the run's estimate on every soil.

INSERT INTO soilproperties (soil_ID, profile, soilclass, BA_RBS, BA_RBS_CODE, BA_KA4, BA_LfL,
    clay, silt, silt_org, sand, sand_org, FAT, FAT_org,
    PWP, PWP_org, FC, FC_org, PV, PV_org, PD, PD_org, BD, BD_org,
    skelett, cif, cif_org, fchw, fbio, max_lts, max_lts_org, deg, deg_org, lmbd, lmbd_org) VALUES
  -- Haplic Chernozem on loess. Published: clay 20.4-23.2 % (mean 21.8 used), silt about
  -- 71-74 % (72.5 used); sand is the remainder. Chosen: fine fraction < 6.3 um 30 %,
  -- bulk density 1.35. Water contents, porosity and particle density are estimated.
  (1, 'Haplic Chernozem on loess (Bad Lauchstädt)', 3, 'L', NULL, 'Ut4', NULL,
    21.8, 72.5, -1, 5.7, -1, 30.0, -1,
    -99, 0, -99, 0, -99, 0, -99, 0, 1.35, -1,
    0, -99, 0, 15, 0.07, -99, 0, -99, 0, -99, 0),
  -- Silty clay loam over clay-with-flints (Chromic Luvisol). Chosen: clay 25 %, silt 55 %,
  -- bulk density 1.25, the value used to turn the published carbon stocks into contents.
  -- The fine fraction and all water values are estimated.
  (2, 'Chromic Luvisol, silty clay loam (Rothamsted Hoosfield)', 4, 'L', NULL, 'Lu', NULL,
    25.0, 55.0, -1, 20.0, -1, -99, 0,
    -99, 0, -99, 0, -99, 0, -99, 0, 1.25, -1,
    0, -99, 0, 15, 0.07, -99, 0, -99, 0, -99, 0),
  -- Sandy Cambisol on glacial sand. Chosen: clay 4.5 %, fine fraction 7 %, bulk density
  -- 1.52, field capacity 18 and wilting point 5 % by volume. Silt is estimated from clay
  -- and the fine fraction, sand as the remainder; porosity and particle density likewise.
  (3, 'Cambisol on glacial sand (Sandhof)', 1, 'S', NULL, 'Su2', NULL,
    4.5, -99, 0, -99, 0, 7.0, -1,
    5.0, -1, 18.0, -1, -99, 0, -99, 0, 1.52, -1,
    0, -99, 0, 15, 0.07, -99, 0, -99, 0, -99, 0);
