"""Compiles and runs every example of the README and of docs/: C, C++ and
Fortran snippets are built against the library and run, Python ones run
against the built module, sessions of the tool are replayed and compared
byte for byte. Shell blocks (installs, the whole suite) are not run.

    docs_check.py --source DIR --tool BIN --archive LIB --cxx CXX --cc CC
                  [--fc FC --fortran-lib LIB --fortran-modules DIR]
                  [--python PY --python-path DIR] --work DIR

A snippet that is not a whole program is wrapped in one: its #include and
use lines go first, the rest into main. It runs in a folder holding a
Sin_Cos.res, as a simulation's working folder would."""

import argparse
import os
import re
import shutil
import subprocess
import sys

FENCE = re.compile(r"^```(\w*)\s*$")


def blocks(path):
    """(language, first line number, text) of every fenced block."""
    found, language, start, text = [], None, 0, []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            m = FENCE.match(line.rstrip("\n"))
            if language is None and m:
                language, start, text = m.group(1), number, []
            elif language is not None and line.rstrip() == "```":
                found.append((language, start, "".join(text)))
                language = None
            elif language is not None:
                text.append(line)
    return found


def wrapped(code, head_pattern, opening, closing, defaults):
    if re.search(r"\bint\s+main\s*\(|^\s*program\s", code, re.M):
        return code
    head = [l for l in code.splitlines() if re.match(head_pattern, l)]
    body = [l for l in code.splitlines() if not re.match(head_pattern, l)]
    head = [d for d in defaults if d not in head] + head
    return "\n".join(head + [opening] + ["    " + l for l in body] + [closing, ""])


def run(command, cwd, what, stdin=None):
    r = subprocess.run(command, cwd=cwd, input=stdin, capture_output=True, timeout=300)
    if r.returncode != 0:
        raise RuntimeError(f"{what} failed ({r.returncode}):\n{r.stdout.decode(errors='replace')}"
                           f"{r.stderr.decode(errors='replace')}")
    return r.stdout


def session(text):
    """The command, the answers and the standard output of a session."""
    lines = text.splitlines(keepends=True)
    command = lines[0][2:].split()
    answers, out = [], []
    for line in lines[1:]:
        m = re.match(r"(.*-> (?:xini|xfin|H|M|n)=)(.*)\n$", line)
        if m:
            out.append(m.group(1))
            answers.append(m.group(2))
        else:
            out.append(line)
    return command, "".join(a + "\n" for a in answers).encode(), "".join(out).encode()


def main():
    p = argparse.ArgumentParser()
    for name in ("source", "tool", "archive", "cxx", "cc", "work"):
        p.add_argument("--" + name, required=True)
    for name in ("fc", "fortran-lib", "fortran-modules", "python", "python-path"):
        p.add_argument("--" + name, default="")
    a = p.parse_args()
    for name in ("source", "tool", "archive", "work", "fortran_lib", "fortran_modules", "python_path"):
        if getattr(a, name):
            setattr(a, name, os.path.abspath(getattr(a, name)))

    shutil.rmtree(a.work, ignore_errors=True)
    os.makedirs(a.work)
    pages = [os.path.join(a.source, "README.md")] + sorted(
        os.path.join(a.source, "docs", f) for f in os.listdir(os.path.join(a.source, "docs")) if f.endswith(".md"))
    include = ["-I" + os.path.join(a.source, d) for d in ("include", os.path.join("bindings", "c"))]
    checked, skipped, failed = 0, [], []
    number = 0
    for page in pages:
        for language, line, code in blocks(page):
            if language not in ("cpp", "c", "fortran", "python") and not (
                    language == "text" and code.startswith("$ build/sin_cos")):
                continue
            where = f"{os.path.relpath(page, a.source)}:{line}"
            number += 1
            folder = os.path.join(a.work, f"{number:03d}")
            os.makedirs(folder)
            try:
                # A table in the working folder, as the examples expect one.
                run([a.tool], folder, "the tool", stdin=b"-1 1 2 4 1000\n")
                if language == "cpp":
                    src = os.path.join(folder, "snippet.cpp")
                    with open(src, "w") as f:
                        f.write(wrapped(code, r"\s*#include", "int main()\n{", "}",
                                        ["#include <cstdio>", "#include <random>", "#include <sin_cos/sampler.hpp>"]))
                    run([a.cxx, "-std=c++20", "-w", *include, src, a.archive, "-o", "snippet"], folder, "compiling")
                    run(["./snippet"], folder, "running")
                elif language == "c":
                    src = os.path.join(folder, "snippet.c")
                    with open(src, "w") as f:
                        f.write(wrapped(code, r"\s*#include", "int main(void)\n{", "    return 0;\n}",
                                        ["#include <stdio.h>", "#include <sin_cos/sin_cos.h>"]))
                    run([a.cc, "-std=c99", "-w", *include, src, a.archive, "-lstdc++", "-lm", "-o", "snippet"],
                        folder, "compiling")
                    run(["./snippet"], folder, "running")
                elif language == "fortran":
                    if not a.fc:
                        skipped.append(where)
                        continue
                    src = os.path.join(folder, "snippet.f90")
                    with open(src, "w") as f:
                        f.write(wrapped(code, r"\s*use\s", "implicit none", "end program snippet",
                                        ["program snippet", "use sin_cos"]))
                    run([a.fc, "-I" + a.fortran_modules, src, a.fortran_lib, a.archive, "-lstdc++", "-o", "snippet"],
                        folder, "compiling")
                    run(["./snippet"], folder, "running")
                elif language == "python":
                    if not a.python:
                        skipped.append(where)
                        continue
                    with open(os.path.join(folder, "snippet.py"), "w") as f:
                        f.write(code)
                    env = dict(os.environ, PYTHONPATH=a.python_path)
                    r = subprocess.run([a.python, "snippet.py"], cwd=folder, env=env, capture_output=True, timeout=300)
                    if r.returncode != 0:
                        raise RuntimeError(f"running failed ({r.returncode}):\n{r.stderr.decode(errors='replace')}")
                else:
                    command, answers, expected = session(code)
                    got = run([a.tool, *command[1:]], folder, "the session", stdin=answers)
                    if got != expected:
                        raise RuntimeError(f"the session prints otherwise:\n{got.decode(errors='replace')}")
                checked += 1
            except (RuntimeError, subprocess.TimeoutExpired) as e:
                failed.append(f"{where}: {e}")
    for s in skipped:
        print(f"skipped (no compiler or module for it): {s}")
    for f in failed:
        print(f"FAILED {f}")
    print(f"docs: {checked} examples checked, {len(failed)} failed, {len(skipped)} skipped")
    return 1 if failed or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
