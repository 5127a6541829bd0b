# Shared by the library's CI steps (sourced): the library installed from a build, programs built
# against it as a mailbox author builds them, and their runs compared with this machine's.

# fail MESSAGE...: notes a failed check; the step ends with status 1 after its other checks.
library_failed=0
fail() {
    echo "FAILED: $*" >&2
    library_failed=1
}

# install_library BUILD PREFIX: installs the two library packages' components of the build.
install_library() {
    local component
    for component in libboardmap-support1 libboardmap-support-dev; do
        cmake --install "$1" --prefix "$2" --component "$component" >/dev/null
    done
}

# expected_lookups: what the lookup example built on this machine prints on the sample mailbox
# for each board of lookup_boards, with its status (build/, preset default).
lookup_boards=(DX n0call nix)
expected_lookups() {
    cmake --preset default >/dev/null
    cmake --build build --target lookup_c_example -j2 >/dev/null
    lookups "$PWD/build/examples/lookup_c_example"
}

# lookups PROGRAM [RUNNER...]: the program's answer and status for each board, in a copy of the
# sample mailbox.
lookups() {
    local program=$1 board mailbox
    shift
    mailbox=$(mktemp -d)
    cp -R examples/mailbox/. "$mailbox"
    for board in "${lookup_boards[@]}"; do
        (cd "$mailbox" && "$@" "$program" "$board") || echo "status $?"
    done
    rm -rf "$mailbox"
}

# The warnings a mailbox author's C program is built with here.
program_warnings=(-std=c99 -Wall -Wextra -Wpedantic -Werror)

# build_32bit_programs COMPILER LIBDIR DIR: the C interface test and the lookup example, built
# into DIR by a 32-bit COMPILER through the pkg-config file of the library installed in LIBDIR,
# as a program without large-file or 64-bit time flags is built: its own off_t and time_t are of
# 32 bits, which is checked first.
build_32bit_programs() {
    local compiler=$1 dir=$3 flags
    flags=$(PKG_CONFIG_LIBDIR=$2/pkgconfig pkg-config --cflags --libs boardmap-support)
    echo "--- $compiler ${program_warnings[*]} ... $flags"
    printf '%s\n' '#include <sys/types.h>' '#include <time.h>' \
        '_Static_assert(sizeof(off_t) == 4 && sizeof(time_t) == 4, "32-bit off_t and time_t");' |
        "$compiler" -std=c11 -fsyntax-only -x c - $flags ||
        fail "a program of $compiler built with these flags has no 32-bit off_t and time_t"
    mkdir -p "$dir"
    "$compiler" "${program_warnings[@]}" -o "$dir/c_interface_test" support/c_interface_test.c \
        $flags
    "$compiler" "${program_warnings[@]}" -o "$dir/lookup" examples/lookup.c $flags
}

# expect_programs DIR RUNNER...: the C interface test and the lookup example, built into DIR,
# pass and print what this machine's build prints when they run under RUNNER.
expect_programs() {
    local dir=$1
    shift
    echo "--- under ${*:-this machine}: $dir/c_interface_test and $dir/lookup"
    if (cd examples/mailbox && "$@" "$dir/c_interface_test"); then
        echo "the C interface test passes"
    else
        fail "the C interface test under $*"
    fi
    local got
    got=$(lookups "$dir/lookup" "$@" 2>&1)
    if [[ $got == "$expected" ]]; then
        echo "the lookups print what they print on this machine:"
        sed 's/^/  /' <<<"$got"
    else
        fail "the lookups under $* printed:"$'\n'"$got"$'\n'"wanted:"$'\n'"$expected"
    fi
}
