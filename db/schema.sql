-- Sdelka database: every schema, type, sequence, table and view the client reads or writes.
--
-- Runs on an empty database (psql -v ON_ERROR_STOP=1 -f db/schema.sql, or sent whole in one
-- simple query). It holds no psql meta-commands and no rows: db/demo.sql fills a small factory.
--
-- Two groups of schemas:
--   accounts_dep                   piece-rate pay data of this client;
--   cmn_contractor, cmn_classifier, cmn_gds_and_srv, hrms_staffpos, cmn_department, adm_role
--                                  master data shared with the factory's other systems (only the
--                                  columns this client uses).
--
-- Conventions the client's statements rely on:
--   * ids of the special rows: 7777 auxiliary works, 7778 average piece rate (vid_oper, oper,
--     goods), 7779 the helper additional-pay rows of smena; sequences start above them.
--   * a worker is one id across accounts_dep.person and cmn_contractor.person, and the person's
--     s_code is that id as text (timesheets join by id, by s_code::integer or by either).
--   * the client writes days as 'dd.mm.yyyy' text in places, so the database reads dates day
--     first (DateStyle ISO, DMY, set below for this database).
--   * no foreign keys: the client deletes products, workers and kinds that other rows still name
--     and expects those rows to stay; the writers keep their own counts (duplicate checks).

-- Dates written as text are read day first, whatever the server's default.
DO $$
BEGIN
  EXECUTE format('ALTER DATABASE %I SET DateStyle = %L', current_database(), 'ISO, DMY');
END
$$;
SET DateStyle = 'ISO, DMY';

CREATE SCHEMA accounts_dep;
CREATE SCHEMA cmn_contractor;
CREATE SCHEMA cmn_classifier;
CREATE SCHEMA cmn_gds_and_srv;
CREATE SCHEMA hrms_staffpos;
CREATE SCHEMA cmn_department;
CREATE SCHEMA adm_role;

-- Types used in casts by the client's SQL ("s_code::t_id", "s_code::t_integer"). They live in
-- public so that the unqualified names resolve on the default search path.
CREATE DOMAIN public.t_id AS numeric(15,0);      -- keys the client reads as decimal(15,0)
CREATE DOMAIN public.t_integer AS integer;

------------------------------------------------------------------------------------------------
-- Master data
------------------------------------------------------------------------------------------------

-- Persons. s_code is the personnel code, always digits here: the client casts it to integer.
CREATE SEQUENCE cmn_contractor.person_id_seq;
CREATE TABLE cmn_contractor.person (
  id         integer      NOT NULL DEFAULT nextval('cmn_contractor.person_id_seq') PRIMARY KEY,
  s_caption  varchar(254),
  s_code     varchar(50)
);
ALTER SEQUENCE cmn_contractor.person_id_seq OWNED BY cmn_contractor.person.id;

-- Classifier items; the nomenclature groups are the items of level 2. The group card inserts
-- only the caption and the excluded flag, so a new item is a nomenclature group by default.
CREATE SEQUENCE cmn_classifier.item_id_seq;
CREATE TABLE cmn_classifier.item (
  id               integer       NOT NULL DEFAULT nextval('cmn_classifier.item_id_seq') PRIMARY KEY,
  id_classifier    integer,
  id_level         integer       NOT NULL DEFAULT 2,
  s_code           varchar(50),
  s_caption        varchar(255),
  s_description    varchar(1024),
  d_excluded_date  date,
  id_parent        integer,
  b_excluded       integer       NOT NULL DEFAULT 0      -- 1 = no longer in use
);
ALTER SEQUENCE cmn_classifier.item_id_seq OWNED BY cmn_classifier.item.id;

-- Goods and services; the factory's products are read through accounts_dep.izdel.
CREATE SEQUENCE cmn_gds_and_srv.gds_and_srv_id_seq START 7780;
CREATE TABLE cmn_gds_and_srv.gds_and_srv (
  id             t_id           NOT NULL DEFAULT nextval('cmn_gds_and_srv.gds_and_srv_id_seq') PRIMARY KEY,
  s_caption      varchar(254),                  -- product mark
  s_description  varchar(1024),
  id_msm_bs      integer,                       -- unit of measure (6 = piece)
  massa          numeric(28,6),                 -- per-piece amount ("Коробки")
  id_class_item  t_id                           -- nomenclature group (cmn_classifier.item.id)
);
ALTER SEQUENCE cmn_gds_and_srv.gds_and_srv_id_seq OWNED BY cmn_gds_and_srv.gds_and_srv.id;

CREATE SEQUENCE cmn_department.department_id_seq;
CREATE TABLE cmn_department.department (
  id             integer       NOT NULL DEFAULT nextval('cmn_department.department_id_seq') PRIMARY KEY,
  id_branch      integer,
  s_code         varchar(50),
  s_caption      varchar(254),
  s_description  varchar(1024),
  id_parent      integer
);
ALTER SEQUENCE cmn_department.department_id_seq OWNED BY cmn_department.department.id;

CREATE SEQUENCE hrms_staffpos.staffpos_id_seq;
CREATE TABLE hrms_staffpos.staffpos (
  id             integer       NOT NULL DEFAULT nextval('hrms_staffpos.staffpos_id_seq') PRIMARY KEY,
  id_department  integer,
  s_code         varchar(50),
  s_caption      varchar(254),
  d_begin        date,
  d_end          date,
  s_description  varchar(1024)
);
ALTER SEQUENCE hrms_staffpos.staffpos_id_seq OWNED BY hrms_staffpos.staffpos.id;

CREATE SEQUENCE adm_role.roles_id_seq;
CREATE TABLE adm_role.roles (
  id         integer       NOT NULL DEFAULT nextval('adm_role.roles_id_seq') PRIMARY KEY,
  s_name     varchar(64),
  s_caption  varchar(254),
  d_begin    date,
  d_end      date,
  b_active   integer       NOT NULL DEFAULT 1
);
ALTER SEQUENCE adm_role.roles_id_seq OWNED BY adm_role.roles.id;

------------------------------------------------------------------------------------------------
-- accounts_dep: piece-rate pay
------------------------------------------------------------------------------------------------

-- Workers as this client lists them. A worker's id is drawn from the master persons' sequence
-- so that it is the same id in cmn_contractor.person, where the day lists and timesheets look
-- up names; accounts_dep.person_to_master keeps the master row in step (below).
CREATE TABLE accounts_dep.person (
  id             integer       NOT NULL DEFAULT nextval('cmn_contractor.person_id_seq') PRIMARY KEY,
  fio            varchar(254),
  s_staffpos_hl  varchar(254)                   -- shown as the position ("Должность")
);

-- Production records: one row per worker, product, operation, date, shift and colour.
CREATE SEQUENCE accounts_dep.smena_id_seq;
CREATE TABLE accounts_dep.smena (
  id             integer           NOT NULL DEFAULT nextval('accounts_dep.smena_id_seq') PRIMARY KEY,
  w_id           integer,                       -- worker
  i_id           integer,                       -- product (goods id)
  o_id           integer,                       -- operation; 7779 on helper additional-pay rows
  cena           double precision,              -- price of one piece
  kol_vo         integer,                       -- quantity made
  brak           smallint,                      -- defective pieces
  data           date,                          -- working date
  smena          smallint,                      -- 1, 2, 3, 4 = overtime
  color          integer,                       -- 0 none, 1 primer, otherwise a RAL number
  "time"         integer,                       -- hours
  vvod           timestamp,                     -- day the record was last written
  ok             varchar(255),                  -- 'ok' / 'да' accepted, 'no' not accepted
  prize          double precision,              -- bonus, per cent
  id_doc         t_id,
  id_doc_item    t_id,
  f_gds_qty_use  double precision,
  id_gds_use     t_id,
  id_cons_use    t_id
);
ALTER SEQUENCE accounts_dep.smena_id_seq OWNED BY accounts_dep.smena.id;
CREATE INDEX smena_data_smena_idx ON accounts_dep.smena (data, smena);
CREATE INDEX smena_w_id_data_idx ON accounts_dep.smena (w_id, data);

-- Monthly timesheet rows, one cell per day. Production rows: (w_id, smena, month, year).
-- Auxiliary rows: (w_id, i_type, month, year, id_nom, i_night), written without smena and
-- production rows written without i_type, hence the two zero defaults.
CREATE SEQUENCE accounts_dep.h_dizuv_id_seq;
CREATE TABLE accounts_dep.h_dizuv (
  id       integer   NOT NULL DEFAULT nextval('accounts_dep.h_dizuv_id_seq') PRIMARY KEY,
  w_id     integer,
  smena    smallint  NOT NULL DEFAULT 0,        -- 1..4 production shift, 0 auxiliary row
  month    smallint,
  year     smallint,
  d1  smallint, d2  smallint, d3  smallint, d4  smallint, d5  smallint, d6  smallint,
  d7  smallint, d8  smallint, d9  smallint, d10 smallint, d11 smallint, d12 smallint,
  d13 smallint, d14 smallint, d15 smallint, d16 smallint, d17 smallint, d18 smallint,
  d19 smallint, d20 smallint, d21 smallint, d22 smallint, d23 smallint, d24 smallint,
  d25 smallint, d26 smallint, d27 smallint, d28 smallint, d29 smallint, d30 smallint,
  d31 smallint,
  i_type   integer   NOT NULL DEFAULT 0,        -- 0 production, 7777 auxiliary, 7778 average rate
  i_night  integer,                             -- 0 day, 1 night (auxiliary rows)
  id_nom   t_id                                 -- nomenclature group (auxiliary rows)
);
ALTER SEQUENCE accounts_dep.h_dizuv_id_seq OWNED BY accounts_dep.h_dizuv.id;
CREATE INDEX h_dizuv_year_month_idx ON accounts_dep.h_dizuv (year, month);

-- Hours of auxiliary works (id_o 7777) and hours paid at the average piece rate (7778).
CREATE SEQUENCE accounts_dep.fatigue_id_seq;
CREATE TABLE accounts_dep.fatigue (
  id         integer        NOT NULL DEFAULT nextval('accounts_dep.fatigue_id_seq') PRIMARY KEY,
  id_nom     t_id,                              -- nomenclature group
  id_o       t_id,                              -- 7777 or 7778
  id_p       t_id,                              -- worker
  d_date     date,
  i_mnth     integer,
  i_year     integer,
  i_smena    integer,
  cnt        integer,                           -- hours
  price      numeric(15,4),                     -- price of one hour
  i_holiday  integer        DEFAULT 0,          -- 1 = work on a holiday
  i_night    integer        DEFAULT 0           -- 1 = night work
);
ALTER SEQUENCE accounts_dep.fatigue_id_seq OWNED BY accounts_dep.fatigue.id;
CREATE INDEX fatigue_d_date_idx ON accounts_dep.fatigue (d_date);
-- A worker's hours of a period (the monthly timesheets' sums per worker and kind).
CREATE INDEX fatigue_id_p_d_date_idx ON accounts_dep.fatigue (id_p, d_date);

-- Helper workers of one record while the record card is open.
CREATE SEQUENCE accounts_dep.person_temp_id_seq;
CREATE TABLE accounts_dep.person_temp (
  id         integer   NOT NULL DEFAULT nextval('accounts_dep.person_temp_id_seq') PRIMARY KEY,
  id_smena   integer,                           -- the record (the card's key)
  id_person  integer,                           -- helper worker
  f_count    numeric,                           -- rate per hour
  f_time     numeric                            -- hours
);
ALTER SEQUENCE accounts_dep.person_temp_id_seq OWNED BY accounts_dep.person_temp.id;

-- Operation kinds; 7777 auxiliary works, 7778 average piece rate, 7779 helper additional pay.
CREATE SEQUENCE accounts_dep.vid_oper_id_seq START 7780;
CREATE TABLE accounts_dep.vid_oper (
  id   integer      NOT NULL DEFAULT nextval('accounts_dep.vid_oper_id_seq') PRIMARY KEY,
  vid  varchar(50)
);
ALTER SEQUENCE accounts_dep.vid_oper_id_seq OWNED BY accounts_dep.vid_oper.id;

-- Operations: one per product, kind and product state.
CREATE SEQUENCE accounts_dep.oper_id_seq START 7780;
CREATE TABLE accounts_dep.oper (
  id        integer           NOT NULL DEFAULT nextval('accounts_dep.oper_id_seq') PRIMARY KEY,
  vid       integer,                            -- operation kind
  naimen    smallint,                           -- 0 finished product, otherwise blank
  i_id      integer,                            -- product
  cena_new  numeric,                            -- price-list price (0 when created)
  cena      double precision                    -- price of the older data (legacy import)
);
ALTER SEQUENCE accounts_dep.oper_id_seq OWNED BY accounts_dep.oper.id;

-- Norms and piece prices of an operation; the operation's price is the lowest norm price.
CREATE SEQUENCE accounts_dep.norm_id_seq;
CREATE TABLE accounts_dep.norm (
  id     integer           NOT NULL DEFAULT nextval('accounts_dep.norm_id_seq') PRIMARY KEY,
  o_id   integer,                               -- operation
  norma  integer,                               -- quantity norm, pieces
  prize  integer,                               -- bonus, per cent
  price  double precision                       -- price of one piece
);
ALTER SEQUENCE accounts_dep.norm_id_seq OWNED BY accounts_dep.norm.id;
CREATE INDEX norm_o_id_idx ON accounts_dep.norm (o_id);

-- Build stamp: one row with the newest client build that ran here and the decimal separator
-- of numbers in SQL text. An empty table is valid: the first client check inserts the row.
CREATE TABLE accounts_dep.ver (
  d      integer,                               -- build date, yyyymmdd
  t      integer,                               -- build time, seconds since midnight
  delim  varchar(255)                           -- decimal separator
);

-- Tables of the older data, written only by the legacy import.
CREATE SEQUENCE accounts_dep.workers_id_seq;
CREATE TABLE accounts_dep.workers (
  id    integer       NOT NULL DEFAULT nextval('accounts_dep.workers_id_seq') PRIMARY KEY,
  fio   varchar(128),
  addr  varchar(128)
);
ALTER SEQUENCE accounts_dep.workers_id_seq OWNED BY accounts_dep.workers.id;

CREATE SEQUENCE accounts_dep.nomenkl_id_seq;
CREATE TABLE accounts_dep.nomenkl (
  id     integer       NOT NULL DEFAULT nextval('accounts_dep.nomenkl_id_seq') PRIMARY KEY,
  nom    varchar(512),
  marka  varchar(128)
);
ALTER SEQUENCE accounts_dep.nomenkl_id_seq OWNED BY accounts_dep.nomenkl.id;

------------------------------------------------------------------------------------------------
-- Views
------------------------------------------------------------------------------------------------

-- Products as the client reads them: each goods row with its mark and its nomenclature group.
-- (No column may be named like a person column: the reports join it with cmn_contractor.person
-- and name s_caption and s_code unqualified.)
CREATE VIEW accounts_dep.izdel AS
SELECT g.id,
       g.s_caption     AS marka,
       i.s_caption     AS nom,
       g.massa,
       g.id_class_item,
       g.id_class_item AS id_nom
  FROM cmn_gds_and_srv.gds_and_srv g
  LEFT JOIN cmn_classifier.item i ON i.id = g.id_class_item;

-- Pay per nomenclature group, worker and day from auxiliary hours.
CREATE VIEW accounts_dep.v_nom_f AS
SELECT f.id_nom,
       f.id_p,
       sum(f.cnt * f.price)::numeric(15,2) AS f_sum,
       f.d_date
  FROM accounts_dep.fatigue f
 GROUP BY f.id_nom, f.id_p, f.d_date;

-- Pay per nomenclature group, worker and day from production records (the group is the
-- product's); helper additional-pay rows count with the record's product.
CREATE VIEW accounts_dep.v_nom_s AS
SELECT g.id_class_item AS id_nom,
       s.w_id AS id_p,
       sum((s.kol_vo - s.brak) * s.cena)::numeric(15,2) AS f_sum,
       s.data AS d_date
  FROM accounts_dep.smena s
  JOIN cmn_gds_and_srv.gds_and_srv g ON g.id = s.i_id
 GROUP BY g.id_class_item, s.w_id, s.data;

------------------------------------------------------------------------------------------------
-- Workers and master persons in step
------------------------------------------------------------------------------------------------

-- The worker card writes accounts_dep.person only; the day lists and timesheets read names from
-- cmn_contractor.person. A new or renamed worker is written through to the master row of the
-- same id (code = id). Deleting a worker leaves the master row: production records keep their
-- names.
CREATE FUNCTION accounts_dep.person_to_master() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO cmn_contractor.person AS p (id, s_caption, s_code)
       VALUES (NEW.id, NEW.fio, NEW.id::text)
  ON CONFLICT (id) DO UPDATE SET s_caption = EXCLUDED.s_caption;
  RETURN NEW;
END
$$;

CREATE TRIGGER person_to_master
  AFTER INSERT OR UPDATE OF id, fio ON accounts_dep.person
  FOR EACH ROW EXECUTE FUNCTION accounts_dep.person_to_master();
