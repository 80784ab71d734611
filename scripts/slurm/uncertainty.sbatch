#!/bin/bash
# A national uncertainty ensemble with veltrano-mpi under Slurm:
#   sbatch --export=ALL,DB=/project/soc/national.db scripts/slurm/uncertainty.sbatch
# Rank 0 alone reads and writes the database: it is copied to the node-local disk of the
# first node, worked on there and copied back when the job has finished. The other ranks
# receive their plots from rank 0 and never open it. See docs/cluster.md.
#SBATCH --job-name=veltrano-uncertainty
#SBATCH --nodes=4
#SBATCH --ntasks-per-node=64
#SBATCH --cpus-per-task=1
#SBATCH --mem-per-cpu=1G
#SBATCH --time=08:00:00
#SBATCH --output=veltrano-uncertainty-%j.log

set -euo pipefail
: "${DB:?give the database with --export=ALL,DB=/path/to/national.db}"
SAMPLES=${SAMPLES:-1000}
SEED=${SEED:-42}
VELTRANO_MPI=${VELTRANO_MPI:-$HOME/veltrano/build/veltrano-mpi}
# Node-local scratch of the first node (the batch script runs there, and so does rank 0).
WORK=${SLURM_TMPDIR:-${TMPDIR:-/tmp}}/veltrano-$SLURM_JOB_ID
mkdir -p "$WORK"
cp "$DB" "$WORK/run.db"
cd "$WORK"

# The parameters and their distributions of the ensemble.
PARAMS=(--param "K_AKT=normal(0.00032,0.00004)"
        --param "K_STAB=normal(0.00113,0.00011)"
        --param "F_CREP=uniform(0.85,1.15)")

# One rank per core, one thread each; rank 0 is the first task on the first node.
srun --mpi=pmix --cpu-bind=cores "$VELTRANO_MPI" uncertainty --db "$WORK/run.db" \
    --samples "$SAMPLES" --seed "$SEED" --jobs 1 "${PARAMS[@]}"

# Only a finished job gets here (set -e): its bands go back beside the original, which
# stays as it was; the copy holds the original's data and the new rux_uncertainty and
# rux_sensitivity.
cp "$WORK/run.db" "${DB%.db}.uncertainty-$SLURM_JOB_ID.db"
sqlite3 "$WORK/run.db" ".mode csv" ".headers on" "SELECT * FROM rux_uncertainty ORDER BY fl_id, [year], m_ix" \
    > "$(dirname "$DB")/rux_uncertainty-$SLURM_JOB_ID.csv" || true
rm -rf "$WORK"
