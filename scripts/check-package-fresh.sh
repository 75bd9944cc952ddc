#!/usr/bin/env bash
# Does the .deb install and run on a fresh Debian 12 with nothing but its declared
# dependencies? Run by hand, as root; not part of the test command (it downloads a base
# system and the package's dependencies from Debian's archive).
#
#   scripts/check-package-fresh.sh [PACKAGE.deb]   default: build/native/packages/kdconfig_*.deb
#
# Makes a minimal bookworm with debootstrap in build/fresh/base once (about 250 MB), copies
# it to build/fresh/root for every run, installs the package there with apt and without
# recommended packages, and in that chroot:
#   - ldd finds every library of the package's programs (and of Qt's xcb plugin);
#   - kdreader-sim starts on a pseudo-terminal, and kdcfg reads its version through it;
#   - kdconfig --port on that terminal shows its main window on a virtual X server of the
#     host (its socket shared into the chroot), is still up 5 s later, and connects to the
#     reader when 连接设备 is clicked; a screenshot goes to build/fresh/kdconfig.png;
#   - udev (added last) reads the package's rule without a complaint.
# The output is also kept in build/fresh/check.log.
set -euo pipefail
cd "$(dirname "$0")/.."

die() {
    echo "fresh Debian check FAILED: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || die "run it as root: it needs debootstrap, chroot and mount"
if [ $# -gt 0 ]; then
    deb=$1
else
    debs=(build/native/packages/kdconfig_*_amd64.deb)
    [ ${#debs[@]} -eq 1 ] || die "more than one package in build/native/packages"
    [ -f "${debs[0]}" ] || die "no package in build/native/packages: run scripts/check-packages.sh"
    deb=${debs[0]}
fi
deb=$(realpath "$deb")
dir=$PWD/build/fresh
base=$dir/base
root=$dir/root
mirror=${KD_DEBIAN_MIRROR:-http://deb.debian.org/debian}
title="星澜配置工具KD系列(串口)V2.0.3"
mkdir -p "$dir"
exec > >(tee "$dir/check.log") 2>&1

for tool in debootstrap Xvfb xdpyinfo xwininfo import xdotool; do
    command -v "$tool" >/dev/null && continue
    apt-get install -y -qq debootstrap xvfb x11-utils imagemagick xdotool >/dev/null ||
        die "cannot install $tool"
done

if [ ! -f "$base/.kd-complete" ]; then
    echo "debootstrap: a minimal bookworm in $base (once)..."
    rm -rf "$base"
    debootstrap --variant=minbase bookworm "$base" "$mirror" >"$dir/debootstrap.log" 2>&1 ||
        die "debootstrap failed, see $dir/debootstrap.log"
    printf '%s\n' "deb $mirror bookworm main" "deb $mirror bookworm-updates main" \
        "deb http://deb.debian.org/debian-security bookworm-security main" \
        >"$base/etc/apt/sources.list"
    touch "$base/.kd-complete"
fi

pids=()
mounts=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[$i]}" 2>/dev/null || true
        wait "${pids[$i]}" 2>/dev/null || true
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount "${mounts[$i]}" 2>/dev/null || umount -l "${mounts[$i]}" || true
    done
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

echo "a fresh copy of the base system in $root"
rm -rf "$root"
cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No services start in the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc" && mounts+=("$root/proc")
# A pseudo-terminal instance of its own, so that nothing of the host's /dev is shared.
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts" && mounts+=("$root/dev/pts")
ln -sf pts/ptmx "$root/dev/ptmx"
mkdir -p "$root/tmp/.X11-unix" "$root/run/user/0"
chmod 700 "$root/run/user/0"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" && mounts+=("$root/tmp/.X11-unix")

# chroot and env each exec the next, so that a program started in the background is $!.
in_root=(chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
    LANG=C.UTF-8 XDG_RUNTIME_DIR=/run/user/0 DEBIAN_FRONTEND=noninteractive)

cp "$deb" "$root/tmp/"
"${in_root[@]}" dpkg-query -W | cut -f1 | sort >"$dir/packages-before"
echo "installing $(basename "$deb") with apt-get install --no-install-recommends..."
"${in_root[@]}" apt-get update -qq >"$dir/apt.log" 2>&1 || die "apt-get update failed, see $dir/apt.log"
"${in_root[@]}" apt-get install -y --no-install-recommends "/tmp/$(basename "$deb")" >>"$dir/apt.log" 2>&1 ||
    die "apt-get install failed, see $dir/apt.log"
"${in_root[@]}" dpkg-query -W | cut -f1 | sort >"$dir/packages-after"
added=$(comm -13 "$dir/packages-before" "$dir/packages-after")
echo "apt added $(wc -l <<<"$added") packages (list in $dir/packages-added)"
echo "$added" >"$dir/packages-added"

programs=$("${in_root[@]}" dpkg -L kdconfig | grep '^/usr/bin/')
echo "the package's programs: $(tr '\n' ' ' <<<"$programs")"
libraries=$programs
has_window=0
if grep -qx /usr/bin/kdconfig <<<"$programs"; then
    has_window=1
    # Qt loads it at run time: ldd of the program does not reach it.
    xcb=$("${in_root[@]}" find /usr/lib -path '*/qt6/plugins/platforms/libqxcb.so')
    [ -n "$xcb" ] || die "Qt's X11 platform plugin (libqxcb.so) was not installed"
    libraries+=$'\n'$xcb
fi
for file in $libraries; do
    missing=$("${in_root[@]}" ldd "$file" | grep 'not found' || true)
    [ -z "$missing" ] || die "ldd $file: $missing"
    echo "ldd $file: $("${in_root[@]}" ldd "$file" | wc -l) libraries, none missing"
done

"${in_root[@]}" kdreader-sim --link /tmp/reader --log /tmp/reader.log >"$dir/reader.out" 2>&1 &
pids+=($!)
# The link names the terminal inside the chroot: test the link itself from out here.
for ((i = 0; i < 50; i++)); do
    [ -L "$root/tmp/reader" ] && break
    sleep 0.1
done
[ -L "$root/tmp/reader" ] || die "kdreader-sim did not start: $(cat "$dir/reader.out")"
echo "kdreader-sim: $(head -n 1 "$dir/reader.out")"
info=$("${in_root[@]}" kdcfg --port /tmp/reader info) || die "kdcfg info failed"
echo "kdcfg --port /tmp/reader info: $(tr '\n' ' ' <<<"$info")"

# The window, on a virtual X server of the host.
check_window() {
    local display n i app
    display=
    for n in 121 123 127 129; do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=:$n; break; }
    done
    [ -n "$display" ] || die "no free X display number"
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    pids+=($!)
    for ((i = 0; i < 100; i++)); do
        xdpyinfo -display "$display" >/dev/null 2>&1 && break
        sleep 0.1
    done
    xdpyinfo -display "$display" >/dev/null 2>&1 || die "Xvfb did not start: $(cat "$dir/xvfb.log")"
    "${in_root[@]}" env DISPLAY="$display" kdconfig --port /tmp/reader >"$dir/kdconfig.out" 2>&1 &
    app=$!
    pids+=("$app")
    for ((i = 0; i < 300; i++)); do
        xwininfo -display "$display" -name "$title" >/dev/null 2>&1 && break
        kill -0 "$app" 2>/dev/null || die "kdconfig ended: $(cat "$dir/kdconfig.out")"
        sleep 0.1
    done
    xwininfo -display "$display" -name "$title" >/dev/null 2>&1 || die "no window named $title in 30 s"
    echo "kdconfig shows its main window after $((i / 10)).$((i % 10)) s"
    sleep 5
    kill -0 "$app" 2>/dev/null || die "kdconfig ended within 5 s: $(cat "$dir/kdconfig.out")"
    echo "kdconfig still up 5 s later"
    # 连接设备, at (191, 295) 60 by 14 in the 534 by 329 template: the same share of the
    # window whatever the font's size. The reader's log shows the connect's last reply
    # (once more than kdcfg's info above).
    local window width height replies
    replies() { grep -c 'TX .*# status 0: slavever=' "$root/tmp/reader.log"; }
    replies=$(replies)
    window=$(xwininfo -display "$display" -name "$title" | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
    width=$(xwininfo -display "$display" -id "$window" | sed -n 's/^ *Width: //p')
    height=$(xwininfo -display "$display" -id "$window" | sed -n 's/^ *Height: //p')
    DISPLAY=$display xdotool mousemove --window "$window" $((width * 221 / 534)) \
        $((height * 302 / 329)) click 1
    for ((i = 0; i < 150; i++)); do
        [ "$(replies)" -gt "$replies" ] && break
        sleep 0.1
    done
    [ "$(replies)" -gt "$replies" ] ||
        die "kdconfig did not connect on 连接设备: $(cat "$root/tmp/reader.log")"
    sleep 1
    import -window root -display "$display" "$dir/kdconfig.png"
    echo "kdconfig connected on 连接设备 (handshake, masterver, slavever in the reader's log)"
    echo "screenshot: ${dir#"$PWD"/}/kdconfig.png"
    [ ! -s "$dir/kdconfig.out" ] || echo "kdconfig said: $(cat "$dir/kdconfig.out")"
}
if [ "$has_window" = 1 ]; then
    check_window
else
    echo "the package has no kdconfig: the window was not checked"
fi

# Last, as it adds a package: udev on Debian 12 reads the rule without a complaint.
mount -t sysfs sysfs "$root/sys" && mounts+=("$root/sys")
"${in_root[@]}" apt-get install -y --no-install-recommends udev >>"$dir/apt.log" 2>&1 ||
    die "apt-get install udev failed, see $dir/apt.log"
"${in_root[@]}" udevadm test --action=add /sys/class/tty/tty0 >"$dir/udevadm.log" 2>&1 || true
grep -q 'Reading rules file: .*/60-kdconfig.rules' "$dir/udevadm.log" || die "udev did not read the rule"
! grep '60-kdconfig.rules:' "$dir/udevadm.log" || die "udev complains about the rule"
echo "udevadm test: the rule reads without a complaint"
echo "fresh Debian check passed"
