-- Demo database: experiments, plots and their selection for runs.
--
-- Three experiments, one location each, named by their trial and place (Herkunft); the
-- browser groups plots by location and shows each experiment as location + "   <" + code + ">":
--   1 Bad Lauchstädt: Static Fertilisation Experiment on a loess chernozem, since 1902;
--     plots of 265 m2 without replicates (published); here 1902-2008.
--   2 Rothamsted: Hoosfield continuous spring barley, since 1852; here 1852-1998.
--   3 Sandhof: a younger irrigation and tillage trial on a sandy soil, 1995-2020, made
--     up for this demo from plausible values only.
-- mw_BAT is the plot's mean biologically active time (days per year), used when BAT is
-- not recalculated from the yearly climate; the values follow from the long-term
-- climate row of the station, the soil's fine fraction (estimated 43 % for Hoosfield)
-- and the mean irrigation (generate.py --bat).
-- repix (reproduction index) is the default 29 (class "normal"), 40 on the plots with
-- farmyard manure; it matters only for plots started with i_con 'RepIX'.
-- area in m2 (-99: not given).

INSERT INTO field_description (FL_ID, site_description, Location, versuch_code, Herkunft, classification,
    comment, climate_ID, soil_ID, area, mw_BAT, notill, i_con, rep_cnt, repix) VALUES
  (101, 'no fertiliser', 'Bad Lauchstädt', '1', 'Static Fertilisation Experiment Bad Lauchstädt', 'long-term fertilisation trial',
    'plot without any fertiliser since 1902', 1, 1, 265, 25.7, 0, 'obsval', 0, 29),
  (102, 'mineral NPK', 'Bad Lauchstädt', '1', 'Static Fertilisation Experiment Bad Lauchstädt', 'long-term fertilisation trial',
    'mineral N, P and K every year', 1, 1, 265, 25.7, 0, 'obsval', 0, 29),
  (103, 'farmyard manure', 'Bad Lauchstädt', '1', 'Static Fertilisation Experiment Bad Lauchstädt', 'long-term fertilisation trial',
    'farmyard manure 30 t/ha every second year, to the root crops', 1, 1, 265, 25.7, 0, 'obsval', 0, 40),
  (104, 'farmyard manure + NPK', 'Bad Lauchstädt', '1', 'Static Fertilisation Experiment Bad Lauchstädt', 'long-term fertilisation trial',
    'farmyard manure 30 t/ha every second year plus mineral N, P and K', 1, 1, 265, 25.7, 0, 'obsval', 0, 40),
  (201, 'unfertilised', 'Rothamsted', '2', 'Hoosfield Continuous Spring Barley Rothamsted', 'continuous spring barley',
    'no manure or fertiliser since 1852', 2, 2, -99, 17.6, 0, 'obsval', 0, 29),
  (202, 'farmyard manure every year', 'Rothamsted', '2', 'Hoosfield Continuous Spring Barley Rothamsted', 'continuous spring barley',
    'farmyard manure 35 t/ha every year since 1852', 2, 2, -99, 17.6, 0, 'obsval', 0, 40),
  (203, 'farmyard manure 1852-1871', 'Rothamsted', '2', 'Hoosfield Continuous Spring Barley Rothamsted', 'continuous spring barley',
    'farmyard manure 35 t/ha every year from 1852 to 1871, none since', 2, 2, -99, 17.6, 0, 'obsval', 0, 29),
  (301, 'ploughed, rainfed', 'Sandhof', '3', 'Irrigation and Tillage Trial Sandhof', 'irrigation and tillage trial',
    'mouldboard plough to 30 cm every year, no irrigation', 3, 3, 150, 47.9, 0, 'obsval', 0, 29),
  (302, 'ploughed, irrigated', 'Sandhof', '3', 'Irrigation and Tillage Trial Sandhof', 'irrigation and tillage trial',
    'mouldboard plough to 30 cm every year, sprinkler irrigation in dry summers', 3, 3, 150, 48.8, 0, 'obsval', 0, 29),
  (303, 'no tillage, irrigated', 'Sandhof', '3', 'Irrigation and Tillage Trial Sandhof', 'irrigation and tillage trial',
    'direct drilling since 1995, sprinkler irrigation in dry summers', 3, 3, 150, 48.8, 1, 'obsval', 0, 29);

-- Every plot is selected, so that a first run of the demo simulates them all.
INSERT INTO site_state (FL_ID, status, res_val)
  SELECT FL_ID, 1, 0 FROM field_description ORDER BY FL_ID;

INSERT INTO experiments (exp_id, vcode, location, herkunft) VALUES
  (1, '1', 'Bad Lauchstädt', 'Static Fertilisation Experiment Bad Lauchstädt'),
  (2, '2', 'Rothamsted', 'Hoosfield Continuous Spring Barley Rothamsted'),
  (3, '3', 'Sandhof', 'Irrigation and Tillage Trial Sandhof');

-- Sources of the published figures: the article and the data set they come from, and the
-- review that describes the Hoosfield data. The Sandhof trial has none (it is invented).
INSERT INTO referenzen (lit_id, quelle, autor, jahr, Titel, produkt, herausgeber, ort, band, seite, ausgabe) VALUES
  (1, 'journal article', NULL, NULL,
    'Soil organic carbon and microbial biomass of the Static Fertilisation Experiment Bad Lauchstädt, October 2008 (Table 1)',
    'PubMed Central, article PMC4030228', NULL, NULL, NULL, NULL, NULL),
  (2, 'data set', NULL, NULL,
    'Hoosfield Continuous Spring Barley: soil organic carbon 1852-1998 (the data of Johnston et al. 2009)',
    'electronic Rothamsted Archive (e-RA)', NULL, NULL, NULL, NULL, NULL),
  (3, 'journal article', 'Johnston, A.E.; Poulton, P.R.; Coleman, K.', 2009,
    'Soil organic matter: its importance in sustainable agriculture and carbon dioxide fluxes',
    'Advances in Agronomy', NULL, NULL, '101', '1-57', NULL);

INSERT INTO ref2vcode (lit_id, versuchs_code) VALUES
  (1, '1'), (2, '2'), (3, '2');

-- Keywords of the reference list: 0 is the general one shown under "all".
INSERT INTO refkey_def (key_id, key_name, description) VALUES
  (0, 'general', 'the experiment as a whole'),
  (1, 'soil parm', 'soil properties and observations'),
  (2, 'climate', 'weather and climate'),
  (3, 'management', 'crops, fertilisation and tillage');

INSERT INTO key2ref2fl (key_id, ref_id, fl_id)
  SELECT 0, ref2vcode.lit_id, field_description.FL_ID
  FROM field_description INNER JOIN ref2vcode ON field_description.versuch_code = ref2vcode.versuchs_code
  ORDER BY field_description.FL_ID, ref2vcode.lit_id;
INSERT INTO key2ref2fl (key_id, ref_id, fl_id)
  SELECT 1, ref2vcode.lit_id, field_description.FL_ID
  FROM field_description INNER JOIN ref2vcode ON field_description.versuch_code = ref2vcode.versuchs_code
  WHERE ref2vcode.lit_id IN (1, 2)
  ORDER BY field_description.FL_ID, ref2vcode.lit_id;
