#!/usr/bin/env bash
# A Debian root of another release, made with debootstrap from the archive this machine's apt
# already uses, kept between runs, and a command run inside it on this clone.
#   tools/debian_root.sh VERSION COMMAND...   e.g. tools/debian_root.sh 13 ./build.sh test
# The root lives in $QUORVANE_ROOT_CACHE/debian-VERSION (default /var/cache/quorvane), outside
# the clone. The clone is bound at /src/quorvane inside it, with /proc, /sys and /dev bound in
# and a fresh /tmp. Every mount is made in a private mount namespace and taken down on the way
# out, so none of them outlives the run, whether the command fails or is interrupted.
set -euo pipefail

clone=$(cd "$(dirname "$0")/.." && pwd)
cache=${QUORVANE_ROOT_CACHE:-/var/cache/quorvane}
inside=/src/quorvane
# A root that has not been refreshed for this many days is brought up to date first.
refresh_days=7

usage() {
    echo "usage: tools/debian_root.sh VERSION COMMAND...   (VERSION: 12 or 13)" >&2
    exit 2
}

suite_of() {
    case "$1" in
    12) echo bookworm ;;
    13) echo trixie ;;
    *) usage ;;
    esac
}

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "debian_root: making and entering a root needs root: run it through sudo" >&2
        exit 1
    fi
}

# Installs debootstrap when it is missing (a Debian package of both releases).
need_debootstrap() {
    command -v debootstrap >/dev/null && return 0
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
}

# make_root VERSION DIR: debootstrap into a side folder, renamed only once it is whole, so an
# interrupted run never leaves a half-made root that a later run would take for a good one.
make_root() {
    local suite partial
    suite=$(suite_of "$1")
    partial="$2.partial"
    need_debootstrap
    rm -rf "$partial"
    echo "debian_root: making a Debian $1 ($suite) root in $2"
    debootstrap --variant=minbase "$suite" "$partial" "$("$clone"/tools/debian_archive.sh uri)" \
        >"$partial.log" 2>&1 || {
        tail -n 20 "$partial.log" >&2
        exit 1
    }
    rm -f "$partial.log"
    date -u +%s >"$partial/.quorvane-root"
    # What stands there without the stamp is a root that never finished: nothing is mounted in
    # it, as mounts live only in the namespace of a run.
    rm -rf "$2"
    mv "$partial" "$2"
}

stale() {
    local made
    made=$(cat "$1/.quorvane-root")
    [ $(($(date -u +%s) - made)) -gt $((refresh_days * 86400)) ]
}

# Runs as the only process of a private mount namespace: mounts, runs, unmounts.
enter() {
    local root=$1 refresh=$2
    shift 2
    mounts=()
    trap 'for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -R -l "${mounts[i]}"; done' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    mount --make-rprivate /
    for dir in proc sys dev; do
        mount --rbind "/$dir" "$root/$dir"
        mounts+=("$root/$dir")
    done
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
    mounts+=("$root/tmp")
    mkdir -p "$root$inside"
    mount --bind "$clone" "$root$inside"
    mounts+=("$root$inside")
    # Name look-ups for apt inside: the host's own resolver settings.
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    if [ "$refresh" = yes ]; then
        chroot "$root" env DEBIAN_FRONTEND=noninteractive sh -c \
            'apt-get update -qq && apt-get upgrade -y -qq' && date -u +%s >"$root/.quorvane-root"
    fi
    local status=0
    chroot "$root" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM="${TERM:-dumb}" ${CI:+CI="$CI"} sh -c 'cd "$0" && exec "$@"' "$inside" "$@" ||
        status=$?
    return $status
}

if [ "${1:-}" = --enter ]; then
    shift
    enter "$@"
    exit
fi

[ $# -ge 2 ] || usage
version=$1
shift
suite_of "$version" >/dev/null
need_root
root="$cache/debian-$version"
mkdir -p "$cache"
# One run at a time in a root: it is made, upgraded and installed into in place. The lock goes
# with the last process of the run.
exec 9>"$root.lock"
if ! flock -n 9; then
    echo "debian_root: waiting for another run in $root"
    flock 9
fi
[ -f "$root/.quorvane-root" ] || make_root "$version" "$root"
refresh=no
stale "$root" && refresh=yes
exec unshare --mount --propagation private "$0" --enter "$root" "$refresh" "$@"
