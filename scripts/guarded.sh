#!/usr/bin/env bash
# Runs a command so that it cannot change the machine's /usr/lib or /opt, and fails if it tried:
#   guarded.sh COMMAND [ARG...]
#
# The command runs in a private mount namespace where /usr/lib and /opt are overlays whose upper
# layers live on a private tmpfs. Whatever the command writes, deletes or changes there lands in
# those layers and is thrown away with the namespace; afterwards each layer must be empty. New
# entries at the top of / (which no overlay covers) are caught by comparing the listings before
# and after. Any of these makes the run fail, whatever the command's own exit status.
#
# Commands inside may make private namespaces of their own (tests/real/sandbox.sh lays another
# overlay over /usr/lib); do not nest guarded.sh itself, overlays stack only two deep.
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARG...]" >&2
    exit 2
fi

if [ "${1:-}" = --inside ]; then
    shift
    layers=$1 report=$2
    shift 2

    mount -t tmpfs -o size=2g,mode=0700 qf_guard "$layers"
    guarded=()

    for folder in /usr/lib /opt; do
        [ -d "$folder" ] || continue
        name=${folder//\//_}
        mkdir -p "$layers/$name/upper" "$layers/$name/work"
        mount -t overlay qf_guard -o "lowerdir=$folder,upperdir=$layers/$name/upper,workdir=$layers/$name/work" "$folder"
        guarded+=("$folder")
    done

    status=0
    "$@" || status=$?

    for folder in "${guarded[@]}"; do
        name=${folder//\//_}
        # Deletions show in the upper layer as whiteouts, so they are caught as well.
        (cd "$layers/$name/upper" && find . -mindepth 1 -printf "$folder/%P\n") >>"$report"
    done

    exit "$status"
fi

if [ "$(id -u)" -ne 0 ]; then
    # Without root the command cannot write to these folders in the first place.
    echo "guarded.sh: not root, so /usr/lib and /opt are read-only to the command anyway" >&2
    exec "$@"
fi

layers=$(mktemp -d "${TMPDIR:-/tmp}/qf-guard.XXXXXX")
report=$layers.written
: >"$report"
trap 'rmdir "$layers" 2>/dev/null || true; rm -f "$report"' EXIT

top_before=$(ls -A /)
status=0
unshare --mount --propagation private -- "$BASH" "$0" --inside "$layers" "$report" "$@" || status=$?
top_after=$(ls -A /)

new_top=$(comm -13 <(echo "$top_before") <(echo "$top_after") | sed 's|^|/|')
[ -z "$new_top" ] || echo "$new_top" >>"$report"

if [ -s "$report" ]; then
    echo "guarded.sh: the command changed the machine's folders (changes under /usr/lib and /opt were discarded; new entries in / are still there):" >&2
    head -n 50 "$report" | sed 's/^/  /' >&2
    [ "$(wc -l <"$report")" -le 50 ] || echo "  ... and $(($(wc -l <"$report") - 50)) more" >&2
    [ "$status" -ne 0 ] || status=1
fi

exit "$status"
