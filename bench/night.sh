#!/usr/bin/env bash
# The whole-night run (NIGHT_HOURS, default 12) on the virtual clock: no silence over 50 ms, memory
# and open files as at the first hour. Usage: bench/night.sh [BUILD]
set -euo pipefail
exec "${1:-build}/bench/vantrel-night" "${NIGHT_HOURS:-12}"
