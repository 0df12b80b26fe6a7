-- Sdelka demo data: a small metal-furniture factory, loaded after db/schema.sql into an empty
-- database (psql -v ON_ERROR_STOP=1 -f db/demo.sql). Dates are relative to current_date, so
-- the records are always recent: the last week of the previous month (what the period reports
-- propose by default) and the current month up to today. The first day of the month is the
-- stocktaking day, which everybody works whatever the weekday, so every timesheet of the current
-- month has rows from its first day on.
--
-- Signing in: the client has no user table; the access word chooses the role.
--   administrator          57203816  or  0583
--   planning department    plavor
--   foremen                brendik
--   storekeeper            tovik
-- The database user of the client is sys / vexplum (scripts/pg-cluster.sh creates it).
--
-- Build stamp: the row below is older than any build, so the first client that starts writes
-- its own stamp. Decimal separator for numbers in SQL text: ".".

SET DateStyle = 'ISO, DMY';

INSERT INTO accounts_dep.ver (d, t, delim) VALUES (20000101, 0, '.');

------------------------------------------------------------------------------------------------
-- Master data
------------------------------------------------------------------------------------------------

INSERT INTO cmn_department.department (id, id_branch, s_code, s_caption, s_description, id_parent) VALUES
  (1, 1, '01', 'Производство',              'Производственные подразделения', NULL),
  (2, 1, '02', 'Заготовительный участок',   'Резка, гибка, сварка',           1),
  (3, 1, '03', 'Малярный участок',          'Порошковая покраска',            1),
  (4, 1, '04', 'Сборочный цех',             'Сборка и упаковка',              1),
  (5, 1, '05', 'Склад готовой продукции',   NULL,                             NULL),
  (6, 1, '06', 'Планово-экономический отдел', NULL,                           NULL);
SELECT setval('cmn_department.department_id_seq', 6);

INSERT INTO hrms_staffpos.staffpos (id, id_department, s_code, s_caption, d_begin, d_end, s_description) VALUES
  (1, 2, '101', 'Резчик металла',       '2015-01-01', NULL, NULL),
  (2, 2, '102', 'Гибщик',               '2015-01-01', NULL, NULL),
  (3, 2, '103', 'Электросварщик',       '2015-01-01', NULL, NULL),
  (4, 3, '201', 'Маляр',                '2015-01-01', NULL, NULL),
  (5, 4, '301', 'Слесарь-сборщик',      '2015-01-01', NULL, NULL),
  (6, 4, '302', 'Упаковщик',            '2015-01-01', NULL, NULL),
  (7, 1, '401', 'Подсобный рабочий',    '2015-01-01', NULL, NULL),
  (8, 1, '402', 'Мастер участка',       '2015-01-01', NULL, NULL),
  (9, 5, '501', 'Кладовщик',            '2015-01-01', NULL, NULL),
  (10, 6, '601', 'Экономист',           '2015-01-01', NULL, NULL);
SELECT setval('hrms_staffpos.staffpos_id_seq', 10);

-- The four roles of the client (the access words above select them).
INSERT INTO adm_role.roles (id, s_name, s_caption, d_begin, d_end, b_active) VALUES
  (1, 'admin',  'Администратор',               '2015-01-01', NULL, 1),
  (2, 'plan',   'Планово-экономический отдел', '2015-01-01', NULL, 1),
  (3, 'master', 'Мастера',                     '2015-01-01', NULL, 1),
  (4, 'store',  'Кладовщик',                   '2015-01-01', NULL, 1);
SELECT setval('adm_role.roles_id_seq', 4);

-- Classifier: a root item and the nomenclature groups (level 2).
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption, s_description, d_excluded_date, id_parent, b_excluded) VALUES
  (1,  1, 1, '00', 'Номенклатура',          'Номенклатурные группы', NULL, NULL, 0),
  (10, 1, 2, '10', 'Стеллажи',              NULL, NULL, 1, 0),
  (11, 1, 2, '11', 'Шкафы металлические',   NULL, NULL, 1, 0),
  (12, 1, 2, '12', 'Верстаки',              NULL, NULL, 1, 0),
  (13, 1, 2, '13', 'Тележки',               NULL, NULL, 1, 0),
  (14, 1, 2, '14', 'Общезаводские работы',  NULL, NULL, 1, 0),
  (15, 1, 2, '15', 'Сейфы',                 'Снято с производства', current_date - 400, 1, 1);
SELECT setval('cmn_classifier.item_id_seq', 15);

-- Products (goods rows) and the two special rows of auxiliary works and average piece rate.
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item) VALUES
  (1, 'СТ-100 (1000х400х2000)',  '', 6, 1,   10),
  (2, 'СТ-120 (1200х500х2000)',  '', 6, 1,   10),
  (3, 'ШМ-2 (шкаф 2-дверный)',   '', 6, 2,   11),
  (4, 'ШМ-4 (шкаф 4-дверный)',   '', 6, 3,   11),
  (5, 'ВС-1200 (верстак)',       '', 6, 2,   12),
  (6, 'ВС-1500 (верстак)',       '', 6, 2.5, 12),
  (7, 'ТП-150 (тележка)',        '', 6, 0.5, 13),
  (8, 'ТП-300 (тележка)',        '', 6, 1,   13),
  (7777, 'Хоз. работы',          '', 6, 0,   14),
  (7778, 'Ср. сдельная',         '', 6, 0,   14);

------------------------------------------------------------------------------------------------
-- Operation kinds, operations and norms
------------------------------------------------------------------------------------------------

INSERT INTO accounts_dep.vid_oper (id, vid) VALUES
  (1, 'Резка'),
  (2, 'Гибка'),
  (3, 'Сварка'),
  (4, 'Покраска'),
  (5, 'Сборка'),
  (6, 'Упаковка'),
  (7777, 'Хоз. работы'),
  (7778, 'Ср. сдельная'),
  (7779, 'Доп. оплата');

-- Every product has the six operations: cutting, bending and welding yield blanks (naimen 1),
-- painting, assembly and packing the finished product (naimen 0). Operation id = (product-1)*6
-- + kind. Each has two norms; the lower price is the operation's price.
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new, cena)
SELECT (p - 1) * 6 + k, k, CASE WHEN k <= 3 THEN 1 ELSE 0 END, p, 0, NULL
  FROM generate_series(1, 8) p, generate_series(1, 6) k;

INSERT INTO accounts_dep.norm (o_id, norma, prize, price)
SELECT o.id, n.norma, n.prize,
       round((ARRAY[20, 15, 45, 40, 150, 30])[o.vid] * (1 + o.i_id * 0.15) * n.f, 2)::float8
  FROM accounts_dep.oper o,
       (VALUES (100, 0, 1.00::numeric), (150, 10, 1.10::numeric)) AS n(norma, prize, f)
 ORDER BY o.id, n.norma;

-- Auxiliary works and the average piece rate (price per hour), and the kind of the helper
-- additional-pay rows, which has no norm and so is never offered for a record.
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new, cena) VALUES
  (7777, 7777, 0, 7777, 0, NULL),
  (7778, 7778, 0, 7778, 0, NULL),
  (7779, 7779, 0, 7777, 0, NULL);
INSERT INTO accounts_dep.norm (o_id, norma, prize, price) VALUES
  (7777, 1, 0, 180),
  (7778, 1, 0, 220);

------------------------------------------------------------------------------------------------
-- Workers (the master persons of the same ids are written by the person trigger) and two
-- persons of the master data who do no piece work.
------------------------------------------------------------------------------------------------

INSERT INTO accounts_dep.person (id, fio, s_staffpos_hl) VALUES
  (1,  'Иванов Сергей Петрович',        'Сборочный цех'),
  (2,  'Петров Алексей Иванович',       'Сборочный цех'),
  (3,  'Смирнова Ольга Викторовна',     'Малярный участок'),
  (4,  'Кузнецов Дмитрий Андреевич',    'Заготовительный участок'),
  (5,  'Попов Николай Сергеевич',       'Заготовительный участок'),
  (6,  'Васильев Андрей Михайлович',    'Заготовительный участок'),
  (7,  'Соколова Татьяна Николаевна',   'Малярный участок'),
  (8,  'Михайлов Игорь Владимирович',   'Заготовительный участок'),
  (9,  'Новиков Павел Александрович',   'Заготовительный участок'),
  (10, 'Фёдоров Виктор Геннадьевич',    'Заготовительный участок'),
  (11, 'Морозова Елена Сергеевна',      'Сборочный цех'),
  (12, 'Волков Максим Олегович',        'Производство'),
  (13, 'Алексеев Юрий Борисович',       'Производство'),
  (14, 'Лебедев Роман Евгеньевич',      'Сборочный цех'),
  (15, 'Семёнова Наталья Игоревна',     'Сборочный цех');
INSERT INTO cmn_contractor.person (id, s_caption, s_code) VALUES
  (16, 'Григорьева Анна Павловна', '16'),
  (17, 'Захаров Олег Викторович',  '17');
SELECT setval('cmn_contractor.person_id_seq', 17);

------------------------------------------------------------------------------------------------
-- Production records
------------------------------------------------------------------------------------------------

-- Each piece worker has a trade (an operation kind) and a shift; on a working day he makes one
-- or two products. Prices follow the client's pick: the lowest norm price, doubled on a Saturday,
-- times 1.2 in shift 3 and 1.5 in overtime. Sundays are off; on Saturdays two workers do
-- overtime; the stocktaking day (the first of the current month) is a working day like Monday.
-- Records of the past days are accepted; those of today and yesterday are not yet.
DO $$
DECLARE
  trade  int[] := ARRAY[5, 5, 4, 3, 3, 1, 4, 1, 2, 2, 6, 0, 0, 5, 6];  -- 0: auxiliary worker
  first_day date := (date_trunc('month', current_date) - interval '7 days')::date;
  stocktaking date := date_trunc('month', current_date)::date;
  dow    int;        -- 1 Monday .. 7 Sunday, the stocktaking day counting as a Monday
  dd     date;
  n      int;        -- day number from first_day
  w      int;
  sh     int;
  p      int;
  k      int;
  cnt    int;
  j      int;
  price  float8;
  qty    int;
  colour int;
  flag   varchar;
  rec_id int;
BEGIN
  FOR dd IN SELECT g::date FROM generate_series(first_day, current_date, interval '1 day') g LOOP
    dow := CASE WHEN dd = stocktaking THEN 1 ELSE extract(isodow FROM dd) END;
    CONTINUE WHEN dow = 7;
    n := dd - first_day;
    FOR w IN 1..15 LOOP
      k := trade[w];
      CONTINUE WHEN k = 0;
      CONTINUE WHEN dow = 6 AND w NOT IN (1, 4);
      sh := CASE WHEN dow = 6 THEN 4 ELSE w % 3 + 1 END;
      cnt := CASE WHEN (w + n) % 3 = 0 THEN 2 ELSE 1 END;
      FOR j IN 1..cnt LOOP
        p := (w + n + j * 3) % 8 + 1;
        SELECT min(nr.price) INTO price FROM accounts_dep.norm nr WHERE nr.o_id = (p - 1) * 6 + k;
        IF dow = 6 THEN price := price * 2; END IF;
        IF sh = 3 THEN price := price * 1.2; ELSIF sh = 4 THEN price := price * 1.5; END IF;
        price := round(price::numeric, 4)::float8;
        qty := CASE WHEN k = 5 THEN 6 + (w * 7 + n * 3) % 10 ELSE 20 + (w * 7 + n * 3) % 40 END;
        IF cnt = 2 THEN qty := qty / 2 + 1; END IF;
        colour := CASE WHEN k <> 4 THEN 0
                       ELSE (ARRAY[1, 9016, 7035, 5015])[(n + j) % 4 + 1] END;
        flag := CASE WHEN dd >= current_date - 1 THEN 'no'
                     WHEN (w + n) % 7 = 0 THEN 'да'
                     WHEN (w + n) % 11 = 0 THEN 'no'
                     ELSE 'ok' END;
        INSERT INTO accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color,
                                        "time", vvod, ok, prize, id_doc, id_doc_item,
                                        f_gds_qty_use, id_gds_use, id_cons_use)
        VALUES (w, p, (p - 1) * 6 + k, price, qty, CASE WHEN (w + n + j) % 5 = 0 THEN 1 ELSE 0 END,
                dd, sh, colour, 8 / cnt, dd, flag, 0, 0, 0, 0, 0, 0)
        RETURNING id INTO rec_id;
        -- A painter's record of the weekdays gets an auxiliary worker's additional pay
        -- (0.7 of the painter's hourly earnings for 4 hours), as the record card writes it.
        IF k = 4 AND sh <> 4 AND n % 4 = 0 AND j = 1 THEN
          INSERT INTO accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color,
                                          "time", vvod, ok, prize, id_doc, id_doc_item,
                                          f_gds_qty_use, id_gds_use, id_cons_use)
          SELECT 12, s.i_id, 7779,
                 round(round((0.7 * s.cena * (s.kol_vo - s.brak) / s."time")::numeric, 2) * 4, 2)::float8,
                 1, 0, s.data, s.smena, s.color, 4, s.data, s.ok, 0, 0, 0, 0, 0, 0
            FROM accounts_dep.smena s WHERE s.id = rec_id;
        END IF;
      END LOOP;
    END LOOP;
  END LOOP;
END
$$;

------------------------------------------------------------------------------------------------
-- Auxiliary works and hours at the average piece rate
------------------------------------------------------------------------------------------------

-- The two auxiliary workers keep the shop on weekdays and the stocktaking day (Волков by day,
-- Алексеев every third day by night), booked to the nomenclature groups in turn; Лебедев and
-- Семёнова are paid some hours at the average piece rate on Fridays and the stocktaking day.
INSERT INTO accounts_dep.fatigue (id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
SELECT 10 + (g.d - (current_date - 40)) % 5, 7777, w.id, g.d,
       extract(month FROM g.d), extract(year FROM g.d), 1,
       CASE WHEN w.id = 12 THEN 4 ELSE 8 END,
       180 * CASE WHEN w.id = 13 AND (g.d - (current_date - 40)) % 3 = 0 THEN 1.2 ELSE 1 END,
       0,
       CASE WHEN w.id = 13 AND (g.d - (current_date - 40)) % 3 = 0 THEN 1 ELSE 0 END
  FROM (SELECT d::date AS d FROM generate_series((date_trunc('month', current_date) - interval '7 days')::date,
                                                current_date, interval '1 day') d) g,
       (VALUES (12), (13)) AS w(id)
 WHERE extract(isodow FROM g.d) < 6 OR g.d = date_trunc('month', current_date)::date;

INSERT INTO accounts_dep.fatigue (id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
SELECT CASE WHEN w.id = 14 THEN 12 ELSE 10 END, 7778, w.id, g.d,
       extract(month FROM g.d), extract(year FROM g.d), 1, 4, 0, 0, 0
  FROM (SELECT d::date AS d FROM generate_series((date_trunc('month', current_date) - interval '7 days')::date,
                                                current_date, interval '1 day') d) g,
       (VALUES (14), (15)) AS w(id)
 WHERE extract(isodow FROM g.d) = 5 OR g.d = date_trunc('month', current_date)::date;

-- Price per hour of the average piece rate: the worker's piece-work earnings of the month over
-- his hours, as the monthly recalculation computes it.
UPDATE accounts_dep.fatigue f
   SET price = coalesce((
         SELECT CASE WHEN coalesce(sum(s."time"), 0) = 0 THEN 0
                     ELSE (sum((s.kol_vo - s.brak) * ((s.cena + s.cena * f.i_night * 0.2)
                                * CASE WHEN f.i_holiday = 0 THEN 1 ELSE 2 END)) / sum(s."time"))::numeric(10,2)
                END
           FROM accounts_dep.smena s
          WHERE s.w_id = f.id_p
            AND s.data >= make_date(f.i_year, f.i_mnth, 1)
            AND s.data < make_date(f.i_year, f.i_mnth, 1) + interval '1 month'), 0)
 WHERE f.id_o = 7778;

------------------------------------------------------------------------------------------------
-- Monthly timesheets, kept in step with the records above as the client keeps them
------------------------------------------------------------------------------------------------

INSERT INTO accounts_dep.h_dizuv (w_id, smena, month, year, i_type)
SELECT DISTINCT s.w_id, s.smena, extract(month FROM s.data), extract(year FROM s.data), 0
  FROM accounts_dep.smena s;

INSERT INTO accounts_dep.h_dizuv (w_id, smena, month, year, i_type, i_night, id_nom)
SELECT DISTINCT f.id_p, 0, f.i_mnth, f.i_year, f.id_o, f.i_night, f.id_nom
  FROM accounts_dep.fatigue f;

DO $$
BEGIN
  FOR d IN 1..31 LOOP
    EXECUTE format(
      'UPDATE accounts_dep.h_dizuv h SET d%1$s = x.tim
         FROM (SELECT w_id, smena, sum("time") AS tim, data FROM accounts_dep.smena
                WHERE extract(day FROM data) = %1$s GROUP BY w_id, smena, data) x
        WHERE h.i_type = 0 AND h.w_id = x.w_id AND h.smena = x.smena
          AND h.month = extract(month FROM x.data) AND h.year = extract(year FROM x.data)', d);
    EXECUTE format(
      'UPDATE accounts_dep.h_dizuv h SET d%1$s = x.tim
         FROM (SELECT id_p, id_o, i_night, id_nom, sum(cnt) AS tim, d_date FROM accounts_dep.fatigue
                WHERE extract(day FROM d_date) = %1$s GROUP BY id_p, id_o, i_night, id_nom, d_date) x
        WHERE h.smena = 0 AND h.w_id = x.id_p AND h.i_type = x.id_o AND h.i_night = x.i_night
          AND h.id_nom = x.id_nom
          AND h.month = extract(month FROM x.d_date) AND h.year = extract(year FROM x.d_date)', d);
  END LOOP;
END
$$;

-- Older data of the legacy tables, as the import left it.
INSERT INTO accounts_dep.workers (id, fio, addr) VALUES
  (1, 'Иванов С.П.', 'ул. Заводская, 12-4'),
  (2, 'Петров А.И.', 'ул. Ленина, 30-17');
SELECT setval('accounts_dep.workers_id_seq', 2);
INSERT INTO accounts_dep.nomenkl (nom, marka) VALUES
  ('Стеллажи', 'СТ-100'),
  ('Шкафы металлические', 'ШМ-2');
