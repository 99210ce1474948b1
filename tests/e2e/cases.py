"""The end-to-end cases: one table for every build of hookline.

Each case starts the real executable against the simulated modem. Words in
`args` and `raw` may hold {port} (the simulated modem's port), {missing} (a port
name that does not exist) and {file} (an ordinary file, compared byte for byte
afterwards). `raw` is an exact Windows command line and so only runs where the
target can pass one. `only` names the targets a case is for; empty is all.

Words may also hold {fifo}, {directory} and {filelink} (a symbolic link to
the ordinary file); `args` may be bytes.

`steps` drive the run: ("modem", EVENT) waits for the modem to report EVENT,
("hold", SECONDS) checks that hookline is still waiting and the port still open
that long, ("send", BYTES) types on hookline's standard input, ("end-input",
None) closes it, ("signal", SIGNAL) sends hookline a signal.
"""

import signal
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
    stdin: str = "pipe"        # pipe (kept open), empty (an empty file),
                               # closed (a pipe closed at once), tty (a terminal),
                               # closed-fd (no standard input at all)
    stdout: str = "pipe"       # pipe, file, full (/dev/full), closed,
                               # reader-gone (a pipe whose reader has closed)
    port_locked: bool = False  # another program holds the port open and locked
    instances: int = 1         # hooklines started together on the port
    steps: list = field(default_factory=list)
    exit: int = 0              # a negative status: ended by that signal
    output: bytes = None       # exact standard output; None: not compared
    output_any: list = None    # standard output must be one of these
    output_starts: bytes = None  # what standard output must begin with
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
    Case("directory given as the port is refused",
         args=["{directory}"], stdin="empty",
         output=OPEN_FAILED),
    Case("FIFO given as the port is refused",
         args=["{fifo}"], stdin="empty",
         output=OPEN_FAILED),
    Case("/dev/null given as the port is refused",
         args=["/dev/null"], only=("native",), stdin="empty",
         output=OPEN_FAILED),
    Case("port locked by another program",
         args=["{port}"], only=("native",), port_locked=True, stdin="empty",
         output=OPEN_FAILED, modem=["opened", "closed"]),
    Case("two started together: one takes the line, the other cannot open",
         args=["{port}"], only=("native",), instances=2,
         steps=[("modem", "off-hook"), ("hold", 0.5), ("end-input", None)],
         modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("Enter typed on a terminal ends the wait",
         args=["{port}"], only=("native",), stdin="tty",
         steps=[("modem", "off-hook"), ("send", b"typed"), ("hold", 0.5),
                ("send", b"\r")],
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("Ctrl+D on a terminal is end of input",
         args=["{port}"], only=("native",), stdin="tty",
         steps=[("modem", "off-hook"), ("hold", 0.3), ("send", b"\x04")],
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    # Buffered for the pipe, the prompt goes down with the process.
    Case("SIGINT during the wait ends the run, the port is released",
         args=["{port}"], only=("native",),
         steps=[("modem", "off-hook"), ("hold", 0.3), ("signal", signal.SIGINT)],
         exit=-signal.SIGINT, output=b"", modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("SIGHUP during the wait ends the run, the port is released",
         args=["{port}"], only=("native",),
         steps=[("modem", "off-hook"), ("hold", 0.3), ("signal", signal.SIGHUP)],
         exit=-signal.SIGHUP, output=b"", modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("standard output a pipe whose reader has gone: status 1, no signal death",
         args=["{port}"], stdout="reader-gone", stdin="empty",
         exit=1, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("standard input closed: status 1, the port never read",
         args=["{port}"], stdin="closed-fd",
         exit=1, output_starts=CLOSE_PROMPT + b"Blad konsoli: ",
         modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("standard output closed: status 1",
         args=["{port}"], stdout="closed", stdin="empty",
         exit=1, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),

    # Faults.
    Case("standard input a pipe closed during the wait ends it",
         args=["{port}"],
         steps=[("modem", "off-hook"), ("hold", 0.3), ("end-input", None)],
         output=CLOSE_PROMPT, modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
    Case("port hung up during the wait: the run ends as usual",
         args=["{port}"], modem_options=["--hang-up-after", "300"],
         steps=[("modem", "hung-up"), ("send", b"\r")],
         output=CLOSE_PROMPT,
         modem=["opened", "command ATH1", "off-hook", "answered OK", "hung-up"],
         received=OFF_HOOK_COMMAND),
    # Hung up at once, the port fails either its checks or the blocked write.
    Case("port hung up before the write",
         args=["{port}"], modem_options=["--stall", "--hang-up-after", "0"],
         stdin="empty",
         output_any=[OPEN_FAILED, WRITE_FAILED + CLOSE_PROMPT],
         modem=["stalled", "opened", "hung-up"]),
    Case("huge port name (32 KiB)",
         args=["x" * 32768], only=("native",), stdin="empty",
         output=OPEN_FAILED),
    Case("long port name (30,000 bytes)",
         args=["x" * 30000], stdin="empty",
         output=OPEN_FAILED),
    Case("empty port name: usage",
         args=[""], only=("native",), stdin="empty",
         output=USAGE),
    Case("port name with control characters",
         args=["\x01\x02{missing}\x1f"], stdin="empty",
         output=OPEN_FAILED),
    Case("port name with bytes 0x80 to 0xFF",
         args=[bytes(range(0x80, 0x100))], stdin="empty",
         output=OPEN_FAILED),
    Case("symbolic link to an ordinary file given as the port is refused",
         args=["{filelink}"], only=("native",), stdin="empty",
         output=OPEN_FAILED),
    # Load.
    Case("fifty started together: exactly one takes the line",
         args=["{port}"], only=("native",), instances=50,
         steps=[("modem", "off-hook"), ("hold", 1.0), ("end-input", None)],
         modem=MODEM_RUN, received=OFF_HOOK_COMMAND),
]
