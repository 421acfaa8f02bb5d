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
    # A build folder outside the repository has to be visible inside the root too.
    if [[ -n ${MOVRA_BUILD_DIR:-} ]]; then
        MOVRA_BUILD_DIR=$(cd "$repo" && realpath -m "$MOVRA_BUILD_DIR")
        MOVRA_ROOT_BINDS="$MOVRA_BUILD_DIR${MOVRA_ROOT_BINDS:+:$MOVRA_ROOT_BINDS}"
        export MOVRA_BUILD_DIR MOVRA_ROOT_BINDS
    fi
    cd "$repo"
    exec "$repo/scripts/debian13-root.sh" run "$script" "$@"
}
