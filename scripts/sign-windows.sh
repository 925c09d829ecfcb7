#!/usr/bin/env bash
# Signs a Windows program in place with an Authenticode signature (osslsigncode, SHA-256 digest),
# replacing any signature it already has.
#   sign-windows.sh EXE PFX [TIMESTAMP_URL]
# PFX holds the certificate and its private key; its password comes from the environment variable
# QF_SIGN_PASSWORD (unset or empty: none), never from the command line, where other users could
# read it.
# With TIMESTAMP_URL, an RFC 3161 time-stamp server countersigns, so the signature stays valid
# after the certificate expires.
set -euo pipefail
[ $# -ge 2 ] && [ $# -le 3 ] || { echo "usage: sign-windows.sh EXE PFX [TIMESTAMP_URL]" >&2; exit 2; }
exe=$1 pfx=$2 timestamp=${3:-}

command -v osslsigncode >/dev/null || { echo "osslsigncode is missing (bash scripts/setup.sh installs it)" >&2; exit 1; }
[ -f "$exe" ] || { echo "no such program: $exe" >&2; exit 1; }
[ -f "$pfx" ] || { echo "no such certificate file: $pfx" >&2; exit 1; }

# osslsigncode writes a new file only: the signed copy goes into a folder of its own first.
tmp=$(mktemp -d "$(dirname "$exe")/.signing.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
signed=$tmp/$(basename "$exe")
args=(sign -pkcs12 "$pfx" -h sha256 -n qf_installer -in "$exe" -out "$signed")
[ -z "$timestamp" ] || args+=(-ts "$timestamp")

# The password reaches osslsigncode through a pipe. osslsigncode refuses an empty password file
# (it exits with 255), so a certificate without a password gets no -readpass at all, which opens
# one made with an empty password as well as one made with none.
if [ -n "${QF_SIGN_PASSWORD:-}" ]; then
    osslsigncode "${args[@]}" -readpass <(printf '%s' "$QF_SIGN_PASSWORD") >/dev/null
else
    osslsigncode "${args[@]}" >/dev/null
fi
chmod --reference="$exe" "$signed"
mv -f "$signed" "$exe"
echo "signed $exe"
