-- A large factory for the application benchmark (bench_factory): 600 workers, 300 products,
-- 2 000 operations and a year (2025) of production, 632 000 records of accounts_dep.smena, with
-- auxiliary and average-rate hours and the year's timesheet rows as the client keeps them.
-- Everything comes from generate_series and arithmetic on the series, so every run makes the same
-- rows. Loaded after db/schema.sql into an empty database:
--   psql -v ON_ERROR_STOP=1 -d factory -f db/schema.sql -f bench/factory.sql
-- (bench/factory.sh does that on the private cluster).
--
-- Shapes worth knowing when reading the figures:
--   * a worker works one shift (1, 2 or 3 by his id), about 1 053 records a year (about 88 a
--     month, four or five a working day), and every 25th record is overtime (shift 4);
--   * worker 600 books his records with 0 hours (piece work without hours);
--   * every worker has auxiliary hours (7777) on two days of a month, day or night, and every
--     tenth worker average-rate hours (7778) on Fridays.

SET DateStyle = 'ISO, DMY';

INSERT INTO accounts_dep.ver (d, t, delim) VALUES (20000101, 0, '.');

-- Nomenclature groups 10..29.
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption, b_excluded)
SELECT 10 + g, 1, 2, (10 + g)::text, 'Группа ' || lpad((g + 1)::text, 2, '0'), 0
  FROM generate_series(0, 19) g;

-- Products 1..300 in the groups by turn, and the two special goods rows.
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
SELECT p, 'ИЗ-' || lpad(p::text, 3, '0') || ' (изделие ' || p || ')', '', 6, 0.5 + (p % 7) * 0.25, 10 + p % 20
  FROM generate_series(1, 300) p;
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item) VALUES
  (7777, 'Хоз. работы', '', 6, 0, 29),
  (7778, 'Ср. сдельная', '', 6, 0, 29);

-- Twelve operation kinds and the special ones.
INSERT INTO accounts_dep.vid_oper (id, vid)
SELECT k, (ARRAY['Резка', 'Гибка', 'Сварка', 'Зачистка', 'Грунтовка', 'Покраска', 'Сушка', 'Сборка',
                 'Наладка', 'Контроль', 'Маркировка', 'Упаковка'])[k]
  FROM generate_series(1, 12) k;
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (7777, 'Хоз. работы'), (7778, 'Ср. сдельная'), (7779, 'Доп. оплата');

-- 2 000 operations: operation o (1..2000) works product (o - 1) % 300 + 1 with kind (o - 1) / 300 % 12 + 1;
-- kinds 1..4 yield blanks.
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new, cena)
SELECT o, (o - 1) / 300 % 12 + 1, CASE WHEN (o - 1) / 300 % 12 + 1 <= 4 THEN 1 ELSE 0 END, (o - 1) % 300 + 1, 0, NULL
  FROM generate_series(1, 2000) o;
INSERT INTO accounts_dep.norm (o_id, norma, prize, price)
SELECT o, 100, 0, round((10 + o % 37 * 1.5)::numeric, 2)::float8 FROM generate_series(1, 2000) o;
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new, cena) VALUES
  (7777, 7777, 0, 7777, 0, NULL), (7778, 7778, 0, 7778, 0, NULL), (7779, 7779, 0, 7777, 0, NULL);
INSERT INTO accounts_dep.norm (o_id, norma, prize, price) VALUES (7777, 1, 0, 180), (7778, 1, 0, 220);
SELECT setval('accounts_dep.oper_id_seq', 7780);

-- 600 workers (the trigger writes their master persons, code = id).
INSERT INTO accounts_dep.person (id, fio, s_staffpos_hl)
SELECT w,
       (ARRAY['Иванов', 'Петров', 'Сидоров', 'Кузнецов', 'Смирнов', 'Попов', 'Васильев', 'Соколов',
              'Михайлов', 'Новиков', 'Фёдоров', 'Морозов', 'Волков', 'Алексеев', 'Лебедев', 'Семёнов',
              'Егоров', 'Павлов', 'Козлов', 'Степанов'])[w % 20 + 1] || ' ' ||
       (ARRAY['Андрей', 'Борис', 'Виктор', 'Глеб', 'Денис', 'Евгений', 'Жан', 'Иван', 'Кирилл', 'Лев'])[w / 20 % 10 + 1] || ' ' ||
       (ARRAY['Петрович', 'Иванович', 'Сергеевич'])[w / 200 % 3 + 1],
       'Цех ' || (w % 6 + 1)
  FROM generate_series(1, 600) w;
SELECT setval('cmn_contractor.person_id_seq', 600);

-- 632 000 records: 1 732 a day over the 365 days of 2025 (the last day a little short). Record g
-- of a day goes to worker g % 600 + 1 with operation ((day * 7 + g) * 37) % 2000 + 1.
INSERT INTO accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, "time", vvod, ok, prize,
                                id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use)
SELECT w, (o - 1) % 300 + 1, o, round((10 + o % 37 * 1.5)::numeric, 2)::float8,
       5 + n % 40, CASE WHEN n % 17 = 0 THEN 1 ELSE 0 END,
       date '2025-01-01' + d,
       CASE WHEN n % 25 = 0 THEN 4 ELSE w % 3 + 1 END,
       CASE n % 5 WHEN 0 THEN 0 WHEN 1 THEN 1 ELSE 1000 + n % 9 END,
       CASE WHEN w = 600 THEN 0 ELSE 1 + n % 3 END,
       date '2025-01-01' + d, CASE WHEN n % 3 = 0 THEN 'no' ELSE 'ok' END, n % 4 * 5,
       0, 0, 0, 0, 0
  FROM (SELECT g, g / 1732 AS d, g % 1732 AS n, g % 1732 % 600 + 1 AS w,
               ((g / 1732 * 7 + g % 1732) * 37) % 2000 + 1 AS o
          FROM generate_series(0, 631999) g) r;

-- Auxiliary hours: each worker two days a month (by turns day or night) in his group; average-rate
-- hours: every tenth worker on Fridays.
INSERT INTO accounts_dep.fatigue (id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
SELECT 10 + w % 20, 7777, w, make_date(2025, m, 1 + (w + k * 13) % 28), m, 2025, 1, 2 + (w + k) % 7,
       180 + w % 5 * 10, 0, (w + k + m) % 2
  FROM generate_series(1, 600) w, generate_series(1, 12) m, generate_series(0, 1) k;
INSERT INTO accounts_dep.fatigue (id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
SELECT 10 + w % 20, 7778, w, d::date, extract(month FROM d), 2025, 1, 4, 150 + w % 7 * 5, 0, w / 10 % 2
  FROM generate_series(10, 600, 10) w, generate_series(date '2025-01-03', date '2025-12-26', interval '7 days') d;

-- The year's timesheet rows, as the records' saves leave them: a day cell holds the day's sum.
INSERT INTO accounts_dep.h_dizuv (w_id, smena, month, year, i_type,
  d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
  d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
SELECT w_id, smena, extract(month FROM data), 2025, 0,
       sum("time") FILTER (WHERE extract(day FROM data) = 1), sum("time") FILTER (WHERE extract(day FROM data) = 2),
       sum("time") FILTER (WHERE extract(day FROM data) = 3), sum("time") FILTER (WHERE extract(day FROM data) = 4),
       sum("time") FILTER (WHERE extract(day FROM data) = 5), sum("time") FILTER (WHERE extract(day FROM data) = 6),
       sum("time") FILTER (WHERE extract(day FROM data) = 7), sum("time") FILTER (WHERE extract(day FROM data) = 8),
       sum("time") FILTER (WHERE extract(day FROM data) = 9), sum("time") FILTER (WHERE extract(day FROM data) = 10),
       sum("time") FILTER (WHERE extract(day FROM data) = 11), sum("time") FILTER (WHERE extract(day FROM data) = 12),
       sum("time") FILTER (WHERE extract(day FROM data) = 13), sum("time") FILTER (WHERE extract(day FROM data) = 14),
       sum("time") FILTER (WHERE extract(day FROM data) = 15), sum("time") FILTER (WHERE extract(day FROM data) = 16),
       sum("time") FILTER (WHERE extract(day FROM data) = 17), sum("time") FILTER (WHERE extract(day FROM data) = 18),
       sum("time") FILTER (WHERE extract(day FROM data) = 19), sum("time") FILTER (WHERE extract(day FROM data) = 20),
       sum("time") FILTER (WHERE extract(day FROM data) = 21), sum("time") FILTER (WHERE extract(day FROM data) = 22),
       sum("time") FILTER (WHERE extract(day FROM data) = 23), sum("time") FILTER (WHERE extract(day FROM data) = 24),
       sum("time") FILTER (WHERE extract(day FROM data) = 25), sum("time") FILTER (WHERE extract(day FROM data) = 26),
       sum("time") FILTER (WHERE extract(day FROM data) = 27), sum("time") FILTER (WHERE extract(day FROM data) = 28),
       sum("time") FILTER (WHERE extract(day FROM data) = 29), sum("time") FILTER (WHERE extract(day FROM data) = 30),
       sum("time") FILTER (WHERE extract(day FROM data) = 31)
  FROM accounts_dep.smena GROUP BY w_id, smena, extract(month FROM data) ORDER BY 3, 1, 2;

ANALYZE;
