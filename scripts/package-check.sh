#!/usr/bin/env bash
# Builds the Debian package from a RelWithDebInfo build, installs it the way an operator
# would (apt-get install ./quillet_*.deb), checks what it put where, runs the installed
# programs (the command line reader against the installed simulator, the window on a
# virtual X server with a throw-away home), then removes the package and checks that
# nothing of it is left. Installing needs root; as another user it asks sudo, like
# scripts/setup.sh. Exits non-zero on the first fault.
#
#     bash scripts/package-check.sh [BUILD-FOLDER]     (default build/plain)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=${1:-build/plain}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# What the package must hold, and nothing else.
icon_sizes=(16 24 32 48 64 128 256)
expected=(/usr/bin/quillet /usr/bin/quillet-cli /usr/bin/quillet-sim
          /usr/share/applications/quillet.desktop /usr/share/mime/packages/quillet.xml)
for size in "${icon_sizes[@]}"; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/quillet.png")
done
# The data file types and the page that registers each per user when it is built
# (its index in the window's tabs).
declare -A type_page=([ind]=7 [trf]=10 [plt]=11 [day]=13 [log]=15)

fail() {
    echo "package-check: FAILED: $*" >&2
    exit 1
}
ok() {
    echo "package-check: ok: $*"
}

package_status() {
    dpkg-query -W -f='${db:Status-Status}' quillet 2>/dev/null || true
}

# Taking the operator's own installation away is not ours to do.
case "$(package_status)" in
    "" | not-installed | config-files) ;;
    *) fail "the quillet package is installed on this machine; remove it first (apt-get purge quillet)" ;;
esac

work=$(mktemp -d)
# apt reads a local package file as an unprivileged user.
chmod 755 "$work"
installed=0
sim_pid=""

clean_up() {
    local status=$?
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    if [ "$installed" -eq 1 ]; then
        echo "package-check: removing the package"
        if ! $sudo apt-get purge -y -q quillet; then
            echo "package-check: FAILED: apt-get purge quillet" >&2
            status=1
        fi
    fi
    rm -rf "$work" || true
    exit "$status"
}
trap clean_up EXIT

# --- The package -----------------------------------------------------------------------

if [ -f "$build/CMakeCache.txt" ]; then
    grep -qx 'CMAKE_BUILD_TYPE:STRING=RelWithDebInfo' "$build/CMakeCache.txt" ||
        fail "$build is not a RelWithDebInfo build"
    grep -qx 'QUILLET_SANITIZE:STRING=' "$build/CMakeCache.txt" ||
        fail "$build is a sanitizer build"
    cmake "$build" >/dev/null
else
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLET_BUILD_TESTS=OFF -DQUILLET_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB -B "$work/package") || fail "cpack"
debs=("$work"/package/quillet_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack wrote no single quillet_*.deb"
deb=${debs[0]}
ok "built $(basename "$deb")"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(dpkg-deb -f "$deb" Package)" = quillet ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version-1" ] ||
    fail "version $(dpkg-deb -f "$deb" Version), the project's is $version"
depends=$(dpkg-deb -f "$deb" Depends)
depended=$(sed -E 's/ *\([^)]*\)//g; s/, */\n/g' <<<"$depends")
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    grep -qxF "$library" <<<"$depended" || fail "Depends lacks $library (dpkg-shlibdeps): $depends"
done
ok "control: quillet $version-1, Depends: $depends"

dpkg-deb -c "$deb" | awk '/^-/ { sub(/^\./, "", $6); print $6 }' | sort >"$work/contents"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
diff -u "$work/expected" "$work/contents" >&2 || fail "the package's files differ from the expected ones"
ok "the package holds exactly the ${#expected[@]} expected files"

# --- Installed -------------------------------------------------------------------------

cp "$deb" "$work/"
installed=1
$sudo apt-get install -y -q "$work/$(basename "$deb")" || fail "apt-get install"
[ "$(package_status)" = installed ] || fail "the package is not installed after apt-get"

for path in "${expected[@]}"; do
    [ -f "$path" ] || fail "$path is missing"
    [ "$(dpkg-query -S "$path" 2>/dev/null | cut -d: -f1)" = quillet ] ||
        fail "$path does not belong to the package"
done
for program in quillet quillet-cli quillet-sim; do
    [ -x "/usr/bin/$program" ] || fail "/usr/bin/$program is not executable"
    file -b "/usr/bin/$program" | grep -q 'ELF.*, stripped' || fail "/usr/bin/$program is not stripped"
done
for size in "${icon_sizes[@]}"; do
    icon="/usr/share/icons/hicolor/${size}x${size}/apps/quillet.png"
    file -b "$icon" | grep -q "^PNG image data, $size x $size," || fail "$icon is not a $size x $size PNG"
done
desktop-file-validate /usr/share/applications/quillet.desktop || fail "desktop-file-validate"
ok "every file in place; the desktop entry is valid"

# The triggers of shared-mime-info and desktop-file-utils ran.
for ext in "${!type_page[@]}"; do
    [ -f "/usr/share/mime/application/x-quillet-$ext.xml" ] ||
        fail "the MIME database lacks application/x-quillet-$ext"
    grep -q "^application/x-quillet-$ext=\(.*;\)\?quillet.desktop;" \
        /usr/share/applications/mimeinfo.cache ||
        fail "mimeinfo.cache does not give application/x-quillet-$ext to quillet.desktop"
done
ok "the MIME database and the desktop's type cache know the five data file types"

# A throw-away home for everything the programs write.
home="$work/home"
mkdir -p "$home/.config/Halvorn" "$home/run"
chmod 700 "$home/run"
in_home() {
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/run" "$@"
}

out=$(in_home /usr/bin/quillet-cli --help) || fail "quillet-cli --help"
grep -q '^usage: quillet-cli' <<<"$out" || fail "quillet-cli --help printed no usage"
out=$(in_home /usr/bin/quillet-cli ports) || fail "quillet-cli ports"
grep -q '^port map:' <<<"$out" || fail "quillet-cli ports printed no port map"
ok "quillet-cli --help and quillet-cli ports"

# The installed reader against the installed simulator over a pseudo-terminal.
/usr/bin/quillet-sim --meters=3 >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
pty=""
for _ in $(seq 50); do
    pty=$(head -n 1 "$work/sim.out")
    [ -n "$pty" ] && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.2
done
[ -n "$pty" ] && [ -c "$pty" ] || fail "quillet-sim named no pseudo-terminal: $(cat "$work/sim.err")"
in_home timeout 60 /usr/bin/quillet-cli --port "$pty" --address 3 --format csv service \
    >"$work/cli.out" || fail "quillet-cli service over $pty: exit status $?"
tr -d '\r' <"$work/cli.out" >"$work/cli.csv"
[ "$(head -n 1 "$work/cli.csv")" = "address,key,value,failure" ] || fail "quillet-cli printed no CSV"
rows=$(tail -n +2 "$work/cli.csv" | grep -c '^3,.*,$' || true)
others=$(tail -n +2 "$work/cli.csv" | grep -vc '^3,.*,$' || true)
[ "$rows" -ge 7 ] && [ "$others" -eq 0 ] ||
    fail "quillet-cli service: $rows values of meter 3, $others other rows: $(cat "$work/cli.csv")"
kill -TERM "$sim_pid"
sim_status=0
wait "$sim_pid" || sim_status=$?
sim_pid=""
[ "$sim_status" -eq 0 ] || fail "quillet-sim ended with status $sim_status on SIGTERM"
ok "quillet-cli read $rows values from quillet-sim's meter 3 over $pty"

# The window, once on each page that has a data file: it must still be running when the
# time-out ends it, and the type it registered for the user must be the installed one.
mime_type_block() {
    awk -v start="<mime-type type=\"application/x-quillet-$2\">" \
        'index($0, start) { on = 1 } on { print } on && /<\/mime-type>/ { exit }' "$1"
}
for ext in "${!type_page[@]}"; do
    printf '[Settings]\nInitialTab=%s\n' "${type_page[$ext]}" >"$home/.config/Halvorn/Quillet.conf"
    status=0
    in_home env QT_QPA_PLATFORM=xcb xvfb-run -a timeout 4 /usr/bin/quillet || status=$?
    [ "$status" -eq 124 ] || fail "quillet on page ${type_page[$ext]} ended by itself with status $status"
    user_type="$home/.local/share/mime/packages/quillet-$ext.xml"
    [ -f "$user_type" ] || fail "quillet on page ${type_page[$ext]} registered no type for *.$ext"
    system_block=$(mime_type_block /usr/share/mime/packages/quillet.xml "$ext")
    [ -n "$system_block" ] && [ "$system_block" = "$(mime_type_block "$user_type" "$ext")" ] ||
        fail "the type quillet registers for *.$ext differs from the installed one"
done
ok "quillet ran 4 s on each data file page under Xvfb; the types it registers are the installed ones"

# --- Removed ---------------------------------------------------------------------------

installed=0
$sudo apt-get purge -y -q quillet || fail "apt-get purge quillet"
case "$(package_status)" in
    "" | not-installed) ;;
    *) fail "the package is still known to dpkg after purge: $(package_status)" ;;
esac
for path in "${expected[@]}"; do
    [ ! -e "$path" ] || fail "$path is left after purge"
done
for ext in "${!type_page[@]}"; do
    [ ! -e "/usr/share/mime/application/x-quillet-$ext.xml" ] ||
        fail "the MIME database still holds application/x-quillet-$ext"
done
! grep -q 'quillet.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "mimeinfo.cache still names quillet.desktop"
ok "purged; nothing of the package is left"
echo "package-check: passed"
