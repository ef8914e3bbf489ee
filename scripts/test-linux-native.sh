#!/usr/bin/env bash
# Tests the Debian package and the rpm as users meet them: test-linux-native.sh [DEB RPM].
# Without packages named, packs them from build/ (package-linux-native.sh) after the Release
# suite has built it; runs lintian on the .deb; installs the .deb
# with apt into a fresh minimal Debian 12, where it must bring its own dependencies, and there
# reads the LV2 with lilv's lv2info, loads the VST3 and its factory presets in a bare VST3
# host, starts the app on a virtual display, upgrades to a newer package and removes and
# purges it, keeping a user's preset and leaving none of its files; checks that the .rpm holds
# the same files as the .deb, asks only for libraries every Fedora desktop has, and installs
# where it belongs.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$root/scripts/deps.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
install_packages debootstrap debian-archive-keyring lintian rpm dpkg-dev

work="$root/build/native-test"
# As the kernel names a process's root, so that the processes started there can be found.
chroot_dir="$(realpath -m "$work/debian-12")"
# A minimal Debian 12 as debootstrap makes it, kept so later runs only unpack it.
chroot_cache="$deps_dir/debian-12-minbase.tar"
# The packages apt fetched into the chroot, kept likewise.
apt_cache="$deps_dir/debian-12-minbase-archives"
# Nothing is mounted in the chroot (apt, the host test, Xvfb and the app need no /proc).
# Whatever this script started there and is still running (the display) ends with it.
stop_chroot_processes()
{
    local link pid
    for link in /proc/[0-9]*/root; do
        pid="${link#/proc/}"; pid="${pid%/root}"
        [ "$(readlink "$link" 2> /dev/null)" = "$chroot_dir" ] && kill "$pid" 2> /dev/null || true
    done
}
trap stop_chroot_processes EXIT

# Removes a folder that might hold an earlier run's chroot, never through a mount inside it.
remove_tree()
{
    if awk -v tree="$1/" 'index($2 "/", tree) == 1 { found = 1 } END { exit ! found }' /proc/mounts; then
        fail "something is still mounted under $1: unmount it first"
    fi
    rm -rf --one-file-system "$1"
}

# The packages named (release.sh's, already in dist/), or packed afresh from build/.
source "$root/scripts/package-linux-native.sh"
if [ $# -eq 2 ]; then
    packages=("$1" "$2")
else
    mapfile -t packages < <("$root/scripts/package-linux-native.sh")
fi
deb="${packages[0]:-}"
rpm_file="${packages[1]:-}"
[ -f "$deb" ] && [ -f "$rpm_file" ] || fail "package-linux-native.sh wrote no packages"
remove_tree "$work"
mkdir -p "$work"

echo "-- lintian on $(basename "$deb")"
native_lint "$deb" "$work/lintian.log" || fail "lintian"

# The package's own paths as a package file lists them, folders with a trailing slash:
# deb_paths DEB (dpkg-deb -c, whose path may hold spaces, begins at the sixth field).
deb_paths() { dpkg-deb -c "$1" | sed -E 's/^([^ ]+ +){5}\.//' | grep -v '^/$' | LC_ALL=C sort; }

echo "-- a fresh minimal Debian 12"
if [ ! -f "$chroot_cache" ]; then
    debootstrap --variant=minbase bookworm "$work/bootstrap" "$(debian_archive_uri)" > "$work/debootstrap.log" 2>&1 \
        || { tail -n 20 "$work/debootstrap.log"; fail "debootstrap could not make a Debian 12"; }
    mkdir -p "$deps_dir"
    tar -C "$work/bootstrap" --numeric-owner -cf "$chroot_cache.tmp" .
    mv "$chroot_cache.tmp" "$chroot_cache"
    remove_tree "$work/bootstrap"
fi
mkdir -p "$chroot_dir"
tar -C "$chroot_dir" --numeric-owner -xf "$chroot_cache"
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf"
mkdir -p "$apt_cache"
find "$apt_cache" -name '*.deb' -exec cp {} "$chroot_dir/var/cache/apt/archives/" \;

# Runs a command in the chroot as root, with a clean environment.
in_chroot()
{
    chroot "$chroot_dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
# apt-get in the chroot, its output kept in a log that is shown when it fails: chroot_apt LOG ARGS...
chroot_apt()
{
    local log="$work/$1"; shift
    in_chroot apt-get -y -o Dpkg::Use-Pty=0 "$@" > "$log" 2>&1 || { tail -n 30 "$log"; fail "apt-get $* failed in the chroot"; }
}
installed() { [ "$(in_chroot dpkg-query -W -f '${Status}' "$1" 2> /dev/null)" = "install ok installed" ]; }
# Puts a package file into the chroot's /tmp and prints its path there.
into_chroot() { install -m 644 "$1" "$chroot_dir/tmp/"; echo "/tmp/$(basename "$1")"; }

chroot_apt apt-update.log update
for library in libasound2 libfontconfig1 libfreetype6; do
    ! installed "$library" || fail "the fresh Debian 12 already has $library: it cannot show that the package pulls it in"
done

echo "-- apt-get install ./$(basename "$deb")"
chroot_apt apt-install.log install "$(into_chroot "$deb")"
echo "apt set up: $(sed -n 's/^Setting up \([^ ]*\) .*/\1/p' "$work/apt-install.log" | tr '\n' ' ')"
installed kravell || fail "apt did not install kravell"
for library in libasound2 libfontconfig1 libfreetype6 libstdc++6 libgcc-s1; do
    installed "$library" || fail "installing kravell did not pull in $library"
done
in_chroot dpkg -L kravell | grep -v '^/\.$' | LC_ALL=C sort > "$work/installed.list"
deb_paths "$deb" | sed 's|/$||' > "$work/deb.list"
cmp -s "$work/installed.list" "$work/deb.list" || fail "dpkg -L differs from the package's contents: $(diff "$work/deb.list" "$work/installed.list" | head -n 5)"
grep -qx 'Exec=/usr/bin/kravell' "$chroot_dir/usr/share/applications/kravell.desktop" || fail "the menu entry does not start /usr/bin/kravell"
for binary in /usr/bin/kravell /usr/lib/vst3/Kravell.vst3/Contents/x86_64-linux/Kravell.so /usr/lib/lv2/Kravell.lv2/libKravell.so; do
    in_chroot ldd "$binary" > "$work/ldd.log" 2>&1 || { cat "$work/ldd.log"; fail "ldd cannot read $binary in the chroot"; }
    ! grep -q 'not found' "$work/ldd.log" || { cat "$work/ldd.log"; fail "$binary needs a library the package did not bring"; }
done
echo "every library the app and the plug-ins need is installed"

echo "-- the installed LV2, through lilv's lv2info"
chroot_apt apt-tools.log install --no-install-recommends lilv-utils xvfb xkb-data x11-xkb-utils
uri="https://dornel.audio/plugins/kravell"
in_chroot lv2info "$uri" > "$work/lv2info.txt" 2>&1 || { cat "$work/lv2info.txt"; fail "lv2info does not find $uri in /usr/lib/lv2"; }
grep -q 'Bundle: *file:///usr/lib/lv2/Kravell.lv2/' "$work/lv2info.txt" || fail "lv2info found the LV2 elsewhere than in /usr/lib/lv2: $(grep Bundle "$work/lv2info.txt")"
grep -q 'Name: *Kravell' "$work/lv2info.txt" || fail "lv2info does not name Kravell"
echo "lv2info: $(grep -m 1 'Name:' "$work/lv2info.txt" | xargs), $(grep -m 1 'Bundle:' "$work/lv2info.txt" | xargs)"

echo "-- the installed VST3 and its factory presets, in a bare VST3 host in the chroot"
# The host test needs no more than the package's own dependencies.
install -m 755 "$root/build/tests/KravellVst3PresetTests" "$chroot_dir/tmp/"
in_chroot KRAVELL_VST3_BUNDLE=/usr/lib/vst3/Kravell.vst3 "KRAVELL_VST3_PRESETS=/usr/share/vst3/presets/Dornel Audio/Kravell" \
    /tmp/KravellVst3PresetTests --gtest_brief=1 > "$work/vst3.log" 2>&1 \
    || { tail -n 30 "$work/vst3.log"; fail "the installed VST3 or its presets do not load in a bare VST3 host"; }
grep -q 'PASSED' "$work/vst3.log" || { cat "$work/vst3.log"; fail "the VST3 host test ran no test"; }
echo "the installed factory presets restore into the installed VST3: $(tail -n 1 "$work/vst3.log")"
rm -f "$chroot_dir/tmp/KravellVst3PresetTests"

echo "-- the installed app, on a virtual display in the chroot"
# A display number no X server uses (their sockets are shared with the host's).
display=$((200 + RANDOM % 100))
while [ -e "/tmp/.X11-unix/X$display" ] || grep -q "@/tmp/.X11-unix/X$display\$" /proc/net/unix; do display=$((200 + RANDOM % 100)); done
# exec: the process to stop is Xvfb itself, not a shell around it.
(exec chroot "$chroot_dir" /usr/bin/env -i PATH=/usr/bin:/bin Xvfb ":$display" -screen 0 1280x720x24 -nolisten tcp) > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -e "$chroot_dir/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
[ -e "$chroot_dir/tmp/.X11-unix/X$display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start in the chroot"; }
app_status=0
in_chroot DISPLAY=":$display" timeout 6 /usr/bin/kravell > "$work/app.log" 2>&1 || app_status=$?
# 124: still running when timeout stopped it.
[ "$app_status" -eq 124 ] || { cat "$work/app.log"; fail "the installed app did not stay open (exit status $app_status)"; }
grep -q 'no audio device' "$work/app.log" || { cat "$work/app.log"; fail "the app did not say that it found no audio device"; }
kill "$xvfb_pid"; wait "$xvfb_pid" 2> /dev/null || true
[ "$(readlink "/proc/$xvfb_pid/root" 2> /dev/null)" != "$chroot_dir" ] || fail "Xvfb in the chroot did not stop"
echo "the app started and stayed open, without a sound card: $(grep -m 1 'no audio device' "$work/app.log" | cut -c 1-70)..."

echo "-- upgrade to a newer package, keeping a user's preset"
presets_dir="/root/.config/DornelAudio/Kravell/version_$kravell_version/Presets"
mkdir -p "$chroot_dir$presets_dir"
printf '<?xml version="1.0"?>\n<KravellPreset name="Mine"/>\n' > "$work/Mine.xml"
cp "$work/Mine.xml" "$chroot_dir$presets_dir/Mine.xml"
newer_version="$kravell_version+1"
mapfile -t newer < <(KRAVELL_PACKAGE_VERSION="$newer_version" "$root/scripts/package-linux-native.sh")
[ "$(basename "${newer[0]}")" = "kravell_${newer_version}_amd64.deb" ] || fail "package-linux-native.sh did not write the $newer_version package: ${newer[*]}"
chroot_apt apt-upgrade.log install "$(into_chroot "${newer[0]}")"
[ "$(in_chroot dpkg-query -W -f '${Version}' kravell)" = "$newer_version" ] || fail "apt did not upgrade kravell to $newer_version"
grep -q "Unpacking kravell ($newer_version) over ($kravell_version)" "$work/apt-upgrade.log" || fail "apt did not install $newer_version over $kravell_version"
in_chroot dpkg -L kravell | grep -v '^/\.$' | LC_ALL=C sort > "$work/upgraded.list"
cmp -s "$work/installed.list" "$work/upgraded.list" || fail "the upgrade changed the package's files: $(diff "$work/installed.list" "$work/upgraded.list" | head -n 5)"
cmp -s "$work/Mine.xml" "$chroot_dir$presets_dir/Mine.xml" || fail "the upgrade touched the user's preset"
echo "kravell $kravell_version -> $newer_version; the user's preset is untouched"

# Checks that none of the package's files is left, nor a folder of its own (a folder stays
# only while another package owns it or it still holds something else), and that the user's
# preset is kept: check_removed WHAT
check_removed()
{
    local path left=()
    while IFS= read -r path; do
        [ -e "$chroot_dir$path" ] || [ -L "$chroot_dir$path" ] || continue
        if [ -d "$chroot_dir$path" ] && [ ! -L "$chroot_dir$path" ]; then
            [ -n "$(ls -A "$chroot_dir$path")" ] && continue
            in_chroot dpkg-query -S "$path" > /dev/null 2>&1 && continue
        fi
        left+=("$path")
    done < "$work/upgraded.list"
    [ ${#left[@]} -eq 0 ] || fail "$1 left: ${left[*]:0:5}"
    cmp -s "$work/Mine.xml" "$chroot_dir$presets_dir/Mine.xml" || fail "$1 removed or changed the user's preset"
}

echo "-- apt-get remove; installed again, apt-get purge"
chroot_apt apt-remove.log remove kravell
! installed kravell || fail "apt-get remove left kravell installed"
check_removed "apt-get remove"
# With no configuration files a removed package is gone, so purging needs it installed again.
chroot_apt apt-reinstall.log install "/tmp/$(basename "${newer[0]}")"
installed kravell || fail "apt did not install kravell again"
chroot_apt apt-purge.log purge kravell
[ -z "$(in_chroot dpkg-query -W -f '${Status}' kravell 2> /dev/null | grep -v 'not-installed')" ] || fail "kravell is still known to dpkg after purge"
check_removed "apt-get purge"
echo "removed and purged: none of the package's $(wc -l < "$work/upgraded.list") paths is left; the user's preset is kept"
find "$chroot_dir/var/cache/apt/archives" -maxdepth 1 -name '*.deb' ! -name 'kravell_*' -exec cp -n {} "$apt_cache/" \;

echo "-- the rpm (there is no Fedora here: its metadata is read, and rpm installs it into a scratch root)"
# Path, mode and owner of each entry, folders apart: rpm owns only folders that are Kravell's,
# while a .deb lists every folder on the way.
deb_entries() { dpkg-deb -c "$1" | sed -E 's/^([^ ]+) +([^ ]+) +([^ ]+ +){3}\./\1 \2 /' | grep -v ' /$' | LC_ALL=C sort; }
rpm_entries() { rpm -qp --qf '[%{FILEMODES:perms} %{FILEUSERNAME}/%{FILEGROUPNAME} %{FILENAMES}\n]' "$1" | LC_ALL=C sort; }
# Only Debian's tools read this.
deb_entries "$deb" | grep -v '^-.* /usr/share/lintian/overrides/kravell$' > "$work/deb-entries"
rpm_entries "$rpm_file" | sed -E 's|^(d[^ ]+ [^ ]+ .*)$|\1/|' > "$work/rpm-entries"
grep -v '^d' "$work/deb-entries" > "$work/deb-files"
grep -v '^d' "$work/rpm-entries" > "$work/rpm-files"
cmp -s "$work/deb-files" "$work/rpm-files" || fail "the rpm's files differ from the .deb's: $(diff "$work/deb-files" "$work/rpm-files" | head -n 6)"
# The folders every system has (Fedora's filesystem and hicolor-icon-theme own these).
system_folders='^d.* /usr(/(bin|lib|share(/(applications|doc|man(/man1)?|icons(/hicolor(/[^/]+(/apps)?)?)?|lintian(/overrides)?))?))?/$'
grep '^d' "$work/deb-entries" | grep -Ev "$system_folders" > "$work/deb-folders"
grep '^d' "$work/rpm-entries" > "$work/rpm-folders"
cmp -s "$work/deb-folders" "$work/rpm-folders" || fail "the rpm owns other folders than Kravell's own: $(diff "$work/deb-folders" "$work/rpm-folders" | head -n 6)"
echo "rpm -qlp and dpkg -c list the same $(wc -l < "$work/rpm-files") files (modes and owners too) and the same $(wc -l < "$work/rpm-folders") folders of Kravell's own"

rpm -qpR "$rpm_file" > "$work/rpm-requires"
# A Fedora desktop's C and C++ runtimes, FreeType, Fontconfig and ALSA, and rpm's own features.
allowed='^((libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2|libstdc\+\+\.so\.6|libgcc_s\.so\.1|libfreetype\.so\.6|libfontconfig\.so\.1|libasound\.so\.2)\([^)]*\)\(64bit\)|rpmlib\(.*\) <= .*|rtld\(GNU_HASH\))$'
unexpected="$(grep -Ev "$allowed" "$work/rpm-requires" || true)"
[ -z "$unexpected" ] || fail "the rpm requires what a Fedora desktop may lack: $unexpected"
for library in libc.so.6 libstdc++.so.6 libfreetype.so.6 libfontconfig.so.1 libasound.so.2; do
    grep -qxF "$library()(64bit)" "$work/rpm-requires" || fail "rpm computed no requirement on $library"
done
echo "rpm -qpR: $(grep -c . "$work/rpm-requires") requirements, all on $(sed -n 's/^\([^(]*\)().*/\1/p' "$work/rpm-requires" | tr '\n' ' ')and rpm's own features"

rpm_root="$work/rpm-root"
mkdir -p "$rpm_root"
rpm --root "$rpm_root" --initdb
# --force-debian: rpm here is Debian's, which would rather see alien used.
rpm --root "$rpm_root" -i --nodeps --nosignature --force-debian "$rpm_file" || fail "rpm -i could not install $(basename "$rpm_file")"
rpm --root "$rpm_root" -V --nodeps kravell || fail "the files rpm installed do not verify"
while read -r mode owner path; do
    [ -e "$rpm_root$path" ] || fail "rpm did not install $path"
    [ "$(stat -c %A "$rpm_root$path")" = "$mode" ] || fail "$path has mode $(stat -c %A "$rpm_root$path"), not $mode"
done < <(rpm_entries "$rpm_file")
mkdir -p "$work/deb-tree"
dpkg-deb -x "$deb" "$work/deb-tree"
cmp -s "$rpm_root/usr/lib/vst3/Kravell.vst3/Contents/x86_64-linux/Kravell.so" "$work/deb-tree/usr/lib/vst3/Kravell.vst3/Contents/x86_64-linux/Kravell.so" \
    || fail "the rpm's VST3 is not the .deb's"
cmp -s "$rpm_root/usr/bin/kravell" "$work/deb-tree/usr/bin/kravell" || fail "the rpm's app is not the .deb's"
# Fedora has no /usr/share/common-licenses: the rpm's copyright holds the GPLv3 itself.
grep -q 'Version 3, 29 June 2007' "$rpm_root/usr/share/doc/kravell/copyright" || fail "the rpm's copyright file lacks the GPLv3"
grep -q '/usr/share/common-licenses/GPL-3' "$work/deb-tree/usr/share/doc/kravell/copyright" || fail "the .deb's copyright file does not refer to Debian's GPLv3"
echo "rpm -i --root: every file where it belongs, with its mode, verified by rpm -V"

remove_tree "$work"
echo "packages $(basename "$deb") and $(basename "$rpm_file"): lintian clean, install, run, upgrade and remove as users meet them"
