#!/usr/bin/env bash
# Checks Tavlo's .deb as a distribution would, then runs the program installed from it:
#   - lintian finds no error (its warnings are shown);
#   - the desktop entry and the AppStream metadata validate, and name the same id and icon;
#   - the package holds the programs, the skin, the launcher entry, the icon at every theme
#     size, the metadata, the man page and the Debian documents; nothing outside /usr, no
#     setuid or setgid file, no polkit file but the helper's own action (only with the helper),
#     no RPATH;
#   - unpacked into a temporary root, its tavlo prints the package's version, starts on the
#     simulated system from an unrelated current folder, finds its skin in ../share/tavlo,
#     paints its first frame (TAVLO_STATE_DUMP says ready=1) and ends with status 0 on SIGTERM.
#
# Usage: check-package.sh DEB
#        check-package.sh --build BUILD_DIR   packs the build tree with cpack first (into a
#                                             temporary folder; the build tree is left alone)
# Exit status: 0 every check passed; 1 a check failed; 2 usage; 77 a needed tool is missing.
set -euo pipefail

app_id=io.github.tavlo.Tavlo
icon_sizes=(16 22 24 32 48 64 128 256)
start_seconds=30
stop_seconds=15

usage() {
  echo "usage: check-package.sh DEB | --build BUILD_DIR" >&2
  exit 2
}

build_dir=
deb=
case "${1:-}" in
  --build) [ $# -eq 2 ] || usage; build_dir=$(cd "$2" && pwd) ;;
  ''|-*) usage ;;
  *) [ $# -eq 1 ] || usage; deb=$(realpath "$1") ;;
esac

needed=(dpkg-deb lintian desktop-file-validate appstreamcli readelf)
[ -n "$build_dir" ] && needed+=(cpack dpkg-shlibdeps)
for tool in "${needed[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    echo "check-package: skipped: $tool is missing (tools/setup-debian.sh installs it)"
    exit 77
  fi
done

tmp=$(mktemp -d)
tavlo_pid=
cleanup() {
  [ -n "$tavlo_pid" ] && kill -KILL "$tavlo_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

failures=0
fail() {
  echo "check-package: FAIL: $*"
  failures=$((failures + 1))
}

if [ -n "$build_dir" ]; then
  if ! cpack --config "$build_dir/CPackConfig.cmake" -B "$tmp/pack" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "check-package: FAIL: cpack could not build the package"
    exit 1
  fi
  debs=("$tmp"/pack/*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "check-package: FAIL: cpack made ${debs[*]}"; exit 1; }
  deb=${debs[0]}
fi
[ -f "$deb" ] || { echo "check-package: FAIL: no package at $deb"; exit 1; }
version=$(dpkg-deb -f "$deb" Version)
echo "check-package: $(basename "$deb") (version $version)"

# The name dpkg-buildpackage would give it: package_version_architecture.deb.
expected_name="$(dpkg-deb -f "$deb" Package)_${version}_$(dpkg-deb -f "$deb" Architecture).deb"
[ "$(basename "$deb")" = "$expected_name" ] || fail "the file is not named $expected_name"

# lintian ends non-zero on errors (or when it cannot run); warnings are shown, not failed.
lintian_status=0
lintian --fail-on error "$deb" >"$tmp/lintian.log" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$tmp/lintian.log" || true
[ $lintian_status -eq 0 ] && ! grep -q '^E: ' "$tmp/lintian.log" ||
  fail "lintian reports errors (status $lintian_status)"

# What the package holds, from its own listing.
dpkg-deb -c "$deb" >"$tmp/listing"
paths=$(awk '{print $NF}' "$tmp/listing" | sed 's|^\./|/|')
expect=(
  /usr/bin/tavlo /usr/bin/tavlo-config /usr/bin/tavlo-sim
  /usr/share/tavlo/skin.zip
  "/usr/share/applications/$app_id.desktop"
  "/usr/share/metainfo/$app_id.metainfo.xml"
  /usr/share/doc/tavlo/copyright /usr/share/doc/tavlo/changelog.gz
  /usr/share/man/man1/tavlo.1.gz
)
for size in "${icon_sizes[@]}"; do
  expect+=("/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for path in "${expect[@]}"; do
  grep -qxF "$path" <<<"$paths" || fail "the package lacks $path"
done
if outside=$(grep -v -e '^/$' -e '^/usr/' <<<"$paths"); then
  fail "files outside /usr: $outside"
fi
# The permission column: an s or S where an x goes is a setuid or setgid bit.
if setid=$(awk '$1 ~ /^.(..[sS]|.....[sS])/' "$tmp/listing" | grep .); then
  fail "setuid or setgid files: $setid"
fi
# Root only through the helper and its own polkit action: with the helper, exactly that policy,
# naming the helper's installed path; without it, no polkit file at all. Never a rules file.
helper=/usr/libexec/tavlo/tavlo-helper
policy="/usr/share/polkit-1/actions/$app_id.helper.policy"
polkit_files=$(grep -e '/polkit-1/.*[^/]$' <<<"$paths" || true)
if grep -qxF "$helper" <<<"$paths"; then
  [ "$polkit_files" = "$policy" ] ||
    fail "polkit files other than exactly $policy: ${polkit_files:-none}"
  grep -qE "^-rwxr-xr-x root/root .* \./usr/libexec/tavlo/tavlo-helper$" "$tmp/listing" ||
    fail "the helper is not an ordinary root-owned 0755 program: $(grep tavlo-helper "$tmp/listing")"
elif [ -n "$polkit_files" ]; then
  fail "a polkit policy or rule without the helper: $polkit_files"
fi

root=$tmp/root
mkdir -p "$root"
dpkg-deb -x "$deb" "$root"
for program in tavlo tavlo-config tavlo-sim; do
  if readelf -d "$root/usr/bin/$program" | grep -q -e '(RPATH)' -e '(RUNPATH)'; then
    fail "$program has a library search path: $(readelf -d "$root/usr/bin/$program" | grep PATH)"
  fi
done

if [ -f "$root$policy" ]; then
  grep -qF "<annotate key=\"org.freedesktop.policykit.exec.path\">$helper</annotate>" "$root$policy" ||
    fail "the polkit action does not name $helper"
fi

desktop=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $app_id.desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $app_id.metainfo.xml"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the installed tree"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the icon $app_id"
grep -qx "Exec=tavlo" "$desktop" || fail "the desktop entry does not start tavlo"
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metadata does not launch $app_id.desktop"
grep -qF "<release version=\"$version\"" "$metainfo" ||
  fail "the metadata has no release $version"
[ "$(zcat "$root/usr/share/doc/tavlo/changelog.gz" | head -1 | sed 's/^tavlo (\([^)]*\)).*/\1/')" = "$version" ] ||
  fail "the changelog's newest entry is not $version"

tavlo=$root/usr/bin/tavlo
[ "$("$tavlo" --version)" = "tavlo $version" ] ||
  fail "tavlo --version prints '$("$tavlo" --version)', not 'tavlo $version'"

# The installed program on the simulated system, in folders of its own, started from a
# folder that holds nothing of it.
mkdir -p "$tmp/run" "$tmp/cwd" && chmod 700 "$tmp/run"
state=$tmp/state
(
  cd "$tmp/cwd"
  exec env -u DBUS_SESSION_BUS_ADDRESS -u TAVLO_CONFIG_FILE -u TAVLO_WEB_HOST \
    QT_QPA_PLATFORM=offscreen TAVLO_BACKEND=sim TAVLO_SIM_DIR="$tmp/sim" \
    XDG_RUNTIME_DIR="$tmp/run" XDG_CONFIG_HOME="$tmp/config" XDG_STATE_HOME="$tmp/xdg-state" \
    XDG_CONFIG_DIRS="$tmp/xdg" TAVLO_STATE_DUMP="$state" "$tavlo"
) >"$tmp/tavlo.log" 2>&1 &
tavlo_pid=$!
deadline=$((SECONDS + start_seconds))
until grep -qx 'ready=1' "$state" 2>/dev/null; do
  if ! kill -0 "$tavlo_pid" 2>/dev/null; then
    fail "the installed tavlo ended before it was ready"
    break
  fi
  if [ $SECONDS -ge $deadline ]; then
    fail "the installed tavlo was not ready within ${start_seconds}s"
    break
  fi
  sleep 0.1
done
if kill -0 "$tavlo_pid" 2>/dev/null; then
  kill -TERM "$tavlo_pid"
  deadline=$((SECONDS + stop_seconds))
  while kill -0 "$tavlo_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
fi
if kill -0 "$tavlo_pid" 2>/dev/null; then
  fail "the installed tavlo did not end within ${stop_seconds}s of SIGTERM"
else
  status=0
  wait "$tavlo_pid" || status=$?
  [ $status -eq 0 ] || fail "the installed tavlo ended with status $status"
fi
tavlo_pid=
if [ $failures -gt 0 ]; then
  echo "--- tavlo's output:"
  cat "$tmp/tavlo.log"
  echo "--- what its window showed:"
  cat "$state" 2>/dev/null || echo "(nothing)"
  echo "check-package: $failures check(s) failed"
  exit 1
fi
echo "check-package: all checks passed"
