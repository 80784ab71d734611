#!/usr/bin/env bash
# scripts/check-layering against planted violations: each case copies the checked tree to
# a temporary folder, appends one line to one file and expects the check to fail naming
# that file; the untouched copy must pass.
# Usage: planted_violations.sh <source dir>
set -uo pipefail
source_dir=$(cd "${1:?source dir}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fresh_copy() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"
  cp -r "$source_dir/scripts" "$source_dir/src" "$work/tree/"
}

fresh_copy
if ! out=$("$work/tree/scripts/check-layering" 2>&1); then
  echo "FAIL: the untouched tree does not pass:"
  echo "$out"
  exit 1
fi

# file | line appended
cases=(
  'src/db/connection.cpp|#include "engine/run/run_driver.h"'
  'src/engine/soil/bat_formula.cpp|#include "engine/preparation/prep_context.h"'
  'src/engine/preparation/prep_context.cpp|#include "engine/balance/annual_balance.h"'
  'src/engine/balance/annual_balance.cpp|#include "engine/run/run_driver.h"'
  'src/engine/run/run_driver.cpp|#include "engine/session/simulation_session.h"'
  'src/cli/main.cpp|#include "gui/app/main_window.h"'
  'src/gui/app/main_window.cpp|#include "eval/calibration.h"'
  'src/cli/main.cpp|#include "engine/run/run_driver.h"'
  'src/cli/stats_command.cpp|#include "db/adapt_datamodel.h"'
  'src/gui/app/main_window.cpp|static const char* q = "SELECT a FROM t";'
  'src/cli/main.cpp|static const char* q = "SELECT a FROM t";'
  'src/gui/app/main_window.cpp|static const char* q = "DELETE * FROM t";'
  'src/cli/main.cpp|static const char* q = "delete from t";'
  'src/gui/app/main_window.cpp|static const std::string q = "SELECT " + col + " FROM " + table;'
  'src/cli/main.cpp|static const std::string q = std::string("select * ") + "from " + table;'
)

failures=0
for c in "${cases[@]}"; do
  file=${c%%|*}
  line=${c#*|}
  fresh_copy
  if [ ! -f "$work/tree/$file" ]; then
    echo "FAIL: $file is not in the tree (update the case)"
    failures=$((failures + 1))
    continue
  fi
  printf '%s\n' "$line" >>"$work/tree/$file"
  if out=$("$work/tree/scripts/check-layering" 2>&1); then
    echo "FAIL: check-layering passed with \`$line\` in $file"
    failures=$((failures + 1))
  elif ! grep -q "$file" <<<"$out"; then
    echo "FAIL: check-layering failed but did not name $file:"
    echo "$out"
    failures=$((failures + 1))
  else
    echo "ok: $file: $line"
  fi
done
exit $((failures > 0))
