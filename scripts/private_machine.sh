#!/usr/bin/env bash
# Runs a command in a mount namespace of its own, where the machine's system folders are private
# copies, so that nothing the command does reaches the real ones:
#   private_machine.sh [--guard | --fresh] [--net] COMMAND [ARG...]
#
#   --guard  /usr/lib and /opt are overlays whose upper layers live on a private tmpfs: the command
#            sees the machine as it is, and whatever it writes, deletes or changes there lands in
#            those layers and is thrown away with the namespace. Afterwards each layer must be
#            empty, and no new entry may have appeared at the top of / (which no overlay covers);
#            otherwise the run fails, whatever the command's own exit status. The whole test run
#            goes through this.
#   --fresh  an empty /tmp and /opt (tmpfs) and overlays over /usr/lib and fontconfig's cache: a
#            machine on which nothing of ours was ever installed, for the real program, the disk
#            fault tests and the benchmark. The checkout, the current folder and the folders in
#            QF_KEEP (colon-separated) stay reachable at their paths, even below /tmp.
#   --net    a network namespace as well, and no X server's socket of the machine in /tmp/.X11-unix:
#            the command meets no X server but those it starts, and their display numbers are its
#            own. (JUCE connects to :0 when DISPLAY is unset, so a headless test would otherwise
#            draw on whatever X server the machine happens to run there.)
#
# A --fresh run may happen inside a --guard run (overlays stack two deep), not the other way round.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
    echo "usage: $0 [--guard | --fresh] [--net] COMMAND [ARG...]" >&2
    exit 2
}

overlay() { # FOLDER LAYERS: the folder's changes go to LAYERS/upper
    mkdir -p "$2/upper" "$2/work"
    mount -t overlay qf_private -o "lowerdir=$1,upperdir=$2/upper,workdir=$2/work" "$1"
}

# The layers' tmpfs covers /mnt within the namespace only.
layers=/mnt
private_layers() {
    mount -t tmpfs -o size=2g,mode=0700 qf_private "$layers"
}

# Outside: runs the command in a namespace with overlays, then reports what reached them.
guard() { # NET COMMAND...
    local net=$1 status=0 top_before
    shift
    report=$(mktemp "${TMPDIR:-/tmp}/qf-guard.XXXXXX")
    trap 'rm -f "$report"' EXIT
    top_before=$(ls -A /)
    # shellcheck disable=SC2086 # NET is empty or --net
    unshare --mount $net --propagation private -- "$BASH" "$0" --inside-guard "$report" "${net:-none}" "$@" || status=$?
    comm -13 <(echo "$top_before") <(ls -A /) | sed 's|^|/|' >>"$report"

    if [ -s "$report" ]; then
        echo "private_machine.sh: the command changed the machine's folders (changes under /usr/lib and /opt were discarded; new entries in / are still there):" >&2
        head -n 50 "$report" | sed 's/^/  /' >&2
        [ "$(wc -l <"$report")" -le 50 ] || echo "  ... and $(($(wc -l <"$report") - 50)) more" >&2
        [ "$status" -ne 0 ] || status=1
    fi
    exit "$status"
}

# Inside the guard's namespace.
guard_inside() { # REPORT NET COMMAND...
    local report=$1 net=$2 status=0
    shift 2
    private_layers
    [ "$net" != --net ] || [ ! -d /tmp/.X11-unix ] || mount -t tmpfs -o size=1m,mode=1777 qf_x11 /tmp/.X11-unix
    for folder in /usr/lib /opt; do
        overlay "$folder" "$layers/${folder//\//_}"
    done
    "$@" || status=$?
    # Deletions show in an upper layer as whiteouts, so they are caught as well.
    for folder in /usr/lib /opt; do
        (cd "$layers/${folder//\//_}/upper" && find . -mindepth 1 -printf "$folder/%P\n") >>"$report"
    done
    exit "$status"
}

# Outside: the fresh machine is all inside; nothing to report.
fresh() { # NET COMMAND...
    local net=$1
    shift
    # shellcheck disable=SC2086 # NET is empty or --net
    exec unshare --mount $net --propagation private -- "$BASH" "$0" --inside-fresh "$@"
}

# Inside the fresh machine's namespace.
fresh_inside() { # COMMAND...
    local keep extra dir
    private_layers
    # What must stay reachable, bound out of the way before /tmp is replaced.
    keep=("$root" "$PWD")
    IFS=: read -r -a extra <<<"${QF_KEEP:-}"
    keep+=("${extra[@]}")
    mkdir "$layers/host-tmp"
    mount --bind /tmp "$layers/host-tmp"
    mount -t tmpfs -o size=1g qf_tmp /tmp
    mount -t tmpfs -o size=256m qf_opt /opt
    for dir in "${keep[@]}"; do
        case $dir in /tmp/?*) mkdir -p "$dir" && mount --bind "$layers/host-tmp/${dir#/tmp/}" "$dir" ;; esac
    done
    overlay /usr/lib "$layers/lib"
    # Fontconfig caches font folders it finds new in the machine's cache folder.
    [ ! -d /var/cache/fontconfig ] || overlay /var/cache/fontconfig "$layers/fontconfig"
    # What may clear system folders at will checks for this first.
    QF_PRIVATE_MACHINE=1 exec "$@"
}

#===================================================================================================
case ${1:-} in
    --inside-guard) shift && guard_inside "$@" ;;
    --inside-fresh) shift && fresh_inside "$@" ;;
esac

mode=--fresh net=""
while [ $# -gt 0 ]; do
    case $1 in
        --guard | --fresh) mode=$1 ;;
        --net) net=--net ;;
        *) break ;;
    esac
    shift
done
[ $# -gt 0 ] || usage

if [ "$(id -u)" -ne 0 ]; then
    if [ "$mode" = --guard ]; then
        # Without root the command cannot write to these folders in the first place.
        echo "private_machine.sh: not root, so /usr/lib and /opt are read-only to the command anyway" >&2
        exec "$@"
    fi
    echo "private_machine.sh: needs root for a private mount namespace" >&2
    exit 1
fi

if [ "$mode" = --guard ]; then
    guard "$net" "$@"
else
    fresh "$net" "$@"
fi
