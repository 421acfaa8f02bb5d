#!/usr/bin/env bash
# A Debian 13 ("trixie") root for hosts of another Debian-family release, where Debian's
# wxPython for Python 3.13 does not exist. The project's scripts enter it by themselves (see
# scripts/lib/on-debian13.sh); it can also be used by hand:
#
#   scripts/debian13-root.sh run COMMAND [ARGS...]   run COMMAND inside, in the current folder
#   scripts/debian13-root.sh shell                   an interactive shell inside
#   scripts/debian13-root.sh create                  create it now (run does so when needed)
#   scripts/debian13-root.sh delete                  remove it
#   scripts/debian13-root.sh where                   print its path
#
# The root lives at $MOVRA_DEBIAN13_ROOT (default /var/tmp/movra-debian13) and is made once with
# debootstrap; later runs reuse it. It is built in a separate folder and moved into place only when
# complete, so an interrupted creation is started over next time.
# Package servers: the Debian archive and the security archive that the host's own apt uses
# (/etc/apt/sources.list.d/*.sources, /etc/apt/sources.list); $MOVRA_DEBIAN_MIRROR and
# $MOVRA_DEBIAN_SECURITY_MIRROR override them (the latter set but empty: no security suite).
# The root trusts the host's own CA certificates (/usr/local/share/ca-certificates) and uses its
# pip settings (/etc/pip.conf), so that apt and pip work behind the same proxy as the host's; both
# are copied in again whenever the host's differ.
# Each run mounts /proc, /sys, /dev and the repository (at the same path, plus any folders in the
# colon-separated $MOVRA_ROOT_BINDS) in a private mount namespace: the mounts vanish with the run,
# so nothing of the host stays mounted under the root and deleting it never reaches the host.
# Needs root; re-runs itself with sudo when started by another user.
set -euo pipefail

ROOT=${MOVRA_DEBIAN13_ROOT:-/var/tmp/movra-debian13}
KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
SELF="$REPO/scripts/debian13-root.sh"
HOST_CA_DIR=/usr/local/share/ca-certificates
HOST_PIP_CONF=/etc/pip.conf
# shellcheck source=lib/host-apt.sh
. "$REPO/scripts/lib/host-apt.sh"
# Variables that the project's scripts read; everything else of the host stays outside.
PASSED_VARS=(CI MOVRA_BUILD_DIR MOVRA_FUZZ_BUILD_DIR MOVRA_ASAN_BUILD_DIR MOVRA_FUZZ_SECONDS
    MOVRA_CORRUPT_FLIPS MOVRA_XVFB_SCREEN MOVRA_ROOT_BINDS
    http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY)

die() {
    echo "debian13-root: $*" >&2
    exit 1
}

become_root() {
    [[ $(id -u) == 0 ]] && return
    command -v sudo >/dev/null || die "needs root to manage $ROOT: run as root"
    local keep
    keep=$(IFS=,; echo "${PASSED_VARS[*]},MOVRA_DEBIAN13_ROOT,MOVRA_DEBIAN_MIRROR")
    keep+=,MOVRA_DEBIAN_SECURITY_MIRROR
    exec sudo --preserve-env="$keep" -- "$SELF" "$@"
}

# Holds $ROOT.lock on fd 9: exclusive while creating or deleting, shared while a run uses it.
lock() {
    if [[ -z ${lock_open:-} ]]; then
        mkdir -p "$(dirname "$ROOT")"
        exec 9>>"$ROOT.lock"
        lock_open=1
    fi
    flock "$1" 9
}

install_host_tools() {
    local missing=()
    command -v debootstrap >/dev/null || missing+=(debootstrap)
    [[ -r $KEYRING ]] || missing+=(debian-archive-keyring)
    command -v unshare >/dev/null || missing+=(util-linux)
    ((${#missing[@]})) || return 0
    echo "debian13-root: installing ${missing[*]} on the host" >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
}

# Sets MIRROR and SECURITY_MIRROR: the variables where given, else what the host's apt uses.
choose_mirrors() {
    local kind uri host_mirror="" host_security=""
    while read -r kind uri; do
        case $kind in
            mirror) host_mirror=$uri ;;
            security) host_security=$uri ;;
        esac
    done < <(movra_host_debian_uris)
    MIRROR=${MOVRA_DEBIAN_MIRROR:-$host_mirror}
    SECURITY_MIRROR=${MOVRA_DEBIAN_SECURITY_MIRROR-$host_security}
    [[ -n $MIRROR ]] || die "no Debian archive to create the root from: the host's apt sources \
(/etc/apt/sources.list.d/*.sources, /etc/apt/sources.list) name none; set MOVRA_DEBIAN_MIRROR to \
a Debian mirror's URL (and MOVRA_DEBIAN_SECURITY_MIRROR to its security archive, if any)"
    if [[ -z $SECURITY_MIRROR ]]; then
        echo "debian13-root: no security archive named; the root gets no security updates" >&2
    fi
    local security=${SECURITY_MIRROR:+, security archive $SECURITY_MIRROR}
    echo "debian13-root: Debian archive $MIRROR$security" >&2
}

# True when TARGET holds exactly the host's own CA certificates and pip settings.
host_config_taken() {
    local target=$1
    if [[ -d $HOST_CA_DIR ]]; then
        diff -rq "$HOST_CA_DIR" "$target$HOST_CA_DIR" >/dev/null 2>&1 || return 1
    elif [[ -n $(ls -A "$target$HOST_CA_DIR" 2>/dev/null) ]]; then
        return 1
    fi
    if [[ -f $HOST_PIP_CONF ]]; then
        cmp -s "$HOST_PIP_CONF" "$target$HOST_PIP_CONF"
    else
        [[ ! -e $target$HOST_PIP_CONF ]]
    fi
}

# Copies the host's CA certificates and pip settings into TARGET (removing ones the host no
# longer has) and rebuilds its certificate bundle, which apt, pip and Python's ssl all read.
take_host_config() {
    local target=$1
    rm -rf "${target:?}$HOST_CA_DIR"
    mkdir -p "$target$HOST_CA_DIR"
    if [[ -d $HOST_CA_DIR ]]; then cp -a "$HOST_CA_DIR/." "$target$HOST_CA_DIR/"; fi
    if [[ -f $HOST_PIP_CONF ]]; then
        cp -f "$HOST_PIP_CONF" "$target$HOST_PIP_CONF"
    else
        rm -f "$target$HOST_PIP_CONF"
    fi
    # The bundle is written to a new file and renamed, so runs using the root meanwhile see
    # either the old one or the new one.
    # (Its rehash step warns about the bundle itself on every run: noise, not a fault.)
    chroot "$target" update-ca-certificates >/dev/null 2>&1 ||
        die "update-ca-certificates failed in $target"
}

# Brings an existing root up to the host's CA certificates and pip settings. A lock of its own,
# held only for the copy, so that it never waits for runs that use the root.
sync_host_config() {
    host_config_taken "$ROOT" && return 0
    exec 8>>"$ROOT.config.lock"
    flock -x 8
    if ! host_config_taken "$ROOT"; then
        echo "debian13-root: taking the host's CA certificates and pip settings into $ROOT" >&2
        take_host_config "$ROOT"
    fi
    exec 8>&-
}

# The part of creation that mounts things runs in its own mount namespace (debootstrap mounts
# /proc and /sys inside the target and would leave them behind if it were killed).
bootstrap() {
    local target=$1 log=$2 MIRROR=$3 SECURITY_MIRROR=$4
    debootstrap --variant=minbase --include=ca-certificates --keyring="$KEYRING" \
        trixie "$target" "$MIRROR" >"$log" 2>&1 || return 1
    rm -f "$target/etc/apt/sources.list"
    local sources="$target/etc/apt/sources.list.d/debian.sources" entry
    entry='Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n'
    # shellcheck disable=SC2059  # the format is the fixed entry above
    printf "$entry" "$MIRROR" "trixie trixie-updates" "$KEYRING" >"$sources"
    if [[ -n $SECURITY_MIRROR ]]; then
        printf "\n$entry" "$SECURITY_MIRROR" trixie-security "$KEYRING" >>"$sources"
    fi
    take_host_config "$target"
    # A throw-away build root: no fsync after every unpacked file.
    echo force-unsafe-io >"$target/etc/dpkg/dpkg.cfg.d/movra-unsafe-io"
    # Names this root, so that build folders can tell it from the host and from earlier roots.
    cat /proc/sys/kernel/random/uuid >"$target/etc/movra-root-id"
}

create() {
    # A shared lock is enough to see that the root exists; asking for the exclusive one first
    # would make every run wait for any other run (a test suite, the app) to finish.
    lock -s
    [[ -d $ROOT ]] && return 0
    lock -x
    [[ -d $ROOT ]] && return 0
    choose_mirrors
    install_host_tools
    local partial="$ROOT.partial"
    # Left by a creation that did not finish; only this function ever writes there.
    rm -rf --one-file-system "$partial"
    echo "debian13-root: creating a Debian 13 root at $ROOT (a few minutes, once)..." >&2
    local start=$SECONDS
    if ! unshare --mount --propagation private "$SELF" __bootstrap "$partial" "$ROOT.log" \
        "$MIRROR" "$SECURITY_MIRROR"; then
        tail -n 20 "$ROOT.log" >&2
        die "debootstrap failed, see $ROOT.log (the next run starts over)"
    fi
    mv "$partial" "$ROOT"
    echo "debian13-root: created in $((SECONDS - start)) s" >&2
}

delete() {
    lock -x
    rm -rf --one-file-system "$ROOT" "$ROOT.partial"
}

# Inside the private mount namespace: mount what a build and an X server need, then chroot.
enter() {
    local dir=$1
    shift
    mount -t proc proc "$ROOT/proc"
    mount --rbind /sys "$ROOT/sys"
    mount --rbind /dev "$ROOT/dev"
    local binds=("$REPO") b
    IFS=: read -ra extra <<<"${MOVRA_ROOT_BINDS:-}"
    for b in "${extra[@]}"; do [[ -n $b ]] && binds+=("$(realpath -m "$b")"); done
    for b in "${binds[@]}"; do
        mkdir -p "$b" "$ROOT$b"
        mount --bind "$b" "$ROOT$b"
    done
    cp -f /etc/resolv.conf "$ROOT/etc/resolv.conf" 2>/dev/null || true
    local env=(HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
    local v
    for v in "${PASSED_VARS[@]}"; do [[ -n ${!v+x} ]] && env+=("$v=${!v}"); done
    # A clean environment: the host's PATH may name interpreters that do not exist inside.
    exec chroot "$ROOT" /usr/bin/env -i "${env[@]}" \
        bash -c 'cd "$0" && exec "$@"' "$dir" "$@"
}

run() {
    (($#)) || die "usage: debian13-root.sh run COMMAND [ARGS...]"
    create
    lock -s
    case $PWD/ in
        "$REPO"/*) ;;
        *) die "run from inside the repository ($REPO)" ;;
    esac
    sync_host_config
    exec unshare --mount --propagation private "$SELF" __enter "$PWD" "$@"
}

case ${1:-} in
    where) echo "$ROOT" ;;
    create) become_root "$@"; create ;;
    delete) become_root "$@"; delete ;;
    run) become_root "$@"; shift; run "$@" ;;
    shell) become_root "$@"; run bash -l ;;
    __enter) shift; enter "$@" ;;
    __bootstrap) shift; bootstrap "$@" ;;
    *) die "usage: debian13-root.sh run COMMAND [ARGS...] | shell | create | delete | where" ;;
esac
