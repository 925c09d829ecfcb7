#!/usr/bin/env python3
"""Kills one engine run at each of its file-system steps and checks what a host would find.

Usage: kill_at_every_step.py [--wine WINE_RUN] ENGINE_RUN ARCHIVE_DIR

ENGINE_RUN is tests/faults/engine_run.cpp, built natively, or with --wine its Windows build, run
under Wine in a private copy of the prefix of WINE_RUN (the build's wine-run.sh; see WineRunner).
Either way it runs in scripts/private_machine.sh --fresh. Two requests are tried: an
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

import argparse
import glob
import hashlib
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, "..", "screen.json")) as f:
    FORMATS = json.load(f)["formats"]

PLUGIN_SUFFIXES = tuple(fmt["item"][fmt["item"].rindex("."):].lower() for fmt in FORMATS)
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
    # An uninstall writes nothing, so only the update is killed while writing, at this many points
    # spread over its writes of file data (chunks of 256 KiB; other writes are small).
    write_points = 12
    DATA_WRITE = 64 * 1024

    def __init__(self, program, fixture):
        self.program, self.fixture = program, fixture
        self.counts, self.data_writes = {}, []

    def command(self, args):
        return [self.program] + args

    def counted_run(self, args, log):
        """Runs the engine once, unkilled, with every call of CALLS and every write logged; returns
        the logs."""
        subprocess.run(["strace", "-f", "-qq", "-o", log, "-e", "trace=" + ",".join(self.CALLS + ["write"])] + self.command(args),
                       stdout=subprocess.DEVNULL, check=True)
        return [log]

    def kinds(self, uninstall):
        # One counted run first: a call the engine never makes needs no run of its own.
        args = ["uninstall" if uninstall else "install"] + self.fixture.folders
        self.fixture.reset(installed=True)
        calls = []
        for log in self.counted_run(args, os.path.join(self.fixture.work, "calls.log")):
            with open(log) as f:
                calls += [(m.group(1), m.group(2)) for m in map(CALL.match, f) if m]
        self.counts = {call: [name for name, _ in calls].count(call) for call in self.CALLS + ["write"]}
        writes = [WRITE_SIZE.match(rest) for name, rest in calls if name == "write"]
        self.data_writes = [n for n, size in enumerate(writes, 1) if size and int(size.group(1)) >= self.DATA_WRITE]
        return [call for call in self.CALLS if self.counts[call]] + ([] if uninstall else ["write"])

    def killing(self, kind, n):
        """strace's arguments to kill at the nth step of the kind: for writes, the nth of
        write_points points spread over the writes of file data."""
        if kind == "write":
            n = self.data_writes[(len(self.data_writes) - 1) * (n - 1) // (self.write_points - 1)]
        return ["-e", f"trace={kind}", "-e", f"inject={kind}:signal=SIGKILL:when={n}"]

    def run(self, args, kind=None, n=0):
        """Runs the engine, killed at the nth step of the kind if given; returns whether it was
        killed, and how it ended otherwise: "success" for the verdict alone and a clean exit."""
        command = self.command(args)
        if kind is not None:
            command = ["strace", "-f", "-o", "/dev/null"] + self.killing(kind, n) + command
        status, out, err = run_to_file(command)
        return status == -9, ending(status, out, err)

    def close(self):
        pass


# A call strace logs (a call another thread interrupts is logged as unfinished, then resumed): its
# name and arguments; and of a write, the byte count asked for, its last argument.
CALL = re.compile(r"^(?:\d+ +)?(\w+)\((.*)")
WRITE_SIZE = re.compile(r".*, (\d+)(?:\) += | <unfinished)")


def run_to_file(command, **kwargs):
    """Runs a command to its end; returns its status and what it printed to each stream. Its
    output goes through files: under Wine, processes a run starts outlive it and would hold a pipe
    open. Only what the program printed and its exit status tell how it ended: under Wine, Wine's
    own processes print to the same error output."""
    with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
        status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=300, **kwargs).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read(), err.read()


def ending(status, out, err):
    verdict = out.strip()
    if status == 0 and verdict == "success":
        return verdict
    return f"{verdict or 'no verdict'}, exit status {status}" + (f"; error output: {err.strip()}" if err.strip() else "")


class WineRunner(Runner):
    """The Windows build under Wine, in a private copy of the suite's prefix.

    Under Wine the program's renames, removals and folder creations are made by wineserver on its
    behalf, and only its writes by the program's own process (seen with strace). Each such call
    of wineserver's is the whole change of one Win32 call: MoveFileExW one rename, CreateDirectoryW
    one mkdir, DeleteFileW and RemoveDirectoryW one unlink or rmdir as the handle that marked the
    entry closes. So strace attaches to a warm wineserver, kept running for the prefix, and kills
    it at its nth such call, before the call is made: every process of the prefix ends with it,
    the program included, between two Win32 calls as a kill on Windows would leave it. The
    counted run checks that wineserver made no such call but the program's. Writes are counted
    in the program's own process, as natively. A new wineserver then starts Wine's services again,
    a few seconds a kill, so fewer points go inside the writing.
    """

    write_points = 4

    def __init__(self, program, fixture, wine_run):
        super().__init__(program, fixture)
        if os.environ.get("QF_PRIVATE_MACHINE") != "1":
            fail("the Wine mode mounts a private copy of the prefix: run it in scripts/private_machine.sh --fresh")
        listed = subprocess.run(["bash", wine_run, "--environment"], stdout=subprocess.PIPE, check=True).stdout
        self.env = dict(entry.split("=", 1) for entry in listed.decode().split("\0") if "=" in entry)
        self.env.pop("DISPLAY", None)
        # Over the suite's prefix, at its own path, so nothing of it reaches the real one; the
        # private /tmp gives this copy a wineserver of its own.
        prefix = self.env["WINEPREFIX"]
        layers = os.path.join(fixture.work, "prefix-layers")
        os.makedirs(os.path.join(layers, "upper"))
        os.makedirs(os.path.join(layers, "work"))
        subprocess.run(["mount", "-t", "overlay", "qf_kill_prefix", "-o",
                        f"lowerdir={prefix},upperdir={layers}/upper,workdir={layers}/work", prefix], check=True)
        info = os.stat(prefix)
        # Debian's Wine keeps it in a folder named at random (/tmp/wine-XXXXXX), upstream's in
        # /tmp/.wine-UID; /tmp is private here.
        self.socket = f"/tmp/*wine-*/server-{info.st_dev:x}-{info.st_ino:x}/socket"
        self.server = None

    def command(self, args):
        # Wine shows the host's root as drive Z:.
        return ["wine", self.program, args[0]] + ["Z:" + folder for folder in args[1:]]

    def end_orphans(self):
        """A killed wineserver leaves its clients behind (Wine's services and the program's
        process), blocked for good: every Windows process of this private machine is ended, so
        that no kill point adds a set of them to the machine's memory."""
        own = os.readlink("/proc/self/ns/mnt")
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/comm") as f:
                    windows = f.read().strip().endswith(".exe")
                if windows and os.readlink(f"/proc/{pid}/ns/mnt") == own:
                    os.kill(int(pid), signal.SIGKILL)
            except OSError:
                pass  # gone meanwhile

    def ensure_server(self):
        if self.server is not None and self.server.poll() is None:
            return
        self.end_orphans()
        self.server = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 60
        while True:
            for path in glob.glob(self.socket, include_hidden=True):
                with socket.socket(socket.AF_UNIX) as s:
                    try:
                        s.connect(path)
                        return
                    except OSError:
                        pass
            if self.server.poll() is not None or time.monotonic() > deadline:
                fail(f"Wine failure: wineserver did not start for the private prefix (status {self.server.poll()})")
            time.sleep(0.02)

    def attach_to_server(self, log, killing):
        """strace on the running wineserver, once it is attached."""
        strace = subprocess.Popen(["strace", "-o", log] + killing + ["-p", str(self.server.pid)],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        attached = strace.stderr.readline()
        if "attached" not in attached:
            fail(f"strace could not attach to wineserver: {attached.strip()}")
        return strace

    def detach(self, strace):
        if strace.poll() is None:
            strace.terminate()
        strace.wait(timeout=60)
        strace.stderr.close()

    def counted_run(self, args, log):
        # A first run warms the new wineserver: Wine starts its own services with it.
        self.ensure_server()
        self.run(args)
        self.fixture.reset(installed=True)
        server_log = log + ".server"
        strace = self.attach_to_server(server_log, ["-e", "trace=" + ",".join(self.CALLS)])
        status, out, err = run_to_file(["strace", "-f", "-qq", "-o", log, "-e", "trace=write"] + self.command(args), env=self.env)
        self.detach(strace)
        if ending(status, out, err) != "success":
            fail(f"the counted run failed: {ending(status, out, err)}")
        with open(server_log) as f:
            own = [line.strip() for line in f if CALL.match(line) and f"{self.fixture.work}/" not in line]
        if own:
            fail(f"wineserver made calls of its own during the run, which would be counted as the program's: {own[:3]}")
        return [log, server_log]

    def run(self, args, kind=None, n=0):
        # A run that printed nothing and was not killed is a failure of Wine itself, as
        # tests/windows/wine-run.sh.in tells it: it is tried once more.
        for attempt in (1, 2):
            killed, status, out, err = self.run_once(args, kind, n)
            if killed or out.strip():
                return killed, ending(status, out, err)
            print(f"Wine failure: {self.program} printed nothing ({ending(status, out, err)}){'; trying once more' if attempt == 1 else ''}")
        return killed, ending(status, out, err)

    def run_once(self, args, kind, n):
        self.ensure_server()
        if kind == "write":
            status, out, err = run_to_file(["strace", "-f", "-o", "/dev/null"] + self.killing(kind, n) + self.command(args), env=self.env)
            return status == -9, status, out, err
        strace = None if kind is None else self.attach_to_server("/dev/null", self.killing(kind, n))
        status, out, err = run_to_file(self.command(args), env=self.env)
        # The verdict is printed after the engine's last step: a run that printed it was not
        # killed. One that printed nothing was, if wineserver died of it.
        killed = False
        if strace is not None and not out.strip():
            try:
                killed = self.server.wait(timeout=60) == -9
            except subprocess.TimeoutExpired:
                pass
        if strace is not None:
            self.detach(strace)
        return killed, status, out, err

    def close(self):
        if self.server is not None:
            subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.server.wait(timeout=60)
        self.end_orphans()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--wine", metavar="WINE_RUN")
    parser.add_argument("program", metavar="ENGINE_RUN")
    parser.add_argument("archive_dir", metavar="ARCHIVE_DIR")
    options = parser.parse_args()
    program, archive_dir, wine_run = options.program, options.archive_dir, options.wine
    if shutil.which("strace") is None:
        fail("strace is missing (bash scripts/setup.sh installs it)")

    work = tempfile.mkdtemp(prefix="qf-kill-")
    started = time.monotonic()
    fixture = Fixture(work, archive_dir)
    runner = Runner(program, fixture) if wine_run is None else WineRunner(program, fixture, wine_run)
    try:
        failures, kills, windows = kill_at_every_step(fixture, runner)
    finally:
        runner.close()
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


def kill_at_every_step(fixture, runner):
    """Returns what went wrong, how many runs were killed, and after how many of them one whole
    copy was under another name than the item's."""
    failures, kills, windows = [], 0, 0

    for uninstall in (False, True):
        request = "uninstall" if uninstall else "install"
        args = [request] + fixture.folders
        for kind in runner.kinds(uninstall):
            kills_before, kind_started = kills, time.monotonic()
            for n in range(1, 1000):
                if kind == "write" and n > runner.write_points:
                    break
                fixture.reset(installed=True)
                killed, output = runner.run(args, kind, n)
                if not killed:
                    if output != "success":
                        failures.append(f"{request}, unkilled with {kind} #{n} counted: {output}")
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
                if killed or output != "success":
                    failures.append(f"{where}: the next run failed: {output}")
                for problem in fixture.problems_at_end(uninstall):
                    failures.append(f"{where}, then run again: {problem}")
            if kind == "write" and kills == kills_before:
                failures.append(f"{request}: no run was killed while writing")
            print(f"{request}, at each {kind}: {kills - kills_before} kills in {time.monotonic() - kind_started:.0f} s", flush=True)
    return failures, kills, windows


if __name__ == "__main__":
    sys.exit(main())
