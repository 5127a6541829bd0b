# Sourced by every step of .ci/steps/: strict mode, the repository root as working directory,
# and the helpers the steps share.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
export DEBIAN_FRONTEND=noninteractive

# build PRESET [CONFIGURE ARGS...]: configures and builds the preset; what an earlier step built
# is taken as it is, so that each step also runs alone.
build() {
    local preset=$1
    shift
    cmake --preset "$preset" "$@" >/dev/null
    cmake --build --preset "$preset" -j2
}

# Lets the kernel hand ARM programs to qemu-user: mounts binfmt_misc and registers or enables
# Debian's qemu entries where that is all that is missing. Says what it could not do.
enable_qemu_binfmt() {
    local dir=/proc/sys/fs/binfmt_misc cpu
    if [[ ! -e $dir/register ]] && ! mount -t binfmt_misc binfmt_misc "$dir"; then
        echo "binfmt_misc is not mounted and cannot be mounted here"
        return 0
    fi
    for cpu in aarch64 arm; do
        if [[ ! -e $dir/qemu-$cpu ]]; then
            grep -v '^#' "/usr/lib/binfmt.d/qemu-$cpu.conf" >"$dir/register" ||
                echo "cannot register qemu-$cpu with binfmt_misc"
        fi
        if [[ -e $dir/qemu-$cpu && $(head -n 1 "$dir/qemu-$cpu") != enabled ]]; then
            echo 1 >"$dir/qemu-$cpu" || echo "cannot enable qemu-$cpu in binfmt_misc"
        fi
        if [[ -e $dir/qemu-$cpu ]]; then
            echo "qemu-$cpu: $(tr '\n' ' ' <"$dir/qemu-$cpu" | cut -c 1-70)"
        fi
    done
}

# runs_here TOOL [EMULATOR...]: whether this machine runs the tool (under the emulator command,
# if one is given): outside a mailbox it reports the missing run data.
runs_here() {
    local tool dir answer
    tool=$(realpath "$1")
    shift
    dir=$(mktemp -d)
    answer=$(cd "$dir" && "$@" "$tool" 2>&1) || true
    rmdir "$dir"
    [[ $answer == "Error reading RUNDAT.KVD!" ]]
}

# expect_search TOOL [EMULATOR...]: a search in a copy of the sample mailbox prints what the
# static tool of this machine prints.
expect_search() {
    local tool native dir expected answer
    tool=$(realpath "$1")
    native=$PWD/build-static/boardmap
    shift
    dir=$(mktemp -d)
    cp -R examples/mailbox/. "$dir"
    expected=$(cd "$dir" && "$native" dx)
    answer=$(cd "$dir" && "$@" "$tool" dx 2>&1) || true
    rm -rf "$dir"
    if [[ $answer != "$expected" ]]; then
        printf '%s: boardmap dx printed:\n%s\nwanted:\n%s\n' "$* $tool" "$answer" "$expected" >&2
        exit 1
    fi
    local how=natively
    (($# == 0)) || how="under $*"
    echo "${tool##*/} $how: $(file -b "$tool" | cut -d, -f1-2), a search in the sample mailbox: as wanted"
}

# The tool in the build directory is fully static (no dynamic loader), a static PIE or not.
expect_static() {
    file "$1"
    if ! file "$1" | grep -q 'statically linked\|static-pie linked'; then
        echo "$1 is not statically linked" >&2
        exit 1
    fi
}

# expect_contents PACKAGE PATH...: the package holds every path given.
expect_contents() {
    local package=$1
    shift
    local contents path
    contents=$(dpkg-deb -c "$package")
    echo "--- contents of $package"
    echo "$contents"
    for path in "$@"; do
        # A link's path stands before its "-> target".
        if ! awk '{print $(NF-1) == "->" ? $(NF-2) : $NF}' <<<"$contents" | grep -qxF "$path"; then
            echo "$package lacks $path" >&2
            exit 1
        fi
    done
}

# Each package architecture's build directories, the tool's and the support library's: the
# 32-bit ARM build of the armel compiler makes the armhf package of the tool and the three armel
# packages; the armhf library's packages come from the build of the armhf compiler at ARMv6.
declare -A package_build=([amd64]=build-static [arm64]=build-arm64 [armhf]=build-armhf
    [armel]=build-armhf [i386]=build-i386)
declare -A library_build=([amd64]=build-static [arm64]=build-arm64 [armhf]=build-armhf-library
    [armel]=build-armhf [i386]=build-i386)

# The packages that the package steps made, all architectures.
built_packages() {
    local build
    for build in build-static build-arm64 build-armhf build-armhf-library build-i386; do
        compgen -G "$build/*.deb" || true
    done
}
