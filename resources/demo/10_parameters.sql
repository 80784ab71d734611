-- Demo database, part 1: parameter tables of crops, organic substances and mineral
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
-- All figures are plausible values for Central European arable farming chosen for this
-- demo from general agronomic knowledge (typical nutrient contents of harvested products,
-- straw to grain ratios, dry matter and carbon contents of manures). None of them is a
-- calibrated model parameter; users replace them with their own.

-- Organic primary substances. Items 1-9: organic amendments (offered in the management
-- list, od = -1); 11-19: harvest residues and roots; 21-29: by-products left on the field.
-- mkd = 1 marks farmyard manure, whose carbon the run follows as marked carbon.
INSERT INTO gldopspa (item_ix, NAME, od, K, ETA, CNR, CNR_alt, TS_GEHALT, C_GEH_TS, mkd, ros_ix) VALUES
  -- 25 % dry matter, 36 % C in dry matter: 9 % C and 0.6 % N in fresh matter (C/N 15),
  -- of which about one sixth is ammonium N
  (1, 'farmyard manure (cattle)', -1, 0.030, 0.55, 18, 15, 0.25, 0.36, 1, 0),
  -- 8 % dry matter, about half of the N as ammonium
  (2, 'cattle slurry', -1, 0.060, 0.30, 12, 6, 0.08, 0.40, 0, 0),
  (3, 'pig slurry', -1, 0.070, 0.25, 10, 4, 0.05, 0.40, 0, 0),
  -- mature green waste compost: slow, stable, little mineral N
  (4, 'green waste compost', -1, 0.012, 0.70, 20, 18, 0.60, 0.28, 0, 0),
  (11, 'harvest residues and roots of cereals', 0, 0.040, 0.35, 45, 45, 0.85, 0.45, 0, 0),
  (12, 'harvest residues and roots of root crops', 0, 0.060, 0.30, 25, 25, 0.20, 0.42, 0, 0),
  (13, 'harvest residues and roots of maize', 0, 0.035, 0.35, 40, 40, 0.85, 0.45, 0, 0),
  (14, 'harvest residues and roots of oilseed rape', 0, 0.045, 0.33, 40, 40, 0.85, 0.45, 0, 0),
  (21, 'cereal straw', 0, 0.045, 0.30, 80, 80, 0.86, 0.45, 0, 0),
  (22, 'sugar beet leaves', 0, 0.100, 0.20, 15, 15, 0.15, 0.40, 0, 0),
  (23, 'potato haulm', 0, 0.090, 0.22, 20, 20, 0.15, 0.40, 0, 0),
  (24, 'oilseed rape straw', 0, 0.045, 0.30, 60, 60, 0.86, 0.45, 0, 0);

-- Crops. Examples of the resulting residue and root input:
--   winter wheat 70 dt/ha: 70*1.9 = 133 kg N in grain; 20 + 0.15*133 = 40 kg N in
--   stubble and roots, about 1800 kg C at C/N 45;
--   sugar beet 500 dt/ha with 0.8 dt leaves per dt beet left on the field:
--   500*100*0.8*0.15*0.40 = 2400 kg C in the leaves.
-- nsaat_ix links to the seed N of n_saat_input; leg_ix 0: no legume fixation.
INSERT INTO gldpflan (ITEM_IX, NAME, kurzbez, HI, N_Gehalt, CEWR, FEWR, ewr_ix, kop_ix, grd_ix, ros_ix, main_crop, nsaat_ix, leg_ix, oeko_code, modell) VALUES
  (1, 'winter wheat', 'WW', 0.9, 1.90, 20, 0.15, 11, 21, 0, 0, -1, 1, 0, 0, 'RUX'),
  (2, 'spring barley', 'SG', 0.8, 1.60, 15, 0.15, 11, 21, 0, 0, -1, 1, 0, 0, 'RUX'),
  (3, 'sugar beet', 'ZR', 0.8, 0.18, 10, 0.10, 12, 22, 0, 0, -1, 3, 0, 0, 'RUX'),
  (4, 'potatoes', 'KA', 0.2, 0.35, 10, 0.10, 12, 23, 0, 0, -1, 2, 0, 0, 'RUX'),
  (5, 'winter rye', 'WR', 1.0, 1.50, 20, 0.15, 11, 21, 0, 0, -1, 1, 0, 0, 'RUX'),
  (6, 'winter barley', 'WG', 0.8, 1.60, 18, 0.15, 11, 21, 0, 0, -1, 1, 0, 0, 'RUX'),
  -- silage maize: the whole plant is the main product (fresh matter, 0.38 % N), no by-product
  (7, 'silage maize', 'SM', 0.0, 0.38, 20, 0.10, 13, 0, 0, 0, -1, 4, 0, 0, 'RUX'),
  (8, 'winter oilseed rape', 'WRA', 1.7, 3.30, 20, 0.15, 14, 24, 0, 0, -1, 5, 0, 0, 'RUX');

-- Seed N (menge kg seed/ha, n_gehalt % N in the seed), chosen as typical sowing rates.
INSERT INTO n_saat_input (nsaat_ix, menge, n_gehalt) VALUES
  (1, 160, 1.8),   -- cereals
  (2, 2500, 0.35), -- seed potatoes
  (3, 4, 2.5),     -- pelleted sugar beet seed
  (4, 30, 1.5),    -- maize
  (5, 4, 3.5);     -- oilseed rape

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
