-- Brings a database made by an older db/schema.sql up to the current one, keeping its rows. Safe
-- to run again (every step checks what is there):
--   psql -v ON_ERROR_STOP=1 -d <database> -f db/upgrade.sql
-- A database made by the current db/schema.sql needs none of it. Each step names what it adds.

-- A worker's hours of a period (the monthly timesheets' sums per worker and kind).
CREATE INDEX IF NOT EXISTS fatigue_id_p_d_date_idx ON accounts_dep.fatigue (id_p, d_date);
