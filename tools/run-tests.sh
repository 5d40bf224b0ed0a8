#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
ctest --test-dir build --output-on-failure --timeout 900
