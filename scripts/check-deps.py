#!/usr/bin/env python3
"""Proves that scripts/install-deps.sh installs everything the programs load, whatever this machine has.

Runs the real programs under strace, following every process they start (the engine's helper processes
too): quarnel-cli over pages that need the engine's scripts, the window offscreen and under Xvfb, and the
window's test over real pages. Every file they open is looked up in dpkg's records; the package that holds
it must be named in install-deps.sh, be reached from a named package through Depends or Pre-Depends alone
(never Recommends, which install-deps.sh does not install), or be Essential. A run that fails counts as a
failure of the check: a program that stops early loads less than it needs. What the desktop's session bus
reads, when the machine has one and the window starts it, is the desktop's and is left out.

    scripts/check-deps.py [BUILD]       (BUILD: the build folder, `build` by default)
"""
import collections
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# What a program opens there is its own or the run's, never a package's.
PRIVATE = ("/proc/", "/sys/", "/dev/", "/tmp/", "/run/", "/var/", "/root/", "/home/")
# Read when they are there and done without when they are not (a machine set up by scripts/install-deps.sh
# alone has none of them, and scripts/fresh-root-test.sh passes there).
OPTIONAL = {
    "locales": "glibc's locale aliases",
    "libxcursor1": "the X cursor library, which Qt's X11 platform opens if it can",
    "adwaita-icon-theme": "an X cursor theme",
    "hicolor-icon-theme": "the icon theme index",
}
# The desktop's session bus, which libdbus starts for the window under X when the machine has one
# (dbus-launch), and every service that bus starts: the desktop's, not the program's. A machine without them
# runs the window all the same; the keyring is then said to be out of reach.
SESSION_BUS = {"dbus-launch", "dbus-daemon", "dbus-broker-launch"}

PAGE = """<!DOCTYPE html><html><head><title>check</title></head><body>
<p>written by the markup</p><p id="late"></p>
<script>document.getElementById('late').textContent = 'written by ' + 'a script';</script>
</body></html>
"""


def installed_packages():
    """name -> (depends, on every Debian system); and virtual name -> the installed packages that provide it.
    Every Debian system has the Essential packages and those of priority required (debootstrap's minimal
    root is made of them)."""
    out = subprocess.run(
        ["dpkg-query", "-W",
         "-f=${Package}\t${Status}\t${Essential}\t${Priority}\t${Pre-Depends}\t${Depends}\t${Provides}\n"],
        check=True, capture_output=True, text=True).stdout
    packages, provided = {}, collections.defaultdict(set)
    for line in out.splitlines():
        name, status, essential, priority, pre, depends, provides = line.split("\t")
        if not status.endswith(" installed"):
            continue
        groups = [[re.sub(r"[:\s(].*", "", alt.strip()) for alt in group.split("|")]
                  for group in (pre + "," + depends).split(",") if group.strip()]
        packages[name] = (groups, essential == "yes" or priority == "required")
        for virtual in provides.split(","):
            if virtual.strip():
                provided[re.sub(r"[:\s(].*", "", virtual.strip())].add(name)
    return packages, provided


def closure(roots, packages, provided):
    """Every installed package reached from `roots` through Depends and Pre-Depends."""
    reached, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        for real in [name] if name in packages else sorted(provided.get(name, ())):
            if real in reached:
                continue
            reached.add(real)
            for group in packages[real][0]:
                # Of alternatives, those this machine has: the first one is what apt installs on a bare one,
                # and a later one installed here is there by choice of the same list.
                todo.extend(alt for alt in group if alt in packages or alt in provided)
    return reached


def file_owners():
    """path -> package, from dpkg's records of what each package put where."""
    owners = {}
    info = "/var/lib/dpkg/info"
    for entry in os.listdir(info):
        if entry.endswith(".list"):
            package = entry[:-len(".list")].split(":")[0]
            with open(os.path.join(info, entry), encoding="utf-8", errors="replace") as listing:
                for path in listing:
                    owners.setdefault(path.rstrip("\n"), package)
    return owners


def owner(path, owners):
    """The package of `path`, tried as opened, as resolved, and across the merged /usr."""
    candidates = [path, os.path.realpath(path)]
    for p in list(candidates):
        for a, b in (("/usr/lib/", "/lib/"), ("/usr/bin/", "/bin/"), ("/usr/sbin/", "/sbin/"),
                     ("/usr/lib64/", "/lib64/")):
            if p.startswith(a):
                candidates.append(b + p[len(a):])
            elif p.startswith(b):
                candidates.append(a + p[len(b):])
    for candidate in candidates:
        if candidate in owners:
            return owners[candidate]
    return None


OPENED = re.compile(r'^(\d+)\s+(open|openat|openat2|execve)\((?:(?:AT_FDCWD|\d+)(?:<([^>]*)>)?, )?"([^"]+)"')
FORKED = re.compile(r'^(\d+)\s+(?:<\.\.\. )?(?:clone3?|fork|vfork)\b.*=\s*(\d+)$')


def session_bus_processes(lines):
    """The processes of a trace that are the session bus or were started by it: those that ran one of
    SESSION_BUS, and their children. The trace's lines of a child may come before its parent's fork line,
    so the whole trace is read first."""
    parent, ran = {}, set()
    for line in lines:
        forked = FORKED.match(line)
        if forked:
            parent[forked.group(2)] = forked.group(1)
            continue
        opened = OPENED.match(line)
        if opened and opened.group(2) == "execve" and os.path.basename(opened.group(4)) in SESSION_BUS:
            ran.add(opened.group(1))

    def of_bus(pid, seen=()):
        return pid in ran or (pid in parent and pid not in seen and of_bus(parent[pid], seen + (pid,)))

    return {pid for pid in set(parent) | ran if of_bus(pid)}


def traced(name, command, env, trace_dir, seconds=None, expect=None):
    """Runs `command` under strace; returns the files it and its children opened, and whether it did its
    work: exit 0 and `expect` in its output; or, for a program given `seconds`, still running then (when it
    is stopped) without having said that pages cannot be loaded."""
    trace = os.path.join(trace_dir, name + ".trace")
    full = ["strace", "-f", "-qq", "-y", "-s", "4096", "-e", "trace=open,openat,openat2,execve,clone,clone3,fork,vfork",
            "-e", "status=successful", "-o", trace] + command
    process = subprocess.Popen(full, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               text=True, errors="replace", start_new_session=True)
    try:
        output, _ = process.communicate(timeout=seconds if seconds else 600)
        ok = process.returncode == 0 and (expect is None or expect in output)
    except subprocess.TimeoutExpired:
        if seconds is None:
            raise
        running = process.poll() is None
        os.killpg(process.pid, signal.SIGTERM)
        try:
            output, _ = process.communicate(timeout=20)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            output, _ = process.communicate()
        ok = running and "cannot be loaded" not in output
    files, bus_files = set(), set()
    with open(trace, encoding="utf-8", errors="replace") as f:
        lines = f.readlines()
    bus = session_bus_processes(lines)
    for line in lines:
        match = OPENED.match(line)
        if not match:
            continue
        pid, _, folder, path = match.groups()
        if not path.startswith("/"):
            path = os.path.join(folder or "/", path)
        (bus_files if pid in bus else files).add(os.path.normpath(path))
    if not ok:
        print(f"check-deps: {name} did not do its work (exit {process.returncode}):", file=sys.stderr)
        for line in output.strip().splitlines()[-15:]:
            print("    " + line, file=sys.stderr)
    if bus_files:
        print(f"check-deps: {name}: {len(bus_files)} files read by the desktop's session bus and the services it "
              f"started, not by the programs (not checked)")
    return files, ok


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    for tool in ("strace", "dpkg-query"):
        if not shutil.which(tool):
            sys.exit(f"check-deps: {tool} is missing; run scripts/install-deps.sh")
    listed = subprocess.run([os.path.join(ROOT, "scripts", "install-deps.sh"), "--list"], check=True,
                            capture_output=True, text=True).stdout.split()

    work = tempfile.mkdtemp(prefix="quarnel-check-deps-")
    try:
        page = os.path.join(work, "page.html")
        with open(page, "w", encoding="utf-8") as f:
            f.write(PAGE)
        base = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "QML"))}
        base.update(HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_CACHE_HOME=os.path.join(work, "cache"))
        runs = [
            ("cli", [os.path.join(build, "quarnel-cli"), "--rendered", "--format", "jsonl", page,
                     os.path.join(ROOT, "examples", "stations.html")], dict(base), None, "written by a script"),
            ("window-offscreen", [os.path.join(build, "quarnel")], dict(base, QT_QPA_PLATFORM="offscreen"), 8, None),
            ("window-over-pages", [os.path.join(build, "tests", "quarnel_ui_tests"),
                                   "--gtest_filter=MainWindowOverRealPages.*"],
             dict(base, QT_QPA_PLATFORM="offscreen"), None, "[  PASSED  ]"),
        ]
        if shutil.which("xvfb-run"):
            runs.append(("window-xvfb", ["xvfb-run", "-a", "-s", "-screen 0 1400x900x24",
                                         os.path.join(build, "quarnel")], dict(base), 10, None))
        opened, failed = {}, []
        for name, command, env, seconds, expect in runs:
            files, ok = traced(name, command, env, work, seconds, expect)
            for path in files:
                opened.setdefault(path, name)
            if not ok:
                failed.append(name)
        print(f"check-deps: {len(opened)} files opened by {len(runs)} runs")

        packages, provided = installed_packages()
        allowed = closure(listed + [p for p, (_, everywhere) in packages.items() if everywhere], packages, provided)
        owners = file_owners()
        missing, optional = collections.defaultdict(list), set()
        for path in sorted(opened):
            if path.startswith(PRIVATE) or path.startswith(ROOT + "/") or os.path.isdir(path):
                continue
            package = owner(path, owners)
            if package in OPTIONAL:
                optional.add(package)
            elif package and package not in allowed:
                missing[package].append(path)
        # Name only what is not reached from another missing package.
        needed = [p for p in sorted(missing)
                  if not any(p in closure([q], packages, provided) for q in missing if q != p)]
        for package in sorted(missing):
            paths = missing[package]
            print(f"check-deps: {package} is loaded but not installed on purpose:")
            for path in paths[:5]:
                print(f"    {path}  (by {opened[path]})")
            if len(paths) > 5:
                print(f"    and {len(paths) - 5} more of its files")
        for package in sorted(optional):
            print(f"check-deps: read when present, not needed: {package} ({OPTIONAL[package]})")
        if needed:
            print("check-deps: add to the packages of scripts/install-deps.sh: " + " ".join(needed))
        if failed:
            print("check-deps: these runs failed, so what they load is not known: " + " ".join(failed))
        if missing or failed:
            return 1
        print(f"check-deps: every file comes from the {len(listed)} packages of install-deps.sh, what they "
              f"depend on, or a package every Debian system has")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
