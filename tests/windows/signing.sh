#!/usr/bin/env bash
# Signs a copy of qf_installer.exe as the maker does (scripts/sign-windows.sh) with a throw-away
# certificate made here, and checks that the signature verifies with a SHA-256 digest, that a wrong
# password fails and leaves the program alone, that signing changed nothing but the signature, and
# that the signed program still runs under Wine (one flow of tests/window/flows.py, whose
# environment this test is given).
#   signing.sh EXE WORKDIR
set -euo pipefail
exe=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
sign=$here/../../scripts/sign-windows.sh

rm -rf "$work" && mkdir -p "$work"
signed=$work/qf_installer.exe
cp "$exe" "$signed"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throw-away test signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
export QF_SIGN_PASSWORD="throw-away $$"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.pfx" -passout env:QF_SIGN_PASSWORD

if QF_SIGN_PASSWORD=wrong bash "$sign" "$signed" "$work/signer.pfx" 2>/dev/null; then
    echo "FAILED: signing with a wrong password succeeded"
    exit 1
fi
cmp -s "$exe" "$signed" || { echo "FAILED: a failed signing changed the program"; exit 1; }

verify() { # SIGNED WHAT
    osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.txt" 2>&1 || true
    grep -q "^Signature verification: ok" "$work/verify.txt" &&
        grep -q "^Message digest algorithm *: SHA256" "$work/verify.txt" ||
        { cat "$work/verify.txt"; echo "FAILED: no verified SHA-256 signature $2"; exit 1; }
}

bash "$sign" "$signed" "$work/signer.pfx"
verify "$signed" "with the certificate's password"

# A certificate without a password signs with QF_SIGN_PASSWORD unset.
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/no-password.pfx" \
    -keypbe NONE -certpbe NONE -nomac -passout pass:
cp "$exe" "$work/no-password.exe"
env -u QF_SIGN_PASSWORD bash "$sign" "$work/no-password.exe" "$work/no-password.pfx" ||
    { echo "FAILED: a certificate without a password did not sign"; exit 1; }
verify "$work/no-password.exe" "from a certificate without a password"

# build-windows.sh --sign signs the program of the build type the folder was configured with,
# whatever QF_BUILD_TYPE says now. Only its last step is of interest: the build and the signing
# are stand-ins that note what they were given.
fake=$work/build-script
mkdir -p "$fake/scripts" "$fake/bin" "$fake/build"
cp "$here/../../scripts/build-windows.sh" "$fake/scripts/"
printf '%s\n' '#!/bin/sh' 'exit 0' >"$fake/bin/cmake" && chmod +x "$fake/bin/cmake"
echo 'true' >"$fake/scripts/build-mingw-deps.sh"
echo 'echo "$1" >"$(dirname "$0")/../signed-path"' >"$fake/scripts/sign-windows.sh"
printf '%s\n' QF_JUCE:STRING=system CMAKE_BUILD_TYPE:STRING=Debug >"$fake/build/CMakeCache.txt"
PATH="$fake/bin:$PATH" QF_BUILD_TYPE=Release QF_WINDOWS_BUILD_DIR="$fake/build" \
    bash "$fake/scripts/build-windows.sh" --sign "$work/signer.pfx"
[ "$(cat "$fake/signed-path")" = "$fake/build/qf_installer_artefacts/Debug/qf_installer.exe" ] ||
    { echo "FAILED: a Debug build folder had $(cat "$fake/signed-path") signed"; exit 1; }

python3 "$here/check_resources.py" "$signed" --same-as "$exe"
QF_WINDOWS_EXE=$signed /usr/bin/python3 "$here/../window/flows.py" wine nothing_ticked_gives_the_orange_notice_which_fades_in_three_seconds_under_working_clicks
