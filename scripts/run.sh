#!/usr/bin/env bash
# Builds Quillet and starts it against the embedded simulator: an isolated settings file
# maps COM2 (the default port) to the simulated line, so F5 on a page reaches a meter.
# The operator's own settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/plain -j "$(nproc)" --target quillet

demo="$PWD/build/demo"
mkdir -p "$demo/config/Halvorn" "$demo/data"
settings="$demo/config/Halvorn/Quillet.conf"
if [ ! -f "$settings" ]; then
    printf '[Ports]\nCOM2=sim\n' > "$settings"
    chmod 600 "$settings"
fi
export XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running on a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a build/plain/app/quillet
fi
exec build/plain/app/quillet
