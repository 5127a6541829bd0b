#!/usr/bin/env bash
# Run as root inside a fresh minimal Debian by .ci/debian-release.sh: a sysop's way from nothing
# to an installed boardmap, each part timed, failing at the first fault. The compilers and
# dpkg's tools must give no warning; lintian no error and no warning.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

summary=()
# part NAME COMMAND...: runs and times it, its output also in /srv/NAME.log.
part() {
    local name=$1 started=$SECONDS status=0
    shift
    echo "---- $name"
    "$@" 2>&1 | tee "/srv/$name.log" || status=$?
    summary+=("$(printf '%5d s  %s' $((SECONDS - started)) "$name")")
    if ((status != 0)); then
        echo "$name failed (status $status)" >&2
        exit 1
    fi
}

# no_compiler_warnings LOG: no compiler, linker or dpkg tool warned in the log ("file:line:
# warning: ..." or "tool: warning: ...").
no_compiler_warnings() {
    if grep -E ': warning: ' "$1"; then
        echo "the build warned (above, from $1)" >&2
        exit 1
    fi
}

release="Debian $(cat /etc/debian_version)"
echo "==== $release, $(uname -m)"
# A fresh system has no package lists; the README asks for git first.
part git sh -c 'apt-get update -q && apt-get install -y -q git'
git clone -q /srv/boardmap.git /srv/build/boardmap
cd /srv/build/boardmap

# The README's two commands, as they stand there: the test command, then the demo (on the
# same build).
readme_command() {
    awk -v lead="$1" 'index($0, lead) == 1 { found = 1 }
        found && /^```sh$/ { getline; print; exit }' README.md
}
test_command=$(readme_command "Run every test")
demo_command=$(readme_command "See it work")
if [[ -z $test_command || -z $demo_command ]]; then
    echo "the README lacks its test or demo command" >&2
    exit 1
fi
echo "README: $test_command"
part readme-test-command bash -c "$test_command"
no_compiler_warnings /srv/readme-test-command.log
echo "README: $demo_command"
part readme-demo-command bash -c "$demo_command"
rm -rf build

part build-dep apt-get build-dep -y -q ./
part dpkg-buildpackage dpkg-buildpackage -us -uc -b
no_compiler_warnings /srv/dpkg-buildpackage.log
# Every package of debian/control (not the debug symbols' packages beside them).
packages=()
for package in $(dh_listpackages); do
    packages+=(../"${package}"_*.deb)
done
part install apt-get install -y -q "${packages[@]}"
test "$(/usr/bin/boardmap)" = "Error reading RUNDAT.KVD!"

part tools apt-get install -y -q --no-install-recommends lintian autopkgtest
# lintian advises against root; it only reads the packages.
part lintian setpriv --reuid=nobody --regid=nogroup --clear-groups \
    lintian --fail-on error,warning --display-info ../boardmap_*.changes
part autopkgtest autopkgtest "${packages[@]}" ./ -- null

echo "==== $release: times"
printf '%s\n' "${summary[@]}"
echo "==== $release: the README's test command and the package build's tests"
grep -h -A3 'tests passed' /srv/readme-test-command.log /srv/dpkg-buildpackage.log || true
grep -h -A20 'The following tests did not run' /srv/readme-test-command.log || true
echo "==== $release: lintian"
cat /srv/lintian.log
echo "==== $release: autopkgtest"
sed -n '/@@@@@@@@@@@@@@@@@@@@ summary/,$p' /srv/autopkgtest.log
