"""The project's own scripts: the one X server the test suites share, the Debian 13 check that
decides whether a script enters the Debian 13 root, and the build folder's system guard."""

import os
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
SCRIPTS = REPO / "scripts"


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=300, **kw)


def test_one_x_server_keeps_its_state_across_clients_and_stops_after_the_command():
    # A root-window property set by one client is still there for the next only if the server
    # did not reset when the first disconnected.
    script = (
        'xprop -root -f _MOVRA_PROBE 8s -set _MOVRA_PROBE kept && '
        'xprop -root _MOVRA_PROBE && echo "display=$DISPLAY backend=$GDK_BACKEND"; exit 7'
    )
    r = run([SCRIPTS / "with-xvfb.sh", "bash", "-c", script])
    assert r.returncode == 7, r.stderr
    assert '_MOVRA_PROBE(STRING) = "kept"' in r.stdout
    assert "backend=x11" in r.stdout
    display = r.stdout.split("display=")[1].split()[0]
    gone = run(["xdpyinfo", "-display", display])
    assert gone.returncode != 0, f"the server on {display} still answers"


def test_two_servers_at_once_get_their_own_displays():
    script = 'xdpyinfo >/dev/null && echo "$DISPLAY"; sleep 1'
    cmd = [SCRIPTS / "with-xvfb.sh", "bash", "-c", script]
    procs = [subprocess.Popen(cmd, stdout=subprocess.PIPE, text=True) for _ in range(2)]
    outs = [p.communicate(timeout=120)[0].strip() for p in procs]
    assert [p.returncode for p in procs] == [0, 0]
    assert outs[0] != outs[1] and all(o.startswith(":") for o in outs)


@pytest.mark.parametrize(
    "os_release, is13",
    [
        ('ID=debian\nVERSION_ID="13"\nVERSION_CODENAME=trixie\n', True),
        ("ID=debian\nVERSION_CODENAME=trixie\n", True),  # trixie before its release
        ('ID=debian\nVERSION_ID="12"\nVERSION_CODENAME=bookworm\n', False),
        ("ID=debian\nVERSION_CODENAME=forky\n", False),
        ('ID=ubuntu\nID_LIKE=debian\nVERSION_ID="24.04"\nVERSION_CODENAME=noble\n', False),
    ],
)
def test_debian13_is_recognised_from_os_release(tmp_path, os_release, is13):
    f = tmp_path / "os-release"
    f.write_text(os_release)
    r = run(["bash", "-c", f'. "{SCRIPTS}/lib/on-debian13.sh"; movra_is_debian13 "{f}"'])
    assert (r.returncode == 0) == is13


def test_build_folder_of_another_system_is_started_afresh(tmp_path):
    build = tmp_path / "build"
    build.mkdir()
    (build / "CMakeCache.txt").write_text("CMAKE_HOME_DIRECTORY:INTERNAL=/elsewhere\n")
    (build / "old-object.o").write_text("")
    (build / ".movra-system").write_text("another-system\n")
    env = dict(os.environ, MOVRA_BUILD_DIR=str(build), MOVRA_BUILD_TARGETS="movra_version_check")

    first = run([SCRIPTS / "build.sh", "-DMOVRA_BUILD_BENCH=OFF"], env=env)
    assert first.returncode == 0, first.stderr
    assert "configured on another system" in first.stderr
    assert not (build / "old-object.o").exists()
    assert (build / "module" / "libmovra_version_check.a").exists()

    # The same system again: the folder is kept and only brought up to date.
    (build / "kept").write_text("")
    again = run([SCRIPTS / "build.sh", "-DMOVRA_BUILD_BENCH=OFF"], env=env)
    assert again.returncode == 0, again.stderr
    assert "another system" not in again.stderr
    assert (build / "kept").exists()


DEBIAN12 = 'ID=debian\nVERSION_ID="12"\nVERSION_CODENAME=bookworm\n'
# Archives on this machine itself (the loopback address and local folders): the parser only
# reads the text, and no test names a server.
LOCAL = "http://127.0.0.1"


@pytest.mark.parametrize(
    "files, os_release, expected",
    [
        # deb822 as Debian 12 installs it, other vendors' archives beside it.
        ({"sources.list.d/debian.sources": (
            f"Types: deb deb-src\n# a comment\nURIs: {LOCAL}/debian/\n"
            "Suites: bookworm bookworm-updates\nComponents: main\n\n"
            "Types: deb\nURIs: file:/srv/debian-security\nSuites: bookworm-security\n"
            "Components: main\n"),
          "sources.list.d/vendor.sources": (
            f"Types: deb\nURIs: {LOCAL}/vendor/apt\nSuites: nodistro\nComponents: main\n")},
         DEBIAN12,
         [f"mirror {LOCAL}/debian", "security file:/srv/debian-security"]),
        # One-line form with options; a disabled stanza and deb-src lines do not count.
        ({"sources.list": (
            f"deb-src {LOCAL}/src/debian bookworm main\n"
            f"deb [arch=amd64 signed-by=/k.gpg] {LOCAL}/one-line/debian stable main # x\n"),
          "sources.list.d/off.sources": (
            f"Enabled: no\nTypes: deb\nURIs: {LOCAL}/off/debian\nSuites: bookworm\n")},
         DEBIAN12, [f"mirror {LOCAL}/one-line/debian"]),
        # Another distribution's archive holds no Debian 13, and apt-only methods are skipped.
        ({"sources.list": f"deb {LOCAL}/ubuntu noble main\n"},
         'ID=ubuntu\nVERSION_CODENAME=noble\n', []),
        ({"sources.list": "deb mirror+file:/etc/apt/mirrors.txt bookworm main\n"}, DEBIAN12, []),
        ({}, DEBIAN12, []),
    ],
)
def test_debian_archives_are_taken_from_the_hosts_apt_sources(tmp_path, files, os_release,
                                                                expected):
    apt = tmp_path / "apt"
    (apt / "sources.list.d").mkdir(parents=True)
    for name, text in files.items():
        (apt / name).write_text(text)
    (tmp_path / "os-release").write_text(os_release)
    r = run(["bash", "-c", f'. "{SCRIPTS}/lib/host-apt.sh"; '
             f'movra_host_debian_uris "{apt}" "{tmp_path}/os-release"'])
    assert r.returncode == 0, r.stderr
    assert r.stdout.splitlines() == expected

