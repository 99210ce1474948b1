"""The end-to-end cases: one table for every build of hookline.

Each case starts the real executable against the simulated modem. Words in
`args` and `raw` may hold {port} (the simulated modem's port), {missing} (a port
name that does not exist) and {file} (an ordinary file, compared byte for byte
afterwards). `raw` is an exact Windows command line and so only runs where the
target can pass one. `only` names the targets a case is for; empty is all.

`steps` drive the run: ("modem", EVENT) waits for the modem to report EVENT,
("hold", SECONDS) checks that hookline is still waiting and the port still open
that long, ("send", BYTES) types on hookline's standard input.
"""

from dataclasses import dataclass, field

USAGE = (b"Podaj jako parametr nazwe portu, na ktorym pracuje modem np. dla com3\r\n"
         b"hookline com3 <enter>\r\n")
OPEN_FAILED = b"Blad otwarcia portu COM\r\n"
WRITE_FAILED = b"\x42\xB3\xB9\x64 zapisu do portu COM.\r\n"
CLOSE_PROMPT = b"Nacisnij ENTER lub zamknij okno\r\n"
OFF_HOOK_COMMAND = bytes([0x41, 0x54, 0x48, 0x31, 0x0D, 0x0A])

# What the modem reports for a complete run: opened, took the line off-hook,
# and saw the port close.
MODEM_RUN = ["opened", "command ATH1", "off-hook", "answered OK", "closed",
             "on-hook (DTR dropped)"]


@dataclass
class Case:
    name: str
    args: list = field(default_factory=list)
    raw: str = None
    only: tuple = ()
    modem_options: list = field(default_factory=list)
    stdin: str = "pipe"        # pipe (kept open), empty (an empty file), closed (a pipe closed at once)
    stdout: str = "pipe"       # pipe, file, full (/dev/full)
    steps: list = field(default_factory=list)
    exit: int = 0
    output: bytes = None       # exact standard output; None: not compared
    output_starts: bytes = None
    modem: list = field(default_factory=list)  # the modem's events but "received"
    received: bytes = b""      # all bytes the modem received


ENTER_AFTER_OFF_HOOK = [("modem", "off-hook"), ("hold", 0.5), ("send", b"\r\n")]

CASES = [
    Case("usage without argument",
         steps=[("hold", 0.5), ("send", b"\r\n")],
         output=USAGE),
    Case("usage when the argument is only a pair of quotes",
         raw='hookline ""', only=("wine",), stdin="empty",
         output=USAGE),
    Case("successful run closes the port only after Enter",
         args=["{port}"], steps=ENTER_AFTER_OFF_HOOK,
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("quoted port name reaches the open without its quotes",
         raw='hookline "{port}"', only=("wine",), stdin="empty",
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("only the first of several arguments is used",
         args=["{port}", "{missing}", "extra"], stdin="empty",
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("port that does not exist",
         args=["{missing}"], steps=[("hold", 0.5), ("send", b"\r")],
         output=OPEN_FAILED),
    Case("ordinary file given as the port is refused and left unchanged",
         args=["{file}"], stdin="empty",
         output=OPEN_FAILED),
    Case("NUL device given as the port is refused",
         args=["NUL"], only=("wine",), stdin="empty",
         output=OPEN_FAILED),
    Case("write failure is reported, then the closing sequence",
         args=["{port}"], modem_options=["--stall", "--hang-up-after", "1500"],
         stdout="file",
         steps=[("modem", "hung-up"), ("hold", 0.3), ("send", b"\r")],
         output=WRITE_FAILED + CLOSE_PROMPT,
         modem=["stalled", "opened", "hung-up"]),
    Case("usage to a file",
         stdout="file", stdin="empty", output=USAGE),
    Case("standard output that refuses writes ends with status 1, port released",
         args=["{port}"], stdout="full", stdin="empty", exit=1,
         modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("standard input at end of input: the run completes at once",
         args=["{port}"], stdin="empty",
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("standard input a pipe closed at once: the run completes",
         args=["{port}"], stdin="closed",
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("lines ended by LF alone do not end the wait",
         args=["{port}"],
         steps=[("modem", "off-hook"), ("send", b"one\ntwo\n"), ("hold", 0.7),
                ("send", b"\r")],
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("Ctrl+Z ends the wait as end of input",
         args=["{port}"],
         steps=[("modem", "off-hook"), ("hold", 0.3), ("send", b"\x1a")],
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
]
