"""Editing a Wine prefix's registry files as text, before Wine starts.

A Wine registry file (user.reg, system.reg) is a header followed by sections:

    [Software\\Wine\\Debug] 1796737661
    #time=1dd871ab1a3dd92
    "RelayExclude"="ntdll.RtlEnterCriticalSection;..."

Key paths are written with doubled backslashes and compared without regard to
case, as Windows does.  Values here are strings (REG_SZ) or ints (REG_DWORD).
"""

import re
import time

_SECTION = re.compile(r"^\[(?P<key>(?:[^\]\\]|\\.)*)\](?P<rest>.*)$")
_VALUE = re.compile(r'^"(?P<name>(?:[^"\\]|\\.)*)"=|^@=')


def _reg_key(path):
    """'Software\\Wine\\Debug' (single backslashes) as it is written in a .reg file."""
    return path.replace("\\", "\\\\")


def _quote(text):
    out = []
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\n")
        elif ord(ch) < 0x20 or ord(ch) > 0x7E:
            out.append("\\x%04x" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def format_value(name, value):
    """One value line: "name"="text" for a str, "name"=dword:0000000a for an int."""
    if isinstance(value, bool) or not isinstance(value, (int, str)):
        raise TypeError("registry values here are str or int, not %r" % (value,))
    if isinstance(value, int):
        data = "dword:%08x" % (value & 0xFFFFFFFF)
    else:
        data = '"%s"' % _quote(value)
    return '"%s"=%s' % (_quote(name), data)


def _value_name(line):
    m = _VALUE.match(line)
    if not m:
        return None
    if line.startswith("@="):
        return ""
    return re.sub(r"\\(.)", r"\1", m.group("name"))


def edit_registry_text(text, key, set_values=None, delete=()):
    """Return `text` with values of `key` set and deleted; the section is added if missing."""
    set_values = dict(set_values or {})
    wanted_key = _reg_key(key).lower()
    lines = text.split("\n")
    start = None
    for i, line in enumerate(lines):
        m = _SECTION.match(line)
        if m and m.group("key").lower() == wanted_key:
            start = i
            break
    if start is None:
        if lines and lines[-1] == "":
            lines.pop()
        stamp = int(time.time())
        lines += ["", "[%s] %d" % (_reg_key(key), stamp), "#time=%x" % (stamp * 10000000)]
        lines += [format_value(n, v) for n, v in set_values.items()]
        lines.append("")
        return "\n".join(lines)
    end = start + 1
    while end < len(lines) and not _SECTION.match(lines[end]):
        end += 1
    drop = {n.lower() for n in list(delete) + list(set_values)}
    body = [ln for ln in lines[start + 1:end]
            if _value_name(ln) is None or _value_name(ln).lower() not in drop]
    # Keep the section's blank separator line last.
    trailing = []
    while body and body[-1] == "":
        trailing.append(body.pop())
    body += [format_value(n, v) for n, v in set_values.items()] + trailing
    return "\n".join(lines[:start + 1] + body + lines[end:])


def read_value(text, key, name):
    """The raw data of value `name` of `key` (after the '='), or None."""
    wanted_key = _reg_key(key).lower()
    in_key = False
    for line in text.split("\n"):
        m = _SECTION.match(line)
        if m:
            in_key = m.group("key").lower() == wanted_key
            continue
        if in_key and (_value_name(line) or "").lower() == name.lower():
            return line.split("=", 1)[1]
    return None


def edit_registry_file(path, key, set_values=None, delete=()):
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    text = edit_registry_text(text, key, set_values, delete)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)
