"""Reading Wine's relay trace.

With WINEDEBUG=+timestamp,+relay Wine writes one line when a watched function
is entered and one when it returns:

    701.239:0024:Call winmm.PlaySoundA(01218560,00000000,00000007) ret=00401ea7
    701.240:0024:Ret  winmm.PlaySoundA() retval=00000001 ret=00401ea7

(time in seconds.milliseconds, thread id, then the call).  Integers are printed
as 32-bit hex words; string arguments as "..." (ANSI) or L"..." (UTF-16) with
backslash escapes.  This module turns those lines into `Call` records.
"""

import re
import time

from . import speed

# Not anchored at the line's start: other libraries in the process write to the same
# stderr (ALSA's error messages without a card end without a newline), so a relay
# line may follow their text on one line.  Wine writes each of its lines whole.
_LINE = re.compile(
    r"(?:(?P<time>\d+\.\d+):)?(?:[0-9a-f]{4,8}:)?(?P<thread>[0-9a-f]{4,8}):"
    r"(?P<kind>Call|Ret)\s+(?P<dll>[A-Za-z0-9_\-]+)\.(?P<func>[A-Za-z0-9_@?$]+)"
    r"\((?P<args>.*)\)(?: retval=(?P<retval>[0-9a-fA-F]+))? ret=(?P<caller>[0-9a-fA-F]+)\s*$"
)

_SIMPLE_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"', "'": "'", "0": "\0"}


def canonical_name(name):
    """'KERNEL32.GetVersionExA' -> 'kernel32.GetVersionExA' (DLL part lower case)."""
    dll, _, func = name.partition(".")
    return dll.lower() + "." + func


def decode_string(body, wide):
    """Undo Wine's escapes inside the quotes of a traced string.

    Wide strings escape other characters as a backslash and four hex digits
    (\\3042).  ANSI strings escape bytes as \\x and two hex digits; all their
    bytes are then read as Shift-JIS (code page 932), the program's ANSI code
    page, so "\\x95b" is the two bytes 95 62: "秒".
    """
    units = []  # code points (wide) or bytes (ANSI)
    i = 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            nxt = body[i + 1]
            if wide and re.fullmatch(r"[0-9a-fA-F]{4}", body[i + 1:i + 5]):
                units.append(int(body[i + 1:i + 5], 16))
                i += 5
                continue
            if not wide and nxt == "x" and re.fullmatch(r"[0-9a-fA-F]{2}", body[i + 2:i + 4]):
                units.append(int(body[i + 2:i + 4], 16))
                i += 4
                continue
            units.append(ord(_SIMPLE_ESCAPES.get(nxt, nxt)))
            i += 2
            continue
        units.append(ord(c))
        i += 1
    if wide:
        return "".join(map(chr, units))
    return bytes(u & 0xFF for u in units).decode("cp932", errors="replace")


def split_args(text):
    """Split an argument list at the commas that are not inside a string."""
    args, current, in_string, i = [], [], False, 0
    while i < len(text):
        c = text[i]
        if in_string:
            current.append(c)
            if c == "\\" and i + 1 < len(text):
                current.append(text[i + 1])
                i += 1
            elif c == '"':
                in_string = False
        elif c == '"':
            in_string = True
            current.append(c)
        elif c == ",":
            args.append("".join(current))
            current = []
        else:
            current.append(c)
        i += 1
    if current or args:
        args.append("".join(current))
    return args


class TracedString(str):
    """A string argument; `address` is the pointer that Wine printed before it."""
    address = None


def parse_arg(token):
    """One traced argument: an int for a hex word, a TracedString for a string.

    Wine prints a string argument as its address and the text: 0041e0b2 L"By ..."
    """
    token = token.strip()
    m = re.fullmatch(r'(?:([0-9a-fA-F]+) )?(L?)"(.*)"(\.\.\.)?', token, re.S)
    if m:
        text = TracedString(decode_string(m.group(3), wide=bool(m.group(2))))
        text.address = int(m.group(1), 16) if m.group(1) else None
        return text
    if re.fullmatch(r"[0-9a-fA-F]+", token):
        return int(token, 16)
    return token  # anything else Wine prints (for example a float) stays as text


def signed32(value):
    """A traced 32-bit word read as a signed int (fffffff0 -> -16)."""
    value &= 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


class Call:
    """One call into a watched function: its arguments and, once it returned, its result."""

    def __init__(self, name, args, time, thread, caller, line_no):
        self.name = name          # 'user32.ExitWindowsEx'
        self.args = args          # ints (32-bit words) and strs
        self.time = time          # seconds, Wine's clock (the host's monotonic clock), or None
        self.thread = thread      # Windows thread id
        self.caller = caller      # return address in the caller
        self.line_no = line_no    # line of the Call in the log (1-based)
        self.retval = None        # set from the matching Ret line
        self.ret_time = None

    @property
    def returned(self):
        return self.retval is not None

    def sarg(self, index):
        """Argument `index` as a signed 32-bit int."""
        return signed32(self.args[index])

    def matches(self, *expected):
        """True if the arguments equal `expected`; None in `expected` matches anything.

        Ints are compared as 32-bit words, so -16 matches fffffff0.
        """
        if len(expected) != len(self.args):
            return False
        for want, got in zip(expected, self.args):
            if want is None:
                continue
            if isinstance(want, int) and isinstance(got, int):
                if (want & 0xFFFFFFFF) != got:
                    return False
            elif want != got:
                return False
        return True

    def __repr__(self):
        shown = ",".join(repr(a) if isinstance(a, str) else "%x" % a for a in self.args)
        when = "%.3f" % self.time if self.time is not None else "?"
        result = " -> %x" % self.retval if self.retval is not None else ""
        return "<%s %s(%s)%s>" % (when, self.name, shown, result)


class _Parser:
    """Turns relay lines into Call records, one batch after another, Rets matched per thread."""

    def __init__(self):
        self.calls = []
        self.line_no = 0
        self.open_calls = {}  # thread -> stack of calls not yet returned

    def feed(self, lines):
        for line in lines:
            self.line_no += 1
            if ":Call " not in line and ":Ret  " not in line:
                continue
            m = _LINE.search(line.rstrip("\n"))
            if not m:
                continue
            name = canonical_name(m.group("dll") + "." + m.group("func"))
            thread = int(m.group("thread"), 16)
            t = float(m.group("time")) if m.group("time") else None
            if m.group("kind") == "Call":
                args = [parse_arg(a) for a in split_args(m.group("args"))]
                call = Call(name, args, t, thread, int(m.group("caller"), 16), self.line_no)
                self.calls.append(call)
                self.open_calls.setdefault(thread, []).append(call)
            else:
                stack = self.open_calls.get(thread, [])
                # The innermost open call of that name returns first.
                for k in range(len(stack) - 1, -1, -1):
                    if stack[k].name == name:
                        call = stack.pop(k)
                        del stack[k:]  # calls above it never returned (a longjmp or an exit)
                        call.retval = int(m.group("retval") or "0", 16)
                        call.ret_time = t
                        break


_LOADED = re.compile(r'trace:loaddll:\w+ Loaded L"(?P<path>(?:[^"\\]|\\.)*)" at (?P<base>[0-9A-Fa-f]+)')


def load_addresses(lines, file_name):
    """Where Wine's loaddll trace says a module of that file name was loaded, in order:

        2927.577:0124:trace:loaddll:build_module Loaded L"Z:\\\\run\\\\app\\\\tickbomb.exe" at 00120000: native
    """
    wanted = file_name.lower()
    found = []
    for line in lines:
        m = _LOADED.search(line) if "trace:loaddll:" in line else None
        if m and decode_string(m.group("path"), wide=True).lower().rsplit("\\", 1)[-1] == wanted:
            found.append(int(m.group("base"), 16))
    return found


def parse_relay(lines):
    """All Call records of `lines`, in the order they were made, Rets matched per thread."""
    parser = _Parser()
    parser.feed(lines)
    return parser.calls


class RelayLog:
    """The relay trace of one run, re-read from its file on every question.

    only: the names of the calls its questions see (a run that traces every
    call still answers for the ones it watches); None for all.
    """

    def __init__(self, path, only=None):
        self.path = path
        self.only = {canonical_name(n) for n in only} if only is not None else None
        self._read = 0        # bytes of the file parsed so far (whole lines only)
        self._parser = _Parser()

    def _refresh(self):
        """Parses the lines written since the last question (the trace only grows)."""
        try:
            with open(self.path, "rb") as f:
                f.seek(self._read)
                data = f.read()
        except FileNotFoundError:
            return
        # A line still being written is left for the next refresh.
        complete = data[:data.rfind(b"\n") + 1]
        if not complete:
            return
        self._read += len(complete)
        self._parser.feed(complete.decode("utf-8", errors="replace").split("\n")[:-1])

    def calls(self, name=None, where=None):
        """The calls made so far, oldest first; only those of `name` if given."""
        self._refresh()
        wanted = canonical_name(name) if name else None
        return [c for c in self._parser.calls
                if (wanted is None or c.name == wanted) and (where is None or where(c))
                and (self.only is None or c.name in self.only)]

    def every_call(self):
        """Every call in the trace, watched or not."""
        self._refresh()
        return list(self._parser.calls)

    def wait_for(self, name, count=1, timeout=30.0, where=None, returned=False):
        """Wait until `count` calls of `name` (matching `where`) were made; returns them all.

        `timeout` is in native seconds (speed.py)."""
        timeout = speed.budget(timeout)
        deadline = time.monotonic() + timeout
        while True:
            found = [c for c in self.calls(name, where) if c.returned or not returned]
            if len(found) >= count:
                return found
            if time.monotonic() > deadline:
                raise AssertionError(
                    "waited %.0f s for %d call(s) of %s, saw %d: %s"
                    % (timeout, count, name, len(found), found[-5:]))
            time.sleep(0.05)


class InOrder:
    """Walks a list of calls forwards, checking that they come in an expected order.

        seq = InOrder(run.relay.calls())
        get = seq.next("user32.GetWindowLongA", None, -16)
        seq.next("user32.SetWindowLongA", get.args[0], -16, get.retval & 0xFF30FFFF)

    next(name, *args) takes the first call of `name` after the previous match
    and fails unless its arguments match `args` (None matches anything);
    with skip=True it passes over calls of `name` that do not match.
    """

    def __init__(self, calls):
        self.calls = list(calls)
        self.position = 0  # index just after the last match

    def next(self, name, *args, skip=False):
        name = canonical_name(name)
        for index in range(self.position, len(self.calls)):
            call = self.calls[index]
            if call.name != name:
                continue
            if not args or call.matches(*args):
                self.position = index + 1
                return call
            if not skip:
                raise AssertionError("expected %s(%s) next, found %r; before it: %r" % (
                    name, _show_args(args), call, self.calls[max(0, index - 3):index]))
        raise AssertionError("no call %s(%s) after %r" % (
            name, _show_args(args), self.calls[self.position - 1] if self.position else "the start"))

    def next_n(self, name, count, *args):
        return [self.next(name, *args) for _ in range(count)]

    def remaining(self, name=None):
        name = canonical_name(name) if name else None
        return [c for c in self.calls[self.position:] if name is None or c.name == name]


def _show_args(args):
    def show(a):
        if a is None:
            return "*"
        if isinstance(a, str):
            return repr(a)
        return "%d" % a if -1000 < a < 1000 else "%#x" % (a & 0xFFFFFFFF)
    return ",".join(show(a) for a in args)
