# Sourced by scripts/debian13-root.sh. Finds the Debian archive and the security archive that the
# host's own apt uses, so that the project never has to name a package server itself.
#
#   movra_host_debian_uris [APT_DIR] [OS_RELEASE]
#
# prints "mirror URI" and "security URI" lines (each only when found) read from APT_DIR
# (default /etc/apt): sources.list.d/*.sources (deb822) and sources.list, sources.list.d/*.list
# (one-line form). Only a Debian host's entries count (another distribution's archive holds no
# Debian 13): those whose suite is the host's release, a Debian alias (stable, sid, ...) or one of
# their -updates/-security/-backports suites. The first matching URI of each kind wins.

movra_host_debian_uris() {
    local apt=${1:-/etc/apt} os_release=${2:-/etc/os-release} id codename
    [[ -r $os_release ]] || return 0
    id=$(. "$os_release" && echo "${ID:-}")
    codename=$(. "$os_release" && echo "${VERSION_CODENAME:-}")
    [[ $id == debian ]] || return 0
    local files=() f
    for f in "$apt"/sources.list.d/*.sources; do [[ -r $f ]] && files+=("$f"); done
    for f in "$apt"/sources.list "$apt"/sources.list.d/*.list; do [[ -r $f ]] && files+=("$f"); done
    ((${#files[@]})) || return 0
    # Each file becomes "URI SUITE" pairs (deb entries only), which one filter then classifies.
    local file
    for file in "${files[@]}"; do
        if [[ $file == *.sources ]]; then
            _movra_deb822_pairs "$file"
        else
            _movra_one_line_pairs "$file"
        fi
    done | awk -v codename="$codename" '
        function base(s) {
            sub(/\/updates$/, "-security", s)  # the security suite before Debian 11
            kind = "mirror"
            if (s ~ /-security$/) kind = "security"
            sub(/-(security|updates|backports|proposed-updates)$/, "", s)
            return s
        }
        {
            uri = $1
            sub(/\/+$/, "", uri)
            # What debootstrap can fetch from; apt-only methods (mirror+file:, cdrom:) are not.
            if (uri !~ /^(https?|ftp|file):/) next
            b = base($2)
            if (b != codename && b !~ /^(oldoldstable|oldstable|stable|testing|unstable|sid)$/)
                next
            if (!(kind in seen)) { seen[kind] = 1; print kind, uri }
        }'
}

# deb822 stanzas: "Types:" must include deb, "Enabled: no" skips; fields may continue on
# indented lines; "#" lines are comments.
_movra_deb822_pairs() {
    awk '
        function flush(   i, j, nu, ns, u, s) {
            if (types ~ /(^| )deb( |$)/ && tolower(enabled) != "no") {
                nu = split(uris, u, " "); ns = split(suites, s, " ")
                for (i = 1; i <= nu; i++) for (j = 1; j <= ns; j++) print u[i], s[j]
            }
            types = uris = suites = enabled = ""; field = ""
        }
        /^[ \t]*#/ { next }
        /^[ \t]*$/ { flush(); next }
        /^[ \t]/ {
            if (field == "uris") uris = uris " " $0
            else if (field == "suites") suites = suites " " $0
            next
        }
        {
            name = tolower($0); sub(/:.*/, "", name)
            value = $0; sub(/^[^:]*:[ \t]*/, "", value)
            field = name
            if (name == "types") types = value
            else if (name == "uris") uris = value
            else if (name == "suites") suites = value
            else if (name == "enabled") enabled = value
        }
        END { flush() }' "$1"
}

# One-line form: "deb [options] URI SUITE COMPONENTS...".
_movra_one_line_pairs() {
    awk '
        { sub(/#.*/, "") }
        $1 != "deb" { next }
        {
            line = $0
            sub(/^[ \t]*deb[ \t]+/, "", line)
            if (line ~ /^\[/) sub(/^\[[^]]*\][ \t]*/, "", line)
            split(line, f, /[ \t]+/)
            if (f[1] != "" && f[2] != "") print f[1], f[2]
        }' "$1"
}
