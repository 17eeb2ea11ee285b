"""Windows 95, 98 and Me under Wine: what the program asks of them.

Wine implements every Unicode (W) function whatever Windows version it reports,
so a run under "win98" that works proves nothing by working.  What it shows is
what the program asks for.  A run of one of these versions traces every call
the program's own code makes (its thread, a return address inside its image),
and none may be one that fails there: a W function other than the few that
Windows 95 implements for real, or a security function.
"""

import fcntl
import os
import subprocess

NINE_X = ("win95", "win98", "winme")
# Every family of Windows the program runs on: Wine's default (NT 6 or later),
# NT 4 and the three of the 9x family, for the scenarios that run under each.
EVERY_FAMILY = (None, "nt40") + NINE_X
_LOCALE = "ja_JP.UTF-8"

# The W functions Windows 95 implements for real (Microsoft KB 210341, "Unicode
# support in Windows 95 and Windows 98"; the 1998 Platform SDK's "Windows 95
# General Limitations").  Every other W function there is a stub that fails.
REAL_ON_95 = {
    "gdi32.ExtTextOutW", "gdi32.TextOutW", "gdi32.GetTextExtentPoint32W",
    "gdi32.GetTextExtentPointW", "gdi32.GetTextExtentExPointW", "gdi32.GetCharWidthW",
    "user32.MessageBoxW", "user32.MessageBoxExW", "kernel32.lstrlenW",
    "kernel32.MultiByteToWideChar", "kernel32.WideCharToMultiByte", "kernel32.FindResourceW",
    "kernel32.FindResourceExW", "kernel32.EnumResourceTypesW", "kernel32.EnumResourceNamesW",
    "kernel32.EnumResourceLanguagesW", "kernel32.GetCommandLineW",
}
# libgcc gives each of its mutexes a semaphore made with CreateSemaphoreW (at
# start-up) and waits on it only while another thread holds the mutex: never,
# in a program of one thread.  A failed creation is harmless there.
HARMLESS_STUBS = {"kernel32.CreateSemaphoreW"}


def is_wide(name):
    """'user32.CreateWindowExW' and 'gdi32.GetTextExtentPoint32W' are; 'user32.ShowWindow' is not."""
    function = name.partition(".")[2]
    return len(function) > 1 and function.endswith("W") and not function[-2].isupper()


def program_calls(calls, image, marker="user32.SetWindowRgn"):
    """The calls the program's own code made: from its thread (the one that made
    `marker`'s call), returning into its image, (first, end) where it was loaded."""
    first, end = image
    own = [c for c in calls if first <= c.caller < end]
    threads = {c.thread for c in own if c.name == marker}
    return [c for c in own if c.thread in threads] if threads else own


def failing_calls(calls):
    """The program's calls that fail on Windows 95, 98 and Me."""
    def fails(call):
        dll = call.name.partition(".")[0]
        if dll == "advapi32":
            return True  # the program uses advapi32 only for the privilege step: stubs there
        return is_wide(call.name) and call.name not in REAL_ON_95 | HARMLESS_STUBS
    return [c for c in calls if fails(c)]


def japanese_locale(directory):
    """The environment of a Japanese Windows: Wine takes the ANSI code page (932,
    in which the ANSI window gets its caption "カチコチボム") from the locale, and
    X11 the window names it shows.  The locale is compiled into `directory` once
    (localedef, from Debian's locales package), so the host needs none installed."""
    directory = os.path.abspath(directory)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.isfile(os.path.join(directory, _LOCALE, "LC_CTYPE")):
            subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8",
                            os.path.join(directory, _LOCALE)], check=True, capture_output=True)
    return {"LOCPATH": directory, "LC_ALL": _LOCALE}
