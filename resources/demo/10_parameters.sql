-- Demo database: parameter tables of crops, organic substances and mineral
-- fertilisers, with their selection lists.
--
-- Units follow the carbon input formulas of the run:
--   cultivation.Quantity   dt/ha of main product (crops) or of fresh matter (amendments)
--   gldpflan.N_Gehalt      % N in the main product as harvested, so Quantity*N_Gehalt = kg N/ha
--   gldpflan.CEWR, FEWR    N in harvest residues and roots = CEWR + FEWR * (kg N in main product)
--   gldpflan.HI            dt by-product per dt main product (fresh matter as harvested)
--   gldopspa.TS_GEHALT     dry matter as a fraction of fresh matter
--   gldopspa.C_GEH_TS      carbon as a fraction of dry matter,
--                          so Quantity*100*TS_GEHALT*C_GEH_TS = kg C/ha
--   gldopspa.K             decomposition rate per BAT-day
--   gldopspa.ETA           share of the decomposed carbon built into soil organic matter
--   gldopspa.CNR           C/N ratio of the organically bound part of the substance
--   gldopspa.CNR_alt       C/N ratio of the whole substance (with its mineral N); the
--                          difference to CNR is released as mineral N when it is applied
--
-- The figures are plausible values for Central European arable farming chosen for this
-- demo from general agronomic knowledge (typical nutrient contents of harvested products,
-- straw to grain ratios, dry matter and carbon contents of manures), except three values
-- calibrated with `veltrano-cli calibrate` on the long-term plots 101, 104, 201 and 202
-- under the first-start settings, each within a published plausible range (README.md):
-- the model constants K_AOS and K_AKT of gldaparm (at the end of this file) and ETA of
-- farmyard manure (item 1).
-- Users replace them with their own.

-- NAME_en and NAME_de hold the English and German names; NAME starts in English.

-- Organic primary substances. Items 1-9: organic amendments (offered in the management
-- list, od = -1); 11-19: harvest residues and roots; 21-29: by-products left on the field.
-- mkd = 1 marks farmyard manure, whose carbon the run follows as marked carbon.
INSERT INTO gldopspa (item_ix, NAME, NAME_en, NAME_de, od, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd, ros_ix) VALUES
  -- 25 % dry matter, 36 % C in dry matter: 9 % C and 0.6 % N in fresh matter (C/N 15),
  -- of which about one sixth is ammonium N
  -- ETA 0.70 calibrated (was 0.55; plausible 0.3-0.7, see README.md): at the upper bound
  (1, 'farmyard manure (cattle)', 'farmyard manure (cattle)', 'Stallmist (Rind)', -1, 0.030, 0.70, 18, 15, 0.25, 0.36, 1, 0),
  -- 8 % dry matter, about half of the N as ammonium
  (2, 'cattle slurry', 'cattle slurry', 'Rindergülle', -1, 0.060, 0.30, 12, 6, 0.08, 0.40, 0, 0),
  (3, 'pig slurry', 'pig slurry', 'Schweinegülle', -1, 0.070, 0.25, 10, 4, 0.05, 0.40, 0, 0),
  -- mature green waste compost: slow, stable, little mineral N
  (4, 'green waste compost', 'green waste compost', 'Grüngutkompost', -1, 0.012, 0.70, 20, 18, 0.60, 0.28, 0, 0),
  (11, 'harvest residues and roots of cereals', 'harvest residues and roots of cereals', 'Ernte- und Wurzelrückstände Getreide', 0, 0.040, 0.35, 45, 45, 0.85, 0.45, 0, 0),
  (12, 'harvest residues and roots of root crops', 'harvest residues and roots of root crops', 'Ernte- und Wurzelrückstände Hackfrüchte', 0, 0.060, 0.30, 25, 25, 0.20, 0.42, 0, 0),
  (13, 'harvest residues and roots of maize', 'harvest residues and roots of maize', 'Ernte- und Wurzelrückstände Mais', 0, 0.035, 0.35, 40, 40, 0.85, 0.45, 0, 0),
  (14, 'harvest residues and roots of oilseed rape', 'harvest residues and roots of oilseed rape', 'Ernte- und Wurzelrückstände Raps', 0, 0.045, 0.33, 40, 40, 0.85, 0.45, 0, 0),
  (21, 'cereal straw', 'cereal straw', 'Getreidestroh', 0, 0.045, 0.30, 80, 80, 0.86, 0.45, 0, 0),
  (22, 'sugar beet leaves', 'sugar beet leaves', 'Zuckerrübenblatt', 0, 0.100, 0.20, 15, 15, 0.15, 0.40, 0, 0),
  (23, 'potato haulm', 'potato haulm', 'Kartoffelkraut', 0, 0.090, 0.22, 20, 20, 0.15, 0.40, 0, 0),
  (24, 'oilseed rape straw', 'oilseed rape straw', 'Rapsstroh', 0, 0.045, 0.30, 60, 60, 0.86, 0.45, 0, 0);

-- Crops. Examples of the resulting residue and root input:
--   winter wheat 70 dt/ha: 70*1.9 = 133 kg N in grain; 20 + 0.15*133 = 40 kg N in
--   stubble and roots, about 1800 kg C at C/N 45;
--   sugar beet 500 dt/ha with 0.8 dt leaves per dt beet left on the field:
--   500*100*0.8*0.15*0.40 = 2400 kg C in the leaves.
-- nsaat_ix links to the seed N of n_saat_input; leg_ix 0: no legume fixation.
INSERT INTO gldpflan (ITEM_IX, NAME, NAME_en, NAME_de, kurzbez, HI, N_Gehalt, CEWR, FEWR, ewr_ix, kop_ix, grd_ix, ros_ix, main_crop, nsaat_ix, leg_ix, oeko_code, modell) VALUES
  (1, 'winter wheat', 'winter wheat', 'Winterweizen', 'WW', 0.9, 1.90, 20, 0.15, 11, 21, 0, 0, -1, 1, 0, 0, 'RUX'),
  (2, 'spring barley', 'spring barley', 'Sommergerste', 'SG', 0.8, 1.60, 15, 0.15, 11, 21, 0, 0, -1, 1, 0, 0, 'RUX'),
  (3, 'sugar beet', 'sugar beet', 'Zuckerrübe', 'ZR', 0.8, 0.18, 10, 0.10, 12, 22, 0, 0, -1, 3, 0, 0, 'RUX'),
  (4, 'potatoes', 'potatoes', 'Kartoffeln', 'KA', 0.2, 0.35, 10, 0.10, 12, 23, 0, 0, -1, 2, 0, 0, 'RUX'),
  (5, 'winter rye', 'winter rye', 'Winterroggen', 'WR', 1.0, 1.50, 20, 0.15, 11, 21, 0, 0, -1, 1, 0, 0, 'RUX'),
  (6, 'winter barley', 'winter barley', 'Wintergerste', 'WG', 0.8, 1.60, 18, 0.15, 11, 21, 0, 0, -1, 1, 0, 0, 'RUX'),
  -- silage maize: the whole plant is the main product (fresh matter, 0.38 % N), no by-product
  (7, 'silage maize', 'silage maize', 'Silomais', 'SM', 0.0, 0.38, 20, 0.10, 13, 0, 0, 0, -1, 4, 0, 0, 'RUX'),
  (8, 'winter oilseed rape', 'winter oilseed rape', 'Winterraps', 'WRA', 1.7, 3.30, 20, 0.15, 14, 24, 0, 0, -1, 5, 0, 0, 'RUX');

-- Seed N (menge kg seed/ha, n_gehalt % N in the seed), chosen as typical sowing rates.
INSERT INTO n_saat_input (nsaat_ix, NAME, menge, n_gehalt) VALUES
  (1, 'cereals', 160, 1.8),
  (2, 'seed potatoes', 2500, 0.35),
  (3, 'pelleted sugar beet seed', 4, 2.5),
  (4, 'maize', 30, 1.5),
  (5, 'oilseed rape', 4, 3.5);

-- Mineral N fertilisers; cultivation.Quantity of a fertiliser event is kg N/ha.
INSERT INTO gldmindg (item_ix, name) VALUES
  (1, 'calcium ammonium nitrate (27 % N)'),
  (2, 'urea (46 % N)'),
  (3, 'ammonium sulphate nitrate (26 % N)'),
  (4, 'urea ammonium nitrate solution (28 % N)'),
  (5, 'sodium nitrate (16 % N)');

-- Selection lists of the item choices: every crop, every amendment offered as such
-- (od = -1) and every fertiliser, all selected.
INSERT INTO gldsel_crop ("select", ITEM_IX, Name, OEKO_code)
  SELECT -1, ITEM_IX, NAME, oeko_code FROM gldpflan ORDER BY ITEM_IX;
INSERT INTO gldsel_ops ("select", ITEM_IX, Name)
  SELECT -1, item_ix, NAME FROM gldopspa WHERE od = -1 ORDER BY item_ix;
INSERT INTO gldsel_frt ("select", ITEM_IX, Name)
  SELECT -1, item_ix, name FROM gldmindg ORDER BY item_ix;

-- Coefficients of the humus balance methods (HUBA..., NULL), chosen close to the
-- coefficients of the common German humus balance: per crop the humus carbon demand in
-- kg humus-C/ha and year as lower (LUFA1), middle (LUFA2) and upper (LUFA3) value, and
-- per organic substance the humus carbon supply in kg humus-C per t fresh matter (HÄQ).
-- HE_crop and HE_od give the same in humus units of 580 kg humus-C. huba starts with the
-- middle values; a run of a humus balance method sets it from the chosen column.
INSERT INTO huba_crop (crop_IX, NAME, HI, kop_ix, huba, LUFA1, LUFA2, LUFA3, HE_crop) VALUES
  (1, 'winter wheat', 0.9, 21, -340, -280, -340, -400, -0.59),
  (2, 'spring barley', 0.8, 21, -340, -280, -340, -400, -0.59),
  (3, 'sugar beet', 0.8, 22, -1030, -760, -1030, -1300, -1.78),
  (4, 'potatoes', 0.2, 23, -880, -760, -880, -1000, -1.52),
  (5, 'winter rye', 1.0, 21, -340, -280, -340, -400, -0.59),
  (6, 'winter barley', 0.8, 21, -340, -280, -340, -400, -0.59),
  (7, 'silage maize', 0.0, 0, -680, -560, -680, -800, -1.17),
  (8, 'winter oilseed rape', 1.7, 24, -340, -280, -340, -400, -0.59);

INSERT INTO huba_oram (oram_ix, NAME, huba, [HÄQ], HE_od) VALUES
  (1, 'farmyard manure (cattle)', 40, 40, 0.069),
  (2, 'cattle slurry', 9, 9, 0.016),
  (3, 'pig slurry', 4, 4, 0.007),
  (4, 'green waste compost', 55, 55, 0.095),
  (21, 'cereal straw', 100, 100, 0.172),
  (22, 'sugar beet leaves', 8, 8, 0.014),
  (23, 'potato haulm', 8, 8, 0.014),
  (24, 'oilseed rape straw', 100, 100, 0.172);

-- Model constants of the demo (gldaparm row 1, which a run reads), calibrated on the
-- plots 101, 104, 201 and 202 under the first-start settings (README.md): K_AOS 0.00321
-- (default 0.00556) and K_AKT 0.000314 (default 0.00032) per BAT-day; the other constants
-- keep their defaults.
UPDATE gldaparm SET K_AOS = 0.00321, K_AKT = 0.000314 WHERE item_ix = 1;
