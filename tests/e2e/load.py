#!/usr/bin/env python3
"""Load on the native hookline against one simulated modem.

  load.py --hookline build/linux/hookline --modem build/linux/simmodem \
          --work build/linux/e2e-load [--runs 1000] [--kills 30]

- RUNS sequential runs, input at its end: every run shows the prompt, ends
  with status 0, delivers exactly the six bytes, and leaves the port free
  (no other process holds it, and its lock can be taken at once);
- KILLS runs killed with SIGKILL at a random moment: each time the next run
  still opens the port and delivers its six bytes.
Prints 'N passed, N failed'.
"""

import argparse
import fcntl
import os
import random
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cases import CLOSE_PROMPT, OFF_HOOK_COMMAND  # noqa: E402
from run_e2e import Failure, Modem  # noqa: E402


def wait_closes(modem, wanted):
    deadline = time.monotonic() + 10
    while modem.count("closed") < wanted:
        if time.monotonic() > deadline:
            raise Failure(f"the modem saw {modem.count('closed')} closes, expected {wanted}")
        time.sleep(0.001)


def port_is_free(device):
    fd = os.open(device, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        return False
    finally:
        os.close(fd)
    return True


def complete_run(hookline, device):
    done = subprocess.run([hookline, device], stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, timeout=30)
    if done.returncode != 0 or done.stdout != CLOSE_PROMPT:
        raise Failure(f"status {done.returncode}, output {done.stdout!r}")


def sequential(hookline, modem, runs):
    for run in range(1, runs + 1):
        complete_run(hookline, modem.device)
        wait_closes(modem, run)
    if modem.received() != OFF_HOOK_COMMAND * runs:
        raise Failure(f"the modem received {len(modem.received())} bytes for {runs} runs")


def killed(hookline, modem, kills):
    rng = random.Random(1234)
    for _ in range(kills):
        victim = subprocess.Popen([hookline, modem.device], stdin=subprocess.PIPE,
                                  stdout=subprocess.DEVNULL)
        time.sleep(rng.uniform(0, 0.02))
        victim.send_signal(signal.SIGKILL)
        victim.wait()
        victim.stdin.close()
        # The system released whatever the killed run held.
        deadline = time.monotonic() + 10
        while not port_is_free(modem.device):
            if time.monotonic() > deadline:
                raise Failure("the port stayed locked after a SIGKILL")
            time.sleep(0.001)
        before = len(modem.received())
        complete_run(hookline, modem.device)
        deadline = time.monotonic() + 10
        while len(modem.received()) < before + 6:
            if time.monotonic() > deadline:
                raise Failure("the run after a SIGKILL delivered no command")
            time.sleep(0.001)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hookline", required=True)
    parser.add_argument("--modem", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=1000)
    parser.add_argument("--kills", type=int, default=30)
    options = parser.parse_args()
    os.makedirs(options.work, exist_ok=True)

    passed = failed = 0
    for name, body, amount in (("sequential runs", sequential, options.runs),
                               ("runs killed at random", killed, options.kills)):
        modem = Modem(options.modem, [], os.path.join(options.work, "port"))
        started = time.monotonic()
        try:
            body(os.path.abspath(options.hookline), modem, amount)
            if not port_is_free(modem.device):
                raise Failure("the port is still locked at the end")
            passed += 1
            verdict = "PASS"
        except (Failure, subprocess.SubprocessError) as failure:
            failed += 1
            verdict = f"FAIL: {failure}"
        finally:
            modem.stop()
        print(f"[load] {amount} {name}: {verdict} ({time.monotonic() - started:.1f} s)",
              flush=True)
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
