# Installing agvsim: `cmake --install` into a temporary prefix, the installed program and
# Python module used from outside the source and build trees, and the Debian package made by
# CPack, unpacked and read (never installed on this machine).
#
# Environment (set by CTest): AGV_BUILD_DIR, AGV_VERSION (the CMake project's), GOLDEN_DIR.
import os, subprocess  # noqa: E401
from pathlib import Path

import pytest

BUILD, VERSION = Path(os.environ["AGV_BUILD_DIR"]), os.environ["AGV_VERSION"]
GOLDEN = Path(os.environ["GOLDEN_DIR"])
MODULE = "lib/python3/dist-packages/agvsim"
# What the prefix holds: the program, the package with its extension, the page, the guide.
FILES = ["bin/agvsim", f"{MODULE}/__init__.py", f"{MODULE}/__main__.py", f"{MODULE}/loops.py",
         "share/agvsim/web/index.html",
         "share/agvsim/web/agvsim.js", "share/doc/agvsim/README.md", "share/doc/agvsim/README.ja.md",
         "share/doc/agvsim/docs/theory.md", "share/doc/agvsim/docs/ja/theory.md"]


def run(*args, **kw): return subprocess.run(args, capture_output=True, timeout=300, check=True, **kw)


@pytest.fixture(scope="module")
def prefix(tmp_path_factory):
    root = tmp_path_factory.mktemp("prefix")
    run("cmake", "--install", str(BUILD), "--prefix", str(root))
    return root


def test_installed_program_and_module(prefix, tmp_path):
    assert [f for f in FILES if not (prefix / f).is_file()] == [] and list((prefix / MODULE).glob("_core*.so"))
    # The start-up dialog with its defaults, its input ending at the last key question (before
    # the window): the golden transcript but that key's echo, and status 0.
    done = subprocess.run([prefix / "bin/agvsim"], input=b"0\nn\nn\nn\nx\n", capture_output=True,
                          timeout=60, cwd=tmp_path)
    assert done.returncode == 0 and done.stdout.decode() == (GOLDEN / "defaults.txt").read_text("utf-8")[:-2]
    # The module from a folder outside the trees, with only the prefix's packages on the path.
    env = {"PATH": "/usr/bin:/bin", "PYTHONPATH": str(prefix / "lib/python3/dist-packages")}
    out = run("/usr/bin/python3", "-c", "import agvsim; print(agvsim.__version__, agvsim.__file__, "
              "len(agvsim.simulate().run('2DW1C', 'sampled')))", cwd=tmp_path, env=env).stdout.decode()
    assert out.split() == [VERSION, str(prefix / MODULE / "__init__.py"), "1011"]  # 1010 records of 20 ms


def test_debian_package(tmp_path):
    run("cpack", "-G", "DEB", "-B", str(tmp_path), cwd=BUILD)
    deb = tmp_path / f"agvsim_{VERSION}_amd64.deb"
    run("dpkg-deb", "-x", str(deb), str(tmp_path / "root"))
    assert [f for f in FILES if not (tmp_path / "root/usr" / f).is_file()] == []
    fields = dict(line.split(": ", 1) for line in run("dpkg-deb", "-f", str(deb)).stdout.decode().splitlines()
                  if ": " in line)
    depends = [d.strip() for d in fields["Depends"].split(",")]
    assert fields["Package"] == "agvsim" and fields["Version"] == VERSION and fields["Maintainer"]
    assert {"python3 (>= 3.11)", "python3 (<< 3.12)", "python3-numpy"} <= set(depends)
    assert any(d.startswith("libglut") for d in depends) and any(d.startswith("libc6") for d in depends)
