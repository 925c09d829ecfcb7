#!/usr/bin/env python3
"""Kills one engine run at each of its file-system steps and checks what a host would find.

Usage: kill_at_every_step.py ENGINE_RUN ARCHIVE_DIR

ENGINE_RUN is tests/faults/engine_run.cpp, built natively. Two requests are tried: an
update of all three formats over an installed older copy, and an uninstall of all three. For each
kind of step (renames, removals, folder creations, and points spread over the writing of the
files) the run is killed at its first such step, then at its second, and so on, until a run ends
by itself. strace does the killing; its -e inject counts each system call on its own, so each
call is its own kind.

After each kill, one recursive scan per install folder must find at most one copy that a host
would load (anything named .vst3, .clap or .aaxplugin, in any case, and what holds it), and that
one whole: exactly the old copy or exactly the archive's contents; the item, if there, is such a
copy. Then the same request runs again
unkilled and must end in exactly the state asked for: the new item or none, nothing left beside
it, the install folder's other contents untouched.
"""

import hashlib
import json
import os
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
        for fmt in FORMATS:
            archive = os.path.join(archive_dir, fmt["archive"])
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


class Runner:
    """The engine as a process of its own; strace counts its steps and kills it."""

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
        """Runs the engine, killed at the nth step of the kind if given; returns (killed, output)."""
        command = [self.program] + args
        if kind == "write":
            # The nth of WRITE_POINTS points spread over all the writes.
            n = 1 + (self.counts["write"] - 1) * (n - 1) // (WRITE_POINTS - 1)
        if kind is not None:
            command = ["strace", "-f", "-o", "/dev/null", "-e", f"trace={kind}", "-e", f"inject={kind}:signal=SIGKILL:when={n}"] + command
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        return result.returncode == -9, result.stdout


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    program, archive_dir = sys.argv[1:3]
    if shutil.which("strace") is None:
        fail("strace is missing (bash scripts/setup.sh installs it)")

    work = tempfile.mkdtemp(prefix="qf-kill-")
    started = time.monotonic()
    fixture = Fixture(work, archive_dir)
    runner = Runner(program, fixture)
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
