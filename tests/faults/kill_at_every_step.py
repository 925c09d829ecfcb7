#!/usr/bin/env python3
"""Kills one engine run at each of its file-system steps and checks what a host would find.

Usage: kill_at_every_step.py native ENGINE_RUN ARCHIVE_DIR
       kill_at_every_step.py wine ENGINE_RUN_EXE ARCHIVE_DIR WINE_RUN

ENGINE_RUN is tests/faults/engine_run.cpp built for this platform. Two requests are tried: an
update of all three formats over an installed older copy, and an uninstall of all three. For each
kind of step (renames, removals, folder creations, and points spread over the writing of the
files) the run is killed at its first such step, then at its second, and so on, until a run ends
by itself. strace does the killing (its -e inject counts each system call separately, so each
call is counted on its own).

After each kill, one recursive scan per install folder must find nothing named like a plug-in
(.vst3, .clap, .aaxplugin, in any case) but the real item, and the real item, if there, must be
exactly the old copy or exactly the archive's contents. Then the same request runs again
unkilled and must end in exactly the state asked for: the new item or none, nothing left beside
it, the install folder's other contents untouched.

Under Wine a Windows program's renames and deletions (delete-on-close included) are carried out
by wineserver, while folder creation and writing happen in the program's own process; each is
killed where it happens. Killing wineserver ends every process of the prefix at once, which stands
in for the program dying at that step.
"""

import glob
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, "..", "screen.json")) as f:
    FORMATS = json.load(f)["formats"]

PLUGIN_SUFFIXES = tuple(fmt["item"][fmt["item"].rindex("."):].lower() for fmt in FORMATS)
# An uninstall writes nothing, so only the update is killed while writing; this many points are
# spread over all of its writes.
WRITE_POINTS = 12
# What each install folder holds besides the product, which no run may touch.
NEIGHBOUR = "Other Plugin Readme.txt"


def fail(message):
    print(f"FAILED: {message}")
    sys.exit(1)


def tree(path):
    """A file or folder as {relative path: digest, folder: None}, links as their target."""
    if not os.path.isdir(path) or os.path.islink(path):
        return {"": file_digest(path)}
    found = {}
    for folder, dirs, files in os.walk(path):
        rel = os.path.relpath(folder, path)
        for name in dirs + files:
            full = os.path.join(folder, name)
            key = os.path.normpath(os.path.join(rel, name))
            found[key] = file_digest(full) if name in files or os.path.islink(full) else None
    return found


def file_digest(path):
    if os.path.islink(path):
        return "link:" + os.readlink(path)
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def archive_tree(archive):
    """The item as the archive holds it, in the form tree() gives."""
    found = {}
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            parts = [p for p in info.filename.split("\\") if p]
            for depth in range(2, len(parts)):
                found.setdefault(os.path.join(*parts[1:depth]), None)
            if len(parts) == 1:
                if not info.filename.endswith("\\"):
                    found[""] = hashlib.sha256(z.read(info)).hexdigest()
                continue
            key = os.path.join(*parts[1:])
            found[key] = None if info.filename.endswith("\\") else hashlib.sha256(z.read(info)).hexdigest()
    return found


def write_old_copy(archive, folder):
    """An older installation of the item: the archive's layout with other bytes in every file,
    and one file the new version no longer has."""
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            target = os.path.join(folder, *[p for p in info.filename.split("\\") if p])
            if info.filename.endswith("\\"):
                os.makedirs(target, exist_ok=True)
                continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as out:
                out.write(z.read(info)[::-1] + b"old")


class Fixture:
    def __init__(self, work, archive_dir):
        self.work = work
        self.old = os.path.join(work, "old")
        self.folders = [os.path.join(work, "plugins", fmt["name"]) for fmt in FORMATS]
        self.new_trees, self.old_trees = [], []
        self.new_bytes = 0
        for fmt in FORMATS:
            archive = os.path.join(archive_dir, fmt["archive"])
            with zipfile.ZipFile(archive) as z:
                self.new_bytes += sum(info.file_size for info in z.infolist())
            self.new_trees.append(archive_tree(archive))
            write_old_copy(archive, self.old)
            self.old_trees.append(tree(os.path.join(self.old, fmt["item"])))
            if self.old_trees[-1] == self.new_trees[-1]:
                fail(f"the old copy of {fmt['item']} is not told from the new one")

    def reset(self, installed):
        shutil.rmtree(os.path.join(self.work, "plugins"), ignore_errors=True)
        for fmt, folder in zip(FORMATS, self.folders):
            os.makedirs(folder)
            with open(os.path.join(folder, NEIGHBOUR), "w") as f:
                f.write("another maker's plug-in\n")
            if installed:
                source = os.path.join(self.old, fmt["item"])
                target = os.path.join(folder, fmt["item"])
                if os.path.isdir(source):
                    shutil.copytree(source, target, symlinks=True)
                else:
                    shutil.copy2(source, target)

    def bytes_written(self):
        """What a run has written so far: every file below the install folders that was not
        there before it, wherever it is being unpacked."""
        total = 0
        for fmt, folder in zip(FORMATS, self.folders):
            for parent, dirs, files in os.walk(folder):
                if os.path.relpath(parent, folder).split(os.sep)[0] == fmt["item"]:
                    continue
                for name in files:
                    if parent == folder and name in (fmt["item"], NEIGHBOUR):
                        continue
                    try:
                        total += os.lstat(os.path.join(parent, name)).st_size
                    except FileNotFoundError:
                        pass
        return total

    def problems_after_kill(self):
        """What a host scanning the install folders would find wrong: two copies, or a partial one.
        Also returns how many folders held their one whole copy under another name than the
        item's, with nothing under the item's: a rename or two long, such a window cannot be
        closed while the copies of a bundle, whose binary is named like the bundle, stay in its
        install folder (see Source/SiblingNames.h)."""
        problems, elsewhere = [], 0
        for i, (fmt, folder) in enumerate(zip(FORMATS, self.folders)):
            item = fmt["item"]
            copies = []
            target = os.path.join(folder, item)
            if os.path.lexists(target):
                copies.append(item)
                found = tree(target)
                if found != self.old_trees[i] and found != self.new_trees[i]:
                    problems.append(f"{item} is neither the old copy nor the new one ({describe(found, self.old_trees[i], self.new_trees[i])})")
            for parent, dirs, files in os.walk(folder):
                for name in dirs + files:
                    rel = os.path.relpath(os.path.join(parent, name), folder)
                    top = rel.split(os.sep)[0]
                    if top == item or not name.lower().endswith(PLUGIN_SUFFIXES) or top in copies:
                        continue
                    # A host loads it: it must be a whole copy, and the only one.
                    copies.append(top)
                    found = tree(os.path.join(folder, top))
                    if found != self.old_trees[i] and found != self.new_trees[i]:
                        problems.append(f"a partial copy a host would load: {rel}")
                    elif len(copies) == 1:
                        elsewhere += 1
            if len(copies) > 1:
                problems.append(f"{len(copies)} copies a host would load: {', '.join(copies)}")
        return problems, elsewhere

    def problems_at_end(self, uninstall):
        problems = []
        for i, (fmt, folder) in enumerate(zip(FORMATS, self.folders)):
            expected = {NEIGHBOUR} if uninstall else {NEIGHBOUR, fmt["item"]}
            present = set(os.listdir(folder))
            if present != expected:
                problems.append(f"{fmt['name']} folder holds {sorted(present)}, not {sorted(expected)}")
            with open(os.path.join(folder, NEIGHBOUR)) as f:
                if f.read() != "another maker's plug-in\n":
                    problems.append(f"{NEIGHBOUR} in the {fmt['name']} folder was changed")
            target = os.path.join(folder, fmt["item"])
            if not uninstall and os.path.lexists(target) and tree(target) != self.new_trees[i]:
                problems.append(f"{fmt['item']} is not the archive's contents ({describe(tree(target), self.old_trees[i], self.new_trees[i])})")
        return problems


def describe(found, old, new):
    missing = sorted(set(new) - set(found))
    differing = sorted(k for k in found if k in new and found[k] != new[k] and found[k] != old.get(k))
    return f"{len(found)} entries; missing from the new: {missing[:3]}; neither old nor new bytes: {differing[:3]}"


class NativeRunner:
    """The engine as a Linux process; every step happens in it, and strace counts them all."""

    CALLS = ["rename", "renameat", "renameat2", "unlink", "unlinkat", "rmdir", "mkdir", "mkdirat"]

    def __init__(self, program, fixture):
        self.program, self.fixture = program, fixture
        self.counts = {}

    def kinds(self, uninstall):
        # One counted run first: a call the engine never makes needs no run of its own.
        args = ["uninstall" if uninstall else "install"] + self.fixture.folders
        self.fixture.reset(installed=True)
        log = os.path.join(self.fixture.work, "calls.log")
        subprocess.run(["strace", "-f", "-qq", "-o", log, "-e", "trace=" + ",".join(self.CALLS + ["write"]), self.program] + args,
                       stdout=subprocess.DEVNULL, check=True)
        with open(log) as f:
            calls = [line.split()[1].split("(")[0] for line in f if "(" in line]
        self.counts = {call: calls.count(call) for call in self.CALLS + ["write"]}
        return [call for call in self.CALLS if self.counts[call]] + ([] if uninstall else ["write"])

    def run(self, args, kind=None, n=0):
        """Runs the engine, killed at the nth step of the kind if given. Returns (killed, output);
        killed is None when the kill came before the engine started."""
        command = [self.program] + args
        if kind == "write":
            # The nth of WRITE_POINTS points spread over all the writes.
            n = 1 + (self.counts["write"] - 1) * (n - 1) // (WRITE_POINTS - 1)
        if kind is not None:
            command = ["strace", "-f", "-o", "/dev/null", "-e", f"trace={kind}", "-e", f"inject={kind}:signal=SIGKILL:when={n}"] + command
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        return result.returncode == -9, result.stdout

    def finish(self):
        pass


class WineRunner:
    """The engine as a Windows process under Wine, in the suite's prefix (this test holds its lock).

    Wine 8 creates folders, renames, and unlinks (deletions are delete-on-close) in wineserver, on
    behalf of the program: strace on a server started for the run counts those. The program's own
    process writes the files, but its writes are lost among those that carry its requests to the
    server, so the run is killed instead once the files it is writing add up to a given size."""

    def __init__(self, program, fixture, wine_run):
        self.program, self.fixture = program, fixture
        with open(wine_run) as f:
            self.prefix = re.search(r'^export WINEPREFIX="(.*)"$', f.read(), re.M).group(1)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d")
        self.env.pop("DISPLAY", None)
        # Wine keeps its server's socket in a folder named after the prefix's device and inode, in
        # /tmp/.wine-UID or, as Debian builds it, in a fresh /tmp/wine-XXXXXX.
        info = os.stat(self.prefix)
        self.sockets = f"/tmp/*wine*/server-{info.st_dev:x}-{info.st_ino:x}/socket"
        self.server = shutil.which("wineserver64", path="/usr/lib/wine") or "/usr/lib/wine/wineserver64"
        self.stop_server()

    def kinds(self, uninstall):
        return ["rename", "unlink", "rmdir", "mkdir"] + ([] if uninstall else ["write"])

    def finish(self):
        # The suite keeps one server running for all its programs; this leaves it as it was.
        subprocess.run(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows_args(self, args):
        return args[:1] + ["Z:" + a.replace("/", "\\") for a in args[1:]]

    def run(self, args, kind=None, n=0):
        server = None
        if kind not in (None, "write"):
            # A killed server leaves its socket behind, which would pass for the new one's.
            for stale in glob.glob(self.sockets):
                os.remove(stale)
            # Exits once the program and Wine's own processes have ended, or when killed.
            server = subprocess.Popen(["strace", "-f", "-o", "/dev/null", "-e", f"trace={kind}", "-e", f"inject={kind}:signal=SIGKILL:when={n}",
                                       self.server, "-f", "-p0"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_until(lambda: glob.glob(self.sockets) or server.poll() is not None, "wineserver to listen")
            if server.poll() is not None:
                # Killed at a step of its own start-up, before the program could reach it.
                return None, ""
        output_file = os.path.join(self.fixture.work, "wine-output.txt")
        with open(output_file, "w") as out:
            program = subprocess.Popen(["wine", self.program] + self.windows_args(args), env=self.env, stdout=out,
                                       stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
            if kind == "write":
                goal = self.fixture.new_bytes * n // (WRITE_POINTS + 1)
                wait_until(lambda: program.poll() is not None or self.fixture.bytes_written() >= goal, "the files to grow", timeout=120)
                if program.poll() is None:
                    program.kill()
            program.wait(timeout=120)
        if server is not None:
            server.wait(timeout=120)
        self.stop_server()
        with open(output_file) as f:
            output = f.read()
        verdict = re.search(r"^(success|failure)\r?$", output, re.M)
        return verdict is None, verdict.group(1) if verdict else output


def wait_until(condition, what, timeout=30.0):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            fail(f"waited {timeout:.0f} s for {what}")
        time.sleep(0.001)


def main():
    if len(sys.argv) not in (4, 5) or sys.argv[1] not in ("native", "wine"):
        print(__doc__)
        return 2
    platform, program, archive_dir = sys.argv[1:4]
    if shutil.which("strace") is None:
        fail("strace is missing (bash scripts/setup.sh installs it)")

    work = tempfile.mkdtemp(prefix="qf-kill-")
    started = time.monotonic()
    fixture = Fixture(work, archive_dir)
    runner = NativeRunner(program, fixture) if platform == "native" else WineRunner(program, fixture, sys.argv[4])
    failures, kills, windows = [], 0, 0

    for uninstall in (False, True):
        request = "uninstall" if uninstall else "install"
        args = [request] + fixture.folders
        for kind in runner.kinds(uninstall):
            kills_before = kills
            for n in range(1, 1000):
                if kind == "write" and n > WRITE_POINTS:
                    break
                fixture.reset(installed=True)
                killed, output = runner.run(args, kind, n)
                if killed is None:
                    continue
                if not killed:
                    if output.strip() != "success":
                        failures.append(f"{request}, unkilled with {kind} #{n} counted: {output.strip()}")
                    if kind == "write":
                        continue
                    break
                kills += 1
                where = f"{request} killed at {kind} #{n}"
                problems, elsewhere = fixture.problems_after_kill()
                windows += elsewhere > 0
                for problem in problems:
                    failures.append(f"{where}: {problem}")
                killed, output = runner.run(args)
                if killed or output.strip() != "success":
                    failures.append(f"{where}: the next run failed: {output.strip()}")
                for problem in fixture.problems_at_end(uninstall):
                    failures.append(f"{where}, then run again: {problem}")
            if kind == "write" and kills == kills_before:
                failures.append(f"{request}: no run was killed while writing")

    runner.finish()
    shutil.rmtree(work, ignore_errors=True)
    broken = len({f.split(":")[0] for f in failures})
    print(f"{kills} kills in {time.monotonic() - started:.0f} s; {broken} of them left a fault; "
          f"after {windows}, one whole copy was under another name than the item's")
    for failure in failures:
        print(f"  {failure}")
    if failures or kills == 0:
        fail(f"{broken} of {kills} kill points broke the invariant or the recovery")
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
