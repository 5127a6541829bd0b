#!/usr/bin/env bash
# The amd64 packages from two clean clones at different paths: the same commit, built in two
# places with the time stamps of the commit, must give the same bytes; so must the packages of
# build-static/ when this checkout holds no change of its own.
source "$(dirname "$0")/../lib.sh"
clones=$(mktemp -d)
trap 'rm -rf "$clones"' EXIT
for clone in "$clones/one/boardmap" "$clones/two/at/a/longer/path/boardmap"; do
    git clone -q "$PWD" "$clone"
    (
        cd "$clone"
        cmake --preset static -DBOARDMAP_TESTS=OFF >/dev/null
        cmake --build --preset static -j2 >/dev/null
        cd build-static && cpack -G DEB >/dev/null
    )
done
for package in boardmap libboardmap-support1 libboardmap-support-dev; do
    pair=("$clones"/one/boardmap/build-static/"$package"_*.deb
        "$clones"/two/at/a/longer/path/boardmap/build-static/"$package"_*.deb)
    if [[ -z $(git status --porcelain --untracked-files=no) ]] &&
        compgen -G "build-static/${package}_*.deb" >/dev/null; then
        pair+=(build-static/"$package"_*.deb)
    fi
    sha256sum "${pair[@]}"
    for other in "${pair[@]:1}"; do
        if ! cmp "${pair[0]}" "$other"; then
            if command -v diffoscope >/dev/null; then
                diffoscope "${pair[0]}" "$other" || true
            fi
            exit 1
        fi
    done
done
echo "the same bytes; time stamps of the last commit: $(TZ=UTC dpkg-deb -c "${pair[0]}" | awk 'NR == 1 { print $4, $5 }') UTC"
