# Sourced by the scripts that run the programs: which architectures this host
# can run, and the Wine loader for each.
#
# Debian's `wine` script takes the 32-bit loader whenever wine32 is installed,
# and that loader cannot start on a host without IA-32 emulation ("Exec format
# error"). The 64-bit loader is then called directly.

tarvik_wine64=/usr/lib/wine/wine64

# True when this host can start the 32-bit Wine loader.
host_runs_x86() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The loader that starts programs of architecture $1.
wine_for() {
    case "$1" in
        x86) echo wine ;;
        x64) echo "$tarvik_wine64" ;;
        *) echo "unknown architecture: $1" >&2; return 1 ;;
    esac
}

# Prints those of the architectures $2... that this host can run, on one
# line; says on stderr which were left out and why, $1 naming the work
# ("testing", "benchmarking").
runnable_archs() {
    local work="$1" runnable=() arch
    shift
    for arch in "$@"; do
        if [ "$arch" = x86 ] && ! host_runs_x86; then
            if [ "$*" = x86 ]; then
                echo "this host cannot start 32-bit programs: skipping the 32-bit build" >&2
            else
                echo "this host cannot start 32-bit programs: $work the 64-bit build only" >&2
            fi
            continue
        fi
        runnable+=("$arch")
    done
    echo "${runnable[*]}"
}

# Checks the ARCH words a make target was given.
check_archs() {
    local arch
    [ $# -gt 0 ] || { echo "no architecture given" >&2; return 1; }
    for arch in "$@"; do
        case "$arch" in
            x86|x64) ;;
            *) echo "ARCH must be x86 or x64, not '$arch'" >&2; return 1 ;;
        esac
    done
}
