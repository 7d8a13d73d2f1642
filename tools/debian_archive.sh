#!/usr/bin/env bash
# The Debian archive this machine's apt already uses, read from its sources at run time, so that
# no archive address is ever written into the project.
#   tools/debian_archive.sh uri              the archive's address (the first main Debian archive)
#   tools/debian_archive.sh sources SUITE... a one-line sources list for those suites of it
#   tools/debian_archive.sh apt DIR SUITE... apt options for a private state under DIR that reads
#                                            only those suites; prints them one an argument a line
set -euo pipefail

# Every "URI SUITE" pair of the host's sources, one-line and deb822 alike.
host_pairs() {
    local files=()
    [ -f /etc/apt/sources.list ] && files+=(/etc/apt/sources.list)
    for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && files+=("$f")
    done
    [ ${#files[@]} -eq 0 ] && return 0
    awk '
        FNR == 1 { uris = ""; suites = ""; types = "" }
        /^[[:space:]]*#/ { next }
        FILENAME ~ /\.sources$/ {
            if ($0 ~ /^[[:space:]]*$/) { flush(); next }
            if (tolower($1) == "types:") types = $0
            if (tolower($1) == "uris:") { $1 = ""; uris = $0 }
            if (tolower($1) == "suites:") { $1 = ""; suites = $0 }
            next
        }
        $1 == "deb" {
            i = 2
            if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
            print $i, $(i + 1)
        }
        function flush(   u, s, nu, ns, a, b) {
            if (types ~ /deb([[:space:]]|$)/ && uris != "" && suites != "") {
                nu = split(uris, u, " "); ns = split(suites, s, " ")
                for (a = 1; a <= nu; a++) for (b = 1; b <= ns; b++) print u[a], s[b]
            }
            uris = ""; suites = ""; types = ""
        }
        ENDFILE { if (FILENAME ~ /\.sources$/) flush() }
    ' "${files[@]}"
}

# The main archive: the address that carries a release suite (not -security, -updates, ...).
archive_uri() {
    local uri
    uri=$(host_pairs | awk '$2 !~ /-/ && $1 !~ /security/ { print $1; exit }')
    if [ -z "$uri" ]; then
        echo "debian_archive: no Debian archive in this machine's apt sources" >&2
        exit 1
    fi
    echo "${uri%/}"
}

keyring=/usr/share/keyrings/debian-archive-keyring.gpg

case "${1:-}" in
uri)
    archive_uri
    ;;
sources)
    shift
    uri=$(archive_uri)
    for suite in "$@"; do
        echo "deb [signed-by=$keyring] $uri $suite main"
    done
    ;;
apt)
    dir=$2
    shift 2
    mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
    "$0" sources "$@" >"$dir/sources.list"
    printf '%s\n' -o "Dir::Etc::sourcelist=$dir/sources.list" -o "Dir::Etc::sourceparts=-" \
        -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache" \
        -o "Dir::State::status=/dev/null" -o "APT::Get::List-Cleanup=0" \
        -o "APT::Sandbox::User=root"
    ;;
*)
    echo "usage: tools/debian_archive.sh uri | sources SUITE... | apt DIR SUITE..." >&2
    exit 2
    ;;
esac
