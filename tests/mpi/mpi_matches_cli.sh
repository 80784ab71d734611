#!/usr/bin/env bash
# veltrano-mpi on 1, 2 and 3 ranks writes the rows veltrano-cli writes with the same
# options (run, calibrate, uncertainty on the demo database), and a rank killed during an
# uncertainty job ends it with a non-zero code and leaves its tables as they were.
#   tests/mpi/mpi_matches_cli.sh BUILD_DIR [RANKS...]
set -uo pipefail
build=$(cd "$1" && pwd)
shift
ranks=("$@")
[ ${#ranks[@]} -gt 0 ] || ranks=(2)
cli=$build/veltrano-cli
mpi=$build/veltrano-mpi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# CI runs as root on two cores: allowed here only, not for the machine.
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
mpirun_n() { local n=$1; shift; mpirun -np "$n" --oversubscribe --allow-run-as-root "$@"; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Every row of the tables, numbers written exactly (quote() round-trips doubles).
dump() {
    local db=$1; shift
    for t in "$@"; do
        echo "== $t"
        sqlite3 "$db" "SELECT * FROM pragma_table_info('$t')" >/dev/null || return 1
        local cols
        cols=$(sqlite3 "$db" "SELECT group_concat('quote(' || quote(name) || ')', '||'',''||') FROM pragma_table_info('$t') WHERE name<>'run_time'")
        # quote(name) gives 'name': turned into an identifier in brackets.
        cols=$(sed -E "s/quote\('([^']*)'\)/quote([\1])/g" <<<"$cols")
        sqlite3 "$db" "SELECT $cols FROM [$t] ORDER BY rowid"
    done
}

"$cli" create --demo demo.db >/dev/null || { echo "cannot create the demo database"; exit 1; }

# command | tables it writes | its arguments
cases=(
    "run|rux_nresult rux_zbv sim_result som_state fom_state|GO nw"
    "calibrate|rux_calibration rux_calibration_fit|--experiment 1 --param K_AKT=0.0001:0.001 --param K_STAB=0.0003:0.003 --jobs 1"
    # More samples than 1,024: a count is not a length in bytes.
    "uncertainty|rux_uncertainty rux_sensitivity|--plots 101,201 --samples 1100 --seed 2 --param K_AKT=normal(0.00032,0.00003) --jobs 1"
    "uncertainty|rux_uncertainty rux_sensitivity|--samples 300 --seed 11 --param K_AKT=normal(0.00032,0.00003) --param F_CREP=uniform(0.8,1.2) --jobs 1"
)
for c in "${cases[@]}"; do
    IFS='|' read -r cmd tables args <<<"$c"
    read -r -a argv <<<"$args"
    cp demo.db cli.db
    if [ "$cmd" = run ]; then
        "$cli" run --db cli.db "${argv[@]}" >cli.out 2>&1 || { fail "veltrano-cli $cmd: $(tail -3 cli.out)"; continue; }
    else
        "$cli" "$cmd" --db cli.db "${argv[@]}" >cli.out 2>&1 || { fail "veltrano-cli $cmd: $(tail -3 cli.out)"; continue; }
    fi
    read -r -a tabs <<<"$tables"
    dump cli.db "${tabs[@]}" >cli.rows
    [ "$(wc -l <cli.rows)" -gt $((${#tabs[@]} * 2)) ] || fail "$cmd wrote too few rows with veltrano-cli"
    for n in "${ranks[@]}"; do
        cp demo.db mpi.db
        if ! mpirun_n "$n" "$mpi" "$cmd" --db mpi.db "${argv[@]}" >mpi.out 2>&1; then
            fail "veltrano-mpi $cmd on $n ranks: $(tail -5 mpi.out)"
            continue
        fi
        dump mpi.db "${tabs[@]}" >mpi.rows
        if ! cmp -s cli.rows mpi.rows; then
            fail "veltrano-mpi $cmd on $n ranks wrote other rows than veltrano-cli:"
            diff cli.rows mpi.rows | head -5
        fi
    done
done

# A rank killed while it samples: non-zero exit, the uncertainty tables as they were.
cp demo.db kill.db
"$cli" uncertainty --db kill.db --samples 20 --seed 3 --param "K_AKT=normal(0.00032,0.00003)" >/dev/null 2>&1 ||
    fail "the first uncertainty job failed"
dump kill.db rux_uncertainty rux_sensitivity >before.rows
mpirun_n 2 "$mpi" uncertainty --db kill.db --samples 20000 --seed 4 --param "K_AKT=normal(0.00032,0.00003)" \
    --jobs 1 >kill.out 2>&1 &
job=$!
victim=""
for _ in $(seq 1 200); do
    for pid in $(pgrep -f "$mpi uncertainty --db kill.db" || true); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx 'OMPI_COMM_WORLD_RANK=1'; then victim=$pid; fi
    done
    # Killed once it works: after rank 0 has prepared the plots and handed them over.
    if [ -n "$victim" ] && grep -q "preparing" kill.out 2>/dev/null; then break; fi
    sleep 0.05
done
if [ -z "$victim" ]; then
    fail "rank 1 of the uncertainty job was not found"
else
    sleep 1
    kill -9 "$victim"
fi
wait "$job"
code=$?
[ "$code" -ne 0 ] || fail "a killed rank left the exit code 0"
grep -q "rank 1" kill.out || fail "the message does not name rank 1: $(tail -3 kill.out)"
dump kill.db rux_uncertainty rux_sensitivity >after.rows
cmp -s before.rows after.rows || fail "a killed rank changed the uncertainty tables"

[ $failures -eq 0 ] && echo "veltrano-mpi writes what veltrano-cli writes on ${ranks[*]} ranks; a killed rank writes nothing"
exit $((failures > 0))
