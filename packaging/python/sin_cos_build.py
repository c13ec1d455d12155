"""The PEP 517 build backend of the sin_cos Python package.

It runs the project's CMake and packs what CMake installs as the component
`python`, so that the sources compiled and the files shipped are listed once,
in CMake; the version is CMake's project VERSION. Only the standard library
is used (tomllib, or tomli before Python 3.11), so that pip builds offline:

    pip install --no-build-isolation --no-index .

config_settings (pip's --config-settings): build-dir=DIR keeps the CMake
build there for the next build; cmake-args="-DX=Y ..." adds to CMake's
configure step.
"""

import base64
import csv
import hashlib
import io
import os
import re
import shlex
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import time
import zipfile

try:
    import tomllib
except ImportError:  # before Python 3.11
    import tomli as tomllib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# Fixed times in the archives, so that the same sources give the same wheel.
EPOCH = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))


def _project():
    with open(os.path.join(ROOT, "pyproject.toml"), "rb") as f:
        return tomllib.load(f)["project"]


def _version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        found = re.search(r"project\(\s*sin_cos\s+VERSION\s+([0-9.]+)", f.read())
    if not found:
        raise RuntimeError("CMakeLists.txt: no project(sin_cos VERSION ...)")
    return found.group(1)


def _metadata():
    project = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {_version()}",
             f"Summary: {project['description']}", f"Requires-Python: {project['requires-python']}"]
    lines += [f"Requires-Dist: {d}" for d in project.get("dependencies", [])]
    for extra, requirements in project.get("optional-dependencies", {}).items():
        lines.append(f"Provides-Extra: {extra}")
        lines += [f"Requires-Dist: {r}; extra == '{extra}'" for r in requirements]
    lines.append("Description-Content-Type: text/markdown")
    with open(os.path.join(ROOT, project["readme"]), encoding="utf-8") as f:
        return "\n".join(lines) + "\n\n" + f.read()


def _tag():
    """The wheel's tag: this interpreter, its ABI and its platform."""
    impl = {"cpython": "cp", "pypy": "pp"}.get(sys.implementation.name, sys.implementation.name)
    version = f"{impl}{sys.version_info.major}{sys.version_info.minor}"
    abi = version + getattr(sys, "abiflags", "") if impl == "cp" else "none"
    platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
    return f"{version}-{abi}-{platform}"


def _dist_info():
    return f"sin_cos-{_version()}.dist-info"


def _wheel_text():
    return f"Wheel-Version: 1.0\nGenerator: sin_cos_build\nRoot-Is-Purelib: false\nTag: {_tag()}\n"


def _run(*command):
    print("+", shlex.join(command), file=sys.stderr, flush=True)
    subprocess.run(command, check=True, cwd=ROOT)


def _cmake_build(build, stage, config_settings):
    cmake = shutil.which("cmake")
    if cmake is None:
        raise RuntimeError("sin_cos is built with CMake (Debian: cmake), and no cmake is on the PATH")
    configure = [cmake, "-S", ROOT, "-B", build, f"-DPython3_EXECUTABLE={sys.executable}", "-DBUILD_TESTING=OFF",
                 "-DSIN_COS_PYTHON_INSTALL_DIR=."]
    try:
        import pybind11  # pip's pybind11 (build isolation) carries its CMake files

        configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
    except (ImportError, AttributeError, OSError):
        pass  # Debian's pybind11-dev, found by CMake
    configure += shlex.split(config_settings.get("cmake-args", ""))
    _run(*configure)
    jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
    try:
        _run(cmake, "--build", build, "--target", "python_module", "--parallel", jobs)
    except subprocess.CalledProcessError:
        raise RuntimeError("CMake could not build the Python module: its configure step above names what is "
                           "missing (Debian: python3-dev, pybind11-dev, python3-numpy)") from None
    _run(cmake, "--install", build, "--component", "python", "--prefix", stage, "--strip")


def _record_line(arcname, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return [arcname, f"sha256={digest}", str(len(data))]


def _zip_add(archive, arcname, data, mode):
    info = zipfile.ZipInfo(arcname, date_time=_zip_time())
    info.external_attr = (mode & 0xFFFF) << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    archive.writestr(info, data)


def _zip_time():
    return time.gmtime(max(EPOCH, 315532800))[:6]  # zip's times start in 1980


def _write_wheel(stage, wheel_directory):
    package = os.path.join(stage, "sin_cos")
    versions = open(os.path.join(package, "_version.py")).read()
    if f'"{_version()}"' not in versions:
        raise RuntimeError(f"the installed _version.py does not hold {_version()}: {versions}")
    files = []
    for folder, dirs, names in os.walk(stage):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(folder, name)
            files.append((os.path.relpath(path, stage).replace(os.sep, "/"), path))
    dist_info = _dist_info()
    name = f"sin_cos-{_version()}-{_tag()}.whl"
    records = []
    with zipfile.ZipFile(os.path.join(wheel_directory, name), "w") as wheel:
        for arcname, path in files:
            with open(path, "rb") as f:
                data = f.read()
            _zip_add(wheel, arcname, data, os.stat(path).st_mode)
            records.append(_record_line(arcname, data))
        for meta, text in (("METADATA", _metadata()), ("WHEEL", _wheel_text())):
            data = text.encode()
            _zip_add(wheel, f"{dist_info}/{meta}", data, 0o644)
            records.append(_record_line(f"{dist_info}/{meta}", data))
        records.append([f"{dist_info}/RECORD", "", ""])
        out = io.StringIO()
        csv.writer(out, lineterminator="\n").writerows(records)
        _zip_add(wheel, f"{dist_info}/RECORD", out.getvalue().encode(), 0o644)
    return name


def get_requires_for_build_wheel(config_settings=None):
    return [] if shutil.which("cmake") else ["cmake>=3.25"]


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    folder = os.path.join(metadata_directory, _dist_info())
    os.makedirs(folder, exist_ok=True)
    for meta, text in (("METADATA", _metadata()), ("WHEEL", _wheel_text())):
        with open(os.path.join(folder, meta), "w", encoding="utf-8") as f:
            f.write(text)
    return _dist_info()


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    config_settings = config_settings or {}
    with tempfile.TemporaryDirectory(prefix="sin_cos-wheel-") as work:
        build = config_settings.get("build-dir") or os.path.join(work, "build")
        stage = os.path.join(work, "stage")
        _cmake_build(os.path.abspath(build), stage, config_settings)
        return _write_wheel(stage, wheel_directory)


def _sources():
    """The files of the source tree: git's list in a checkout, else all but builds and caches."""
    listed = subprocess.run(["git", "-C", ROOT, "ls-files", "-z"], capture_output=True)
    if listed.returncode == 0 and listed.stdout:
        return sorted(p for p in listed.stdout.decode().split("\0") if p and os.path.isfile(os.path.join(ROOT, p)))
    found = []
    for folder, dirs, names in os.walk(ROOT):
        dirs[:] = sorted(d for d in dirs if not (d.startswith("build") or d in (".git", "__pycache__")))
        found += [os.path.relpath(os.path.join(folder, n), ROOT) for n in sorted(names)]
    return found


def build_sdist(sdist_directory, config_settings=None):
    base = f"sin_cos-{_version()}"
    name = base + ".tar.gz"

    def normalised(info):
        info.mtime, info.uid, info.gid, info.uname, info.gname = EPOCH, 0, 0, "", ""
        return info

    with tarfile.open(os.path.join(sdist_directory, name), "w:gz", format=tarfile.PAX_FORMAT) as sdist:
        for path in _sources():
            sdist.add(os.path.join(ROOT, path), f"{base}/{path}", recursive=False, filter=normalised)
        data = _metadata().encode()
        info = normalised(tarfile.TarInfo(f"{base}/PKG-INFO"))
        info.size, info.mode = len(data), 0o644
        sdist.addfile(info, io.BytesIO(data))
    return name
