#!/usr/bin/env bash
# The program carries the time of the commit it was built from, or the exported SOURCE_DATE_EPOCH,
# however many commits its build folder has built before: JUCE's compile date and time and, in a
# Windows program, the PE header's time stamp.
#   build_time.sh PROGRAM SOURCE_DIR
set -euo pipefail
program=$1
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$2" log -1 --format=%ct)}
failed=0

# __DATE__ pads a day below 10 with a space, as date's %e does; both are in UTC.
for text in "$(LC_ALL=C date -u -d "@$epoch" '+%b %e %Y')" "$(LC_ALL=C date -u -d "@$epoch" +%T)"; do
    grep -q -a -F "$text" "$program" || { echo "FAILED: no \"$text\" (time $epoch) in $program"; failed=1; }
done

if [ "$(head -c 2 "$program")" = MZ ]; then
    stamp=$(python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(4096)
pe = struct.unpack_from("<I", data, 0x3c)[0]
print(struct.unpack_from("<I", data, pe + 8)[0])' "$program")
    [ "$stamp" = "$epoch" ] || { echo "FAILED: the PE header's time stamp is $stamp, not $epoch"; failed=1; }
fi

[ "$failed" = 0 ] && echo "the program carries the time $epoch"
exit "$failed"
