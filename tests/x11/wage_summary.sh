#!/usr/bin/env bash
# Общий табель ЗП: the wage summary opens on the current month with its groups and their total
# lines, Excel writes the same sums per group and in all (compared with the two views summed by
# hand), choosing another month shows that month, and Esc closes the window. The window's pictures
# are copied as PNG into the folder X11_SHOTS names, when it is set.
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
x11_start
keep_opened_workbooks

client_start
sign_in

title="Общий табель ЗП \(30\)"
# Places in the window (client 790 × 560): the grid, Excel, the month box
GRID=(0 0 790 520) EXCEL=(60 543) MONTH=(280 543)

menu 1 5
win=$(wait_window "^$title\$" 60) || fail "no window $title"
modal_over "$win" "$X11_MAIN" "$title"
shown=$(wait_stable_pixels "$win" "${GRID[@]}") || fail "the summary shows no grid"
# the window's picture as PNG (kept when X11_SHOTS names a folder)
picture() {
  [ -n "${X11_SHOTS:-}" ] && command -v xwdtopnm >/dev/null || return 0
  xwd -silent -id "$win" 2>/dev/null | xwdtopnm 2>/dev/null | pnmtopng >"$X11_SHOTS/$1.png" 2>/dev/null || true
}
picture wage_summary

# Excel: per group its workers and total line, then the grand total, as the views give them
month=$((10#$(date +%m))) year=$(date +%Y)
from=$(date +%Y-%m-01) to=$(date -d "$(date +%Y-%m-01) +1 month" +%Y-%m-%d)
in_month="d_date >= '$from' and d_date < '$to'"
sql "select string_agg(cap || '|' || n || '|' || s || '|' || s12, E'\n' order by cap, gid) from
       (select gid, cap, count(*) n, sum(s::numeric(15,2)) s, sum((s/1.2)::numeric(15,2)) s12 from
         (select i.id gid, i.s_caption cap, p.id, sum(v.f_sum) s from
           (select id_nom, id_p, f_sum from accounts_dep.v_nom_f where $in_month
            union all select id_nom, id_p, f_sum from accounts_dep.v_nom_s where $in_month) v
           join cmn_classifier.item i on i.id = v.id_nom join accounts_dep.person p on p.id = v.id_p
          group by i.id, i.s_caption, p.id) w group by gid, cap) g" >"$X11_WORK/expected.txt"
[ -s "$X11_WORK/expected.txt" ] || fail "the demo month has no pay"
rm -f "$X11_WORK/opened.xlsx"
click "$win" "${EXCEL[@]}"
box=$(wait_window '^Microsoft Excel$' 60) || fail "nobody was told where the workbook is"
modal_over "$box" "$win" "the workbook message"
key Return
wait_gone "$box" || fail "the workbook message stayed"
wait_for 10 test -s "$X11_WORK/opened.xlsx" || fail "no workbook was handed to the desktop"
"$(command -v /usr/bin/python3 || command -v python3)" - "$X11_WORK/opened.xlsx" "$X11_WORK/expected.txt" "$month" "$year" <<'PY' || fail "the workbook does not hold the month's sums"
import sys, openpyxl
months = ["Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август", "Сентябрь", "Октябрь",
          "Ноябрь", "Декабрь"]
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
cell = lambda r, c: ws.cell(row=r, column=c).value
assert cell(1, 1) == f"{months[int(sys.argv[3]) - 1]} {sys.argv[4]}", cell(1, 1)
assert [cell(2, c) for c in range(1, 5)] == ["Общая ЗП", "Фамилия И.О.", "Сумма (р.)", "Сумма без РК (р.)"]
groups, grand = [], None
r, workers = 3, 0
while r <= ws.max_row:
    a, b = cell(r, 1), cell(r, 2)
    if a == "ИТОГО:":
        grand = (cell(r, 3), cell(r, 4))
    elif a is not None:
        caption, workers = a, 0
    elif b == "ИТОГО:":
        groups.append((caption, workers, cell(r, 3), cell(r, 4)))
    else:
        workers += 1
    r += 1
expected = [l.split("|") for l in open(sys.argv[2], encoding="utf-8").read().splitlines() if l]
assert len(groups) == len(expected), (groups, expected)
for got, want in zip(groups, expected):
    assert got[0] == want[0] and got[1] == int(want[1]), (got, want)
    assert abs(got[2] - float(want[2])) < 0.005 and abs(got[3] - float(want[3])) < 0.005, (got, want)
assert abs(grand[0] - sum(float(w[2]) for w in expected)) < 0.005, grand
assert abs(grand[1] - sum(float(w[3]) for w in expected)) < 0.005, grand
PY
wait_active "$win" || fail "the window did not get the activation back after Excel"

# another month chosen in the month box: the grid shows it
if [ "$month" -gt 1 ]; then
  click "$win" "${MONTH[@]}"
  sleep 0.5
  key Up Return
  wait_pixels_change "$win" "$shown" "${GRID[@]}" >/dev/null || fail "choosing the month before did not show it"
  wait_stable_pixels "$win" "${GRID[@]}" >/dev/null
  picture wage_summary_month_before
fi

key Escape
wait_gone "$win" 30 || fail "$title did not close with Escape"
wait_active "$X11_MAIN" || fail "the main window did not get the activation back from $title"
only_windows "Табель"
echo "wage_summary: passed"
