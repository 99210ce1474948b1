#!/usr/bin/env python3
"""Runs the end-to-end table (cases.py) against a real hookline executable.

  run_e2e.py --target wine --hookline build/windows/hookline.exe \
             --launcher build/windows/rawlaunch.exe --modem build/linux/simmodem \
             --work build/linux/e2e-wine

Exits 0 when every case passes, 1 when one fails, and 77 (skipped) when the
target cannot run here, unless CI is set: then that is a failure too.
"""

import argparse
import fcntl
import os
import pty
import queue
import shlex
import shutil
import signal
import subprocess
import sys
import threading
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cases import CASES, CLOSE_PROMPT, OPEN_FAILED  # noqa: E402

SKIP = 77
RUN_TIMEOUT = 30.0
EVENT_TIMEOUT = 20.0


class Failure(Exception):
    pass


class Modem:
    """The simulated modem, its events gathered as they come."""

    def __init__(self, program, options, link):
        self.process = subprocess.Popen(
            [program, "--link", link] + options,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
        self.events = []
        self.lock = threading.Lock()
        self.arrived = threading.Condition(self.lock)
        threading.Thread(target=self._gather, daemon=True).start()
        self.device = self.wait_for(lambda e: e.startswith("device "))[7:]

    def _gather(self):
        for line in self.process.stdout:
            with self.arrived:
                self.events.append(line.decode().rstrip("\n"))
                self.arrived.notify_all()
        with self.arrived:
            self.events.append(None)  # the modem has ended
            self.arrived.notify_all()

    def wait_for(self, wanted, timeout=EVENT_TIMEOUT):
        deadline = time.monotonic() + timeout
        with self.arrived:
            while True:
                for event in self.events:
                    if event is not None and wanted(event):
                        return event
                left = deadline - time.monotonic()
                if left <= 0 or (self.events and self.events[-1] is None):
                    raise Failure(f"modem never reported it; it reported {self.events}")
                self.arrived.wait(left)

    def has(self, event):
        return self.count(event) > 0

    def count(self, event):
        with self.lock:
            return self.events.count(event)

    def received(self):
        """All bytes the modem has received so far."""
        with self.lock:
            return b"".join(bytes.fromhex(e[9:]) for e in self.events
                            if e is not None and e.startswith("received "))

    def stop(self):
        """Ends the modem; returns its events but 'device' and 'received',
        and all bytes it received."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=10)
        with self.lock:
            others = [e for e in self.events if e is not None
                      and not e.startswith("received ") and not e.startswith("device ")]
        return others, self.received()


class WineTarget:
    name = "wine"

    def __init__(self, hookline, launcher, work):
        if shutil.which("wine") is None:
            raise FileNotFoundError("wine is not installed")
        for program in (hookline, launcher):
            if not os.path.isfile(program):
                raise FileNotFoundError(f"{program} has not been built")
        self.hookline = hookline
        self.launcher = launcher
        self.env = dict(os.environ, WINEDEBUG="-all",
                        WINEPREFIX=os.path.join(work, "wineprefix"))
        os.makedirs(self.env["WINEPREFIX"], exist_ok=True)
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL, env=self.env)
        # A persistent server and the prefix's services started here, with
        # nothing inherited: otherwise they would hold the first case's pipes.
        subprocess.run(["wineboot", "-i"], check=True, timeout=300, **quiet)
        subprocess.run(["wineserver", "-w"], timeout=60, **quiet)
        subprocess.run(["wineserver", "-p"], check=True, **quiet)
        subprocess.run(["wine", "cmd", "/c", "exit"], check=True, timeout=120, **quiet)
        self.dosdevices = os.path.join(self.env["WINEPREFIX"], "dosdevices")
        # The launcher without arguments ends with status 120, if this Wine
        # can start programs of its kind at all (32-bit ones need Wine's
        # 32-bit support, and a kernel that runs 32-bit code).
        probe = subprocess.run(["wine", launcher], timeout=120, **quiet)
        if probe.returncode != 120:
            self.close()  # the persistent server must not outlive the run
            raise FileNotFoundError(f"this Wine cannot start {launcher}")

    def port_link(self):
        return os.path.join(self.dosdevices, "com3")

    def port_name(self, modem):
        return "com3"

    def missing_port(self):
        link = os.path.join(self.dosdevices, "com8")
        if os.path.lexists(link):
            os.unlink(link)
        return "com8"

    def file_name(self, path):
        return "Z:" + path.replace("/", "\\")

    def command(self, args, raw):
        if raw is None:
            return ["wine", self.hookline] + args, self.env
        env = dict(self.env, RAWLAUNCH_COMMAND_LINE=raw)
        return ["wine", self.launcher, self.file_name(os.path.abspath(self.hookline))], env

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


class NativeTarget:
    name = "native"

    def __init__(self, hookline, work, wrapper):
        if not os.path.isfile(hookline):
            raise FileNotFoundError(f"{hookline} has not been built")
        self.hookline = os.path.abspath(hookline)
        self.work = work
        self.wrapper = wrapper

    def port_link(self):
        return os.path.join(self.work, "port")

    def port_name(self, modem):
        return modem.device

    def missing_port(self):
        return os.path.join(self.work, "no-such-port")

    def file_name(self, path):
        return path

    def command(self, args, raw):
        assert raw is None, "a raw command line is for Windows targets"
        return self.wrapper + [self.hookline] + args, dict(os.environ)

    def close(self):
        pass


def substitute(text, names):
    if isinstance(text, bytes):
        return text
    for key, value in names.items():
        text = text.replace("{" + key + "}", value)
    return text


class Hookline:
    """One started hookline, its standard streams as the case asks."""

    def __init__(self, case, command, env, case_dir, index=0):
        self.case = case
        self.terminal = None
        self.out_path = os.path.join(case_dir, f"stdout{index}")
        self.collected = []
        close_after_start = []

        stdin = subprocess.PIPE
        if case.stdin == "empty":
            stdin = open(os.path.join(case_dir, "empty"), "wb+")
            close_after_start.append(stdin)
        elif case.stdin == "tty":
            self.terminal, slave = pty.openpty()
            stdin = slave
            close_after_start.append(slave)

        closing = []
        preexec = None
        if case.stdin == "closed-fd":
            stdin = subprocess.DEVNULL
            closing.append(0)

        stdout = subprocess.PIPE
        if case.stdout == "file":
            stdout = open(self.out_path, "wb")
            close_after_start.append(stdout)
        elif case.stdout == "full":
            stdout = open("/dev/full", "wb")
            close_after_start.append(stdout)
        elif case.stdout == "reader-gone":
            reader, stdout = os.pipe()
            os.close(reader)
            close_after_start.append(stdout)
        elif case.stdout == "closed":
            stdout = subprocess.DEVNULL
            closing.append(1)
        if closing:
            preexec = lambda: [os.close(fd) for fd in closing]  # noqa: E731

        self.process = subprocess.Popen(command, env=env, stdin=stdin, stdout=stdout,
                                        stderr=subprocess.DEVNULL, preexec_fn=preexec)
        for item in close_after_start:
            item.close() if hasattr(item, "close") else os.close(item)
        if case.stdout == "pipe":
            threading.Thread(target=lambda: self.collected.append(self.process.stdout.read()),
                             daemon=True).start()
        if case.stdin == "closed":
            self.process.stdin.close()

    def send(self, data):
        if self.terminal is not None:
            os.write(self.terminal, data)
        else:
            self.process.stdin.write(data)
            self.process.stdin.flush()

    def end_input(self):
        if self.process.stdin is not None and not self.process.stdin.closed:
            self.process.stdin.close()

    def wait(self):
        try:
            return self.process.wait(timeout=RUN_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("hookline did not end")

    def output(self):
        if self.case.stdout == "pipe":
            deadline = time.monotonic() + 10
            while not self.collected and time.monotonic() < deadline:
                time.sleep(0.01)
            return self.collected[0] if self.collected else b""
        if self.case.stdout == "file":
            with open(self.out_path, "rb") as f:
                return f.read()
        return None

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.terminal is not None:
            os.close(self.terminal)
            self.terminal = None


def run_case(case, target, modem_program, work):
    case_dir = os.path.join(work, "case")
    shutil.rmtree(case_dir, ignore_errors=True)
    os.makedirs(case_dir)
    modem = Modem(modem_program, case.modem_options, target.port_link())
    started = []
    holder = None
    try:
        ordinary = os.path.join(case_dir, "report.txt")
        original = b"Ordinary data that must survive.\r\n"
        with open(ordinary, "wb") as f:
            f.write(original)
        os.mkfifo(os.path.join(case_dir, "fifo"))
        os.mkdir(os.path.join(case_dir, "directory"))
        os.symlink(ordinary, os.path.join(case_dir, "filelink"))
        names = {"port": target.port_name(modem), "missing": target.missing_port(),
                 "file": target.file_name(ordinary),
                 "fifo": target.file_name(os.path.join(case_dir, "fifo")),
                 "directory": target.file_name(os.path.join(case_dir, "directory")),
                 "filelink": target.file_name(os.path.join(case_dir, "filelink"))}
        args = [substitute(a, names) for a in case.args]
        raw = substitute(case.raw, names) if case.raw is not None else None
        command, env = target.command(args, raw)

        if case.port_locked:
            # Another program holds the port, and its lock.
            holder = os.open(modem.device, os.O_RDWR | os.O_NOCTTY)
            fcntl.flock(holder, fcntl.LOCK_EX)
        started = [Hookline(case, command, env, case_dir, i) for i in range(case.instances)]
        hookline = started[0]

        for step, value in case.steps:
            if step == "modem":
                modem.wait_for(lambda e, v=value: e == v)
            elif step == "hold":
                time.sleep(value)
                for each in started:
                    if each.process.poll() is not None:
                        raise Failure(f"hookline ended during the wait, status {each.process.returncode}")
                if modem.has("closed"):
                    raise Failure("the port was closed during the wait")
            elif step == "send":
                hookline.send(value)
            elif step == "end-input":
                for each in started:
                    each.end_input()
            elif step == "signal":
                hookline.process.send_signal(value)

        statuses = [each.wait() for each in started]
        outputs = [each.output() for each in started]
        if holder is not None:
            os.close(holder)
            holder = None
        if case.modem:
            # Everything the modem is to report has had its chance to arrive.
            modem.wait_for(lambda e: e == case.modem[-1])
        events, received = modem.stop()

        problems = []
        if case.instances == 1:
            if statuses[0] != case.exit:
                problems.append(f"exit status {statuses[0]}, expected {case.exit}")
            if case.output is not None and outputs[0] != case.output:
                problems.append(f"standard output {outputs[0]!r}, expected {case.output!r}")
            if case.output_any is not None and outputs[0] not in case.output_any:
                problems.append(f"standard output {outputs[0]!r}, expected one of {case.output_any!r}")
            if case.output_starts is not None and not (outputs[0] or b"").startswith(case.output_starts):
                problems.append(f"standard output {outputs[0]!r}, expected to start {case.output_starts!r}")
        else:
            # Exactly one instance takes the port; each of the others reports
            # the failed open.
            if statuses != [0] * case.instances:
                problems.append(f"exit statuses {statuses}")
            expected = sorted([CLOSE_PROMPT] + [OPEN_FAILED] * (case.instances - 1))
            if sorted(outputs) != expected:
                problems.append(f"outputs {sorted(outputs)}, expected {expected}")
        if events != case.modem:
            problems.append(f"modem reported {events}, expected {case.modem}")
        if received != case.received:
            problems.append(f"modem received {received.hex(' ')}, expected {case.received.hex(' ')}")
        with open(ordinary, "rb") as f:
            if f.read() != original:
                problems.append("the ordinary file was changed")
        if problems:
            raise Failure("; ".join(problems))
    finally:
        for each in started:
            each.kill()
        if holder is not None:
            os.close(holder)
        modem.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--target", choices=["wine", "native"], required=True)
    parser.add_argument("--hookline", required=True)
    parser.add_argument("--launcher", help="rawlaunch.exe, for the wine target")
    parser.add_argument("--modem", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--wrapper", default="",
                        help="a command to run the native hookline under, such as valgrind")
    parser.add_argument("--only", help="run only the cases whose name holds this text")
    parser.add_argument("--label", help="the name to report the target under")
    parser.add_argument("--optional", action="store_true",
                        help="a target that cannot run here is skipped, in CI too")
    options = parser.parse_args()
    in_ci = bool(os.environ.get("CI"))

    options.work = os.path.abspath(options.work)
    os.makedirs(options.work, exist_ok=True)
    try:
        if options.target == "wine":
            target = WineTarget(options.hookline, options.launcher, options.work)
        else:
            target = NativeTarget(options.hookline, options.work, shlex.split(options.wrapper))
    except (FileNotFoundError, subprocess.SubprocessError) as error:
        print(f"cannot run the {options.label or options.target} cases here: {error}")
        return 1 if in_ci and not options.optional else SKIP

    passed = failed = 0
    try:
        for case in CASES:
            if case.only and target.name not in case.only:
                continue
            if options.only and options.only not in case.name:
                continue
            started = time.monotonic()
            try:
                run_case(case, target, options.modem, options.work)
                passed += 1
                verdict = "PASS"
            except Failure as failure:
                failed += 1
                verdict = f"FAIL: {failure}"
            except Exception:  # a broken case must not hide the others
                failed += 1
                verdict = "ERROR: " + traceback.format_exc()
            print(f"[{options.label or target.name}] {case.name}: {verdict} "
                  f"({time.monotonic() - started:.1f} s)", flush=True)
    finally:
        target.close()
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
