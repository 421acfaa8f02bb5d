# Sourced by the entry scripts. `movra_on_debian13 "$0" "$@"` returns at once on Debian 13 (a
# host, or inside the project's Debian 13 root); on any other host it runs the whole script
# inside that root (scripts/debian13-root.sh, created on first use) and exits with its status.

# True when /etc/os-release (or $1) describes Debian 13.
movra_is_debian13() {
    local file=${1:-/etc/os-release} id="" version="" codename=""
    [[ -r $file ]] || return 1
    id=$(. "$file" && echo "${ID:-}")
    version=$(. "$file" && echo "${VERSION_ID:-}")
    codename=$(. "$file" && echo "${VERSION_CODENAME:-}")
    [[ $id == debian && ($version == 13 || $codename == trixie) ]]
}

movra_on_debian13() {
    movra_is_debian13 && return 0
    local script repo
    script=$(realpath "$1")
    shift
    repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)
    # Build folders outside the repository have to be visible inside the root too.
    local var dir
    for var in MOVRA_BUILD_DIR MOVRA_FUZZ_BUILD_DIR MOVRA_ASAN_BUILD_DIR; do
        [[ -n ${!var:-} ]] || continue
        dir=$(cd "$repo" && realpath -m "${!var}")
        export "$var=$dir" MOVRA_ROOT_BINDS="$dir${MOVRA_ROOT_BINDS:+:$MOVRA_ROOT_BINDS}"
    done
    cd "$repo"
    exec "$repo/scripts/debian13-root.sh" run "$script" "$@"
}
