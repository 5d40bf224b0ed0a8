#!/usr/bin/env bash
# Runs bench_startup_mapped as a learner's desktop would meet the program: on
# an X server of its own (Xvfb, no other client mapping windows), with a
# session bus (every desktop session has one; without it each Qt program that
# reports to the accessibility bridge would start "dbus-launch" first), and
# with a sound server to connect to (a PulseAudio null sink, silent). Set
# BENCH_NO_SOUND_SERVER=1 or BENCH_NO_SESSION_BUS=1 to measure without one.
#
# usage: bench_startup_mapped.sh [runs per program] [ms each window stays up]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [[ ${BENCH_STARTUP_INSIDE:-} != 1 ]]; then
    export BENCH_STARTUP_INSIDE=1
    exec xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" "$@"
fi

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
pulse_pid=""
bus_pid=""
cleanup() {
    [[ -n $pulse_pid ]] && kill "$pulse_pid" 2>/dev/null && wait "$pulse_pid" 2>/dev/null
    [[ -n $bus_pid ]] && kill "$bus_pid" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT

if [[ ${BENCH_NO_SESSION_BUS:-} != 1 ]] && command -v dbus-daemon >/dev/null; then
    bus_info=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus_info")
    bus_pid=$(sed -n 2p <<<"$bus_info")
    echo "session bus: $DBUS_SESSION_BUS_ADDRESS"
fi

if [[ ${BENCH_NO_SOUND_SERVER:-} != 1 ]] && command -v pulseaudio >/dev/null; then
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        -L module-null-sink -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/pulse" \
        >/dev/null 2>&1 &
    pulse_pid=$!
    for _ in $(seq 100); do
        [[ -S $runtime/pulse ]] && break
        sleep 0.05
    done
    export PULSE_SERVER=unix:$runtime/pulse
    echo "sound server: PulseAudio null sink"
else
    echo "sound server: none"
fi

"$here/bench_startup_mapped" "$@"
