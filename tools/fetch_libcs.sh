#!/usr/bin/env bash
# The C libraries of other Debian releases, unpacked into a cache outside the clone, so that test
# children can run on each through its own loader.
#   tools/fetch_libcs.sh CACHE SUITE...
# For each suite prints one line: "SUITE VERSION DIR" (DIR holds the unpacked libc6 package) or
# "SUITE - REASON" when it cannot be had. The archive is asked again once a day at most; in
# between, and without it, what the cache holds for each suite is used.
set -uo pipefail

cache=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
state=$cache/apt
stamp=$cache/updated
mkdir -p "$cache" || exit 1

mapfile -t opts < <("$here/debian_archive.sh" apt "$state" "$@" 2>/dev/null)
reason=""
madison=""
if [ ${#opts[@]} -eq 0 ]; then
    reason="no Debian archive in this machine's apt sources"
elif [ ! -f "$stamp" ] || [ -n "$(find "$stamp" -mmin +1440 2>/dev/null)" ] \
    || [ "$(cat "$stamp")" != "$*" ]; then
    if timeout 300 apt-get "${opts[@]}" -qq update >"$cache/update.log" 2>&1; then
        echo "$*" >"$stamp"
        madison=$(apt-cache "${opts[@]}" madison libc6 2>/dev/null)
    else
        reason="Debian's archive cannot be reached (see $cache/update.log)"
    fi
fi

# The version the archive has for a suite, from the private lists read once.
candidate() {
    awk -F'|' -v suite="$1" '$3 ~ " " suite "/" && $3 ~ /amd64/ { gsub(/ /, "", $2); print $2; exit }' \
        <<<"$madison"
}

for suite in "$@"; do
    version=$(candidate "$suite")
    if [ -z "$version" ]; then
        # Asked today, or offline: what this cache last had for the suite.
        last=$(cat "$cache/$suite.version" 2>/dev/null)
        if [ -n "$last" ] && [ -d "$cache/$last" ]; then
            echo "$suite $last $cache/$last"
        else
            echo "$suite - ${reason:-the archive has no libc6 for $suite}"
        fi
        continue
    fi
    dir=$cache/$version
    if [ ! -d "$dir" ]; then
        work=$(mktemp -d "$cache/.fetch.XXXXXX")
        if (cd "$work" && timeout 300 apt-get "${opts[@]}" -qq download "libc6:amd64=$version") \
            >"$cache/download.log" 2>&1 && dpkg-deb -x "$work"/libc6_*.deb "$work/root"; then
            mv "$work/root" "$dir"
        fi
        rm -rf "$work"
    fi
    if [ -d "$dir" ]; then
        echo "$version" >"$cache/$suite.version"
        echo "$suite $version $dir"
    else
        echo "$suite - libc6 $version of $suite could not be downloaded (see $cache/download.log)"
    fi
done
