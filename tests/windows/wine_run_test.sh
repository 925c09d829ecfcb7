#!/usr/bin/env bash
# The Wine runner tells a failure of Wine from a failure of the program: a run that printed
# nothing is tried once more and never passes, a run that printed anything keeps its status and
# is never repeated. A stand-in `wine` on the PATH plays both parts.
#   wine_run_test.sh path/to/wine-run.sh.in
set -uo pipefail

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/prefix"
touch "$work/prefix/.qf-ready-x11-unmanaged"
sed "s#@QF_WINEPREFIX@#$work/prefix#" "$1" >"$work/wine-run.sh"

# Each call takes the next behaviour from the script's arguments: "silent:STATUS" prints
# nothing, "prints:STATUS" prints a line; every call is counted.
cat >"$work/bin/wine" <<'WINE'
#!/usr/bin/env bash
n=$(($(cat "$QF_CALLS" 2>/dev/null || echo 0) + 1))
echo "$n" >"$QF_CALLS"
IFS=: read -r kind status <<<"$(sed -n "${n}p" "$QF_PLAN")"
[ "$kind" = prints ] && echo "[ RUN ] call $n"
echo "wine stderr of call $n" >&2
exit "$status"
WINE
chmod +x "$work/bin/wine"

failures=0
expect() { # PLAN... -- STATUS CALLS TEXT
    local plan=() status calls text
    while [ "$1" != -- ]; do plan+=("$1"); shift; done
    status=$2 calls=$3 text=$4
    printf '%s\n' "${plan[@]}" >"$work/plan"
    rm -f "$work/calls"
    output=$(PATH="$work/bin:$PATH" QF_PLAN="$work/plan" QF_CALLS="$work/calls" bash "$work/wine-run.sh" prog.exe 2>&1)
    got=$?
    if [ "$got" != "$status" ] || [ "$(cat "$work/calls")" != "$calls" ] || ! grep -qF -- "$text" <<<"$output"; then
        echo "FAIL plan ${plan[*]}: status $got (want $status), calls $(cat "$work/calls") (want $calls), output:"
        echo "$output"
        failures=$((failures + 1))
    fi
}

expect silent:1 prints:0 -- 0 2 "Wine failure: prog.exe printed nothing; Wine's exit status 1"
expect silent:1 silent:1 -- 1 2 "wine stderr of call 2"
expect silent:0 silent:0 -- 1 2 "trying once more"
expect prints:1 prints:0 -- 1 1 "prog.exe exited with status 1"
expect prints:0 -- 0 1 "[ RUN ] call 1"
expect silent:124 prints:0 -- 124 1 "was stopped"

[ "$failures" -eq 0 ] && echo "6 passed, 0 failed" || { echo "$((6 - failures)) passed, $failures failed"; exit 1; }
