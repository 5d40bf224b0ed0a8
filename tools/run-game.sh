#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the game.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
exec build/bin/korivanta "$@"
