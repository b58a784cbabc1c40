#!/bin/bash
# CPU time of vell-calendar's ticks and its job latency on a store of 20
# calendars and 10 000 events: bench/calendar/run.sh [BUILD_DIR]
set -euo pipefail
build=${1:-$(cd "$(dirname "$0")/../.." && pwd)/build}
cmake --build "$build" --target calendar_bench vell-calendar >/dev/null
"$build/bench/calendar/calendar_bench" "$build/bin"
