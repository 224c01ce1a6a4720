#!/bin/sh
# The kill campaign at full size: jobs over a few thousand entries killed at
# seeded points and undone, on the temporary folder's file system and on
# NTFS (ntfs-3g) and exFAT (exfat-fuse) loop volumes where they mount (root).
# Prints one line per file system: runs, runs killed part-way, entries
# compared, entries exact, runs exact. Usage: bench/kill_campaign.sh [BUILD]
# [RUNS]; RUNS (default 120) is per file system for the native one, a third
# of it for each loop volume.
set -eu
build=${1:-build}
runs=${2:-120}
TORVANE_KILL_RUNS=$runs nice "$build/tests/history/history_tests" \
    --gtest_filter='KillCampaign.*' | grep -E '^(native|ntfs-3g|exfat-fuse)|skipped|OK|FAILED'
