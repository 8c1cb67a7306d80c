#!/usr/bin/env bash
# Builds the Debian package from this build tree with CPack and checks it: its files, its
# metadata, and lintian's verdict (no errors). Exits 77 (skipped) only when lintian is missing.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb="$(ls "$work"/*.deb)"
[ -f "$deb" ] || fail "no package built"

contents="$(dpkg-deb --contents "$deb")"
for path in ./usr/bin/kov-config ./usr/bin/kovctl ./usr/bin/kov-device-sim \
            ./usr/share/applications/com.dovrane.KovConfig.desktop \
            ./usr/share/icons/hicolor/scalable/apps/com.dovrane.KovConfig.svg \
            ./lib/udev/rules.d/70-kov-device.rules ./usr/share/man/man1/kovctl.1.gz \
            ./usr/share/doc/kov-config/copyright ./usr/share/doc/kov-config/changelog.Debian.gz; do
  grep -q " $path\$" <<<"$contents" || fail "$path is not in the package"
done
if grep -E ' \./usr/(include|lib/cmake|share/kov)|test_|bench_' <<<"$contents"; then
  fail "the package carries build or test files"
fi
grep -E "^-rwxr-xr-x root/root .* \./usr/bin/kovctl$" <<<"$contents" >/dev/null || fail "kovctl is not an executable owned by root"

info="$(dpkg-deb --info "$deb")"
for field in "Package: kov-config" "Version: 7.0.0" "Architecture: $(dpkg --print-architecture)" \
             "Maintainer: Dovrane <support@dovrane.com>" "Section: utils"; do
  grep -q "^ $field\$" <<<"$info" || fail "the control file lacks \"$field\""
done
# Dependencies computed from the binaries: the libraries they link.
depends="$(sed -n 's/^ Depends: //p' <<<"$info")"
for lib in libc6 libusb-1.0-0 libqt6widgets6 libcurl4 zlib1g; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
rule="$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./lib/udev/rules.d/70-kov-device.rules)"
grep -q 'ATTR{idVendor}=="8392", ATTR{idProduct}=="8789", TAG+="uaccess"' <<<"$rule" || fail "the udev rule: $rule"

if ! command -v lintian >/dev/null; then
  echo "lintian is not installed: its check is skipped"
  exit 77
fi
lintian --fail-on error --no-tag-display-limit "$deb" | tee "$work/lintian.log" || fail "lintian reports errors"
echo "package $(basename "$deb") checked"
