#!/usr/bin/env bash
# Installs the Debian package on a fresh Debian 12 root and uses it there:
#   scripts/package-test.sh [PACKAGE.deb]     (default: the newest build-package/brinewick_*.deb)
# Run as root, after scripts/package.sh. It makes a minimal Debian 12 with debootstrap
# (from deb.debian.org, or $BW_DEBIAN_MIRROR), installs the package with apt (which
# brings only its dependencies), runs --version from the PATH, then --dump, --plot and
# --csv on the sample profile, removes the package with apt, and checks that none of
# its files is left. The root is deleted at the end; BW_KEEP_ROOT=1 keeps it.
# Not part of CI: it downloads about 150 MB and takes some minutes.
set -euo pipefail

cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "package-test: run as root (debootstrap and chroot need it)" >&2
  exit 2
fi
for tool in debootstrap chroot mount; do
  command -v "$tool" >/dev/null || { echo "package-test: $tool is missing (apt-get install debootstrap)" >&2; exit 2; }
done
deb=${1:-$(ls -t build-package/brinewick_*.deb 2>/dev/null | head -n 1)}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "package-test: no package; build it with scripts/package.sh" >&2
  exit 2
fi
sample=examples/D5900446_001.nc
mirror=${BW_DEBIAN_MIRROR:-http://deb.debian.org/debian}

root=$(mktemp -d /var/tmp/brinewick-root.XXXXXX)
mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  if [ "${BW_KEEP_ROOT:-0}" = 1 ]; then
    echo "package-test: the root is kept in $root"
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
step() { printf '\n== %s\n' "$*"; }
fail() { echo "package-test: FAILED: $*" >&2; exit 1; }
# A command inside the root, as a user would run it: no display, an empty home.
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

step "debootstrap a minimal Debian 12 into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { tail -n 20 "$root.debootstrap.log"; fail "debootstrap"; }
rm -f "$root.debootstrap.log"
# The program runs itself again through /proc/self/exe, and Qt wants /dev and /dev/shm.
for fs in proc dev dev/pts; do
  mount --bind "/$fs" "$root/$fs"
  mounted+=("$root/$fs")
done
cp /etc/resolv.conf "$root/etc/resolv.conf"
echo "deb $mirror bookworm main" >"$root/etc/apt/sources.list"
in_root apt-get -o APT::Sandbox::User=root update -qq
packages_before=$(in_root dpkg-query -W -f='${Package}\n' | wc -l)

step "apt install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
cp "$sample" "$root/tmp/"
in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt install -y -q --no-install-recommends ./$(basename "$deb")" \
  >"$root/tmp/install.log" 2>&1 || { tail -n 30 "$root/tmp/install.log"; fail "apt install"; }
packages_after=$(in_root dpkg-query -W -f='${Package}\n' | wc -l)
echo "installed brinewick and $((packages_after - packages_before - 1)) packages it needs"
in_root dpkg-query -W -f='${Package} ${Version} ${Installed-Size} kB\n  Depends: ${Depends}\n' brinewick
in_root dpkg -L brinewick | sort >"$root/tmp/files.txt"

step "the installed files"
for f in /usr/bin/brinewick /usr/share/applications/brinewick.desktop /usr/share/man/man1/brinewick.1.gz \
  /usr/share/mime/packages/brinewick-netcdf.xml /usr/share/icons/hicolor/16x16/apps/brinewick.png \
  /usr/share/icons/hicolor/256x256/apps/brinewick.png; do
  grep -qx "$f" "$root/tmp/files.txt" && [ -f "$root$f" ] || fail "$f is not in the package"
done
grep -v '/$' "$root/tmp/files.txt" | while read -r f; do [ -d "$root$f" ] || echo "  $f"; done

step "brinewick --version (from the PATH)"
[ "$(in_root sh -c 'command -v brinewick')" = /usr/bin/brinewick ] || fail "brinewick is not on the PATH"
in_root brinewick --version || fail "--version"

step "brinewick --dump"
in_root brinewick --dump --lf /tmp/D5900446_001.nc >"$root/tmp/dump.cdl" || fail "--dump exited with $?"
head -n 1 "$root/tmp/dump.cdl" | grep -qx 'netcdf D5900446_001 {' || fail "--dump: unexpected first line"
tail -n 1 "$root/tmp/dump.cdl" | grep -qx '}' || fail "--dump: the text is not complete"
echo "$(wc -l <"$root/tmp/dump.cdl") lines of CDL"

step "brinewick --plot -o x.png (QT_QPA_PLATFORM=offscreen)"
in_root sh -c 'cd /tmp && QT_QPA_PLATFORM=offscreen brinewick --plot D5900446_001.nc -o x.png' || fail "--plot exited with $?"
[ "$(head -c 8 "$root/tmp/x.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "--plot wrote no PNG"
echo "x.png: $(stat -c %s "$root/tmp/x.png") bytes"

step "brinewick --csv"
in_root brinewick --csv /tmp/D5900446_001.nc --items PLATFORM_NUMBER --columns PRES,TEMP,PSAL -o /tmp/x.csv ||
  fail "--csv exited with $?"
grep -q 'PRES,TEMP,PSAL' "$root/tmp/x.csv" || fail "--csv: no column line"
echo "x.csv: $(wc -l <"$root/tmp/x.csv") lines"; head -n 4 "$root/tmp/x.csv"

step "apt remove brinewick"
in_root sh -c 'DEBIAN_FRONTEND=noninteractive apt remove -y -q brinewick' >"$root/tmp/remove.log" 2>&1 ||
  { tail -n 30 "$root/tmp/remove.log"; fail "apt remove"; }
if in_root dpkg-query -W -f='${Status}\n' brinewick 2>/dev/null | grep -qv 'not-installed'; then
  fail "dpkg still knows brinewick: $(in_root dpkg-query -W -f='${Status}' brinewick)"
fi
# What is left of the package's paths may only be folders other packages own too.
left=0
while read -r f; do
  [ "$f" = /. ] && continue
  [ -e "$root$f" ] || [ -L "$root$f" ] || continue
  if [ -d "$root$f" ] && [ ! -L "$root$f" ] && in_root dpkg -S "$f" >/dev/null 2>&1; then continue; fi
  echo "  left behind: $f"
  left=$((left + 1))
done <"$root/tmp/files.txt"
[ "$left" -eq 0 ] || fail "$left paths of the package are left after apt remove"
echo "none of the package's $(wc -l <"$root/tmp/files.txt") paths is left but shared folders"

step "package test passed: $(basename "$deb")"
