"""Wine prefixes for the end-to-end runs.

`wineboot -i` in a new prefix takes about 15 s, so one template prefix
(32-bit, WINEARCH=win32) is made per build tree and kept; every run gets a
copy of it made of hard links (well under a second), with real copies of the
files Wine rewrites in place, and its own settings written into the copy's
user.reg before Wine starts.
"""

import fcntl
import hashlib
import os
import shutil
import subprocess
import sys
import time

from . import registry

# Files at the top of a prefix that Wine rewrites: each run needs its own.
_REWRITTEN = ("system.reg", "user.reg", "userdef.reg", ".update-timestamp", "wineserver")
_STAMP = ".tickbomb-template"

_REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
# The Japanese font settings every prefix gets (tools/run.sh imports the same file).
FONTS_REG = os.path.join(_REPO, "tools", "wine", "japanese-fonts.reg")
# The font files those settings name (Debian's fonts-ipafont-gothic).
FONT_FILES = ("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
              "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf")


def wine_version():
    out = subprocess.run(["wine", "--version"], capture_output=True, text=True, check=True)
    return out.stdout.strip()


def base_environment(prefix, home):
    """The environment every Wine command of a run gets: its own prefix and HOME, no display."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith("WINE") and k not in ("DISPLAY", "XAUTHORITY")}
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEARCH": "win32",
        "HOME": str(home),
        "WINEDEBUG": "-all",
        # No prompts to download Mono or Gecko: the program needs neither.
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
        "LANG": os.environ.get("LANG", "C.UTF-8"),
    })
    return env


def template_version():
    """What a template is made of: the Wine version and the font settings imported into it.

    A template stamped with anything else is stale and is made again.
    """
    with open(FONTS_REG, "rb") as f:
        fonts = hashlib.sha256(f.read()).hexdigest()[:16]
    return "%s; fonts %s" % (wine_version(), fonts)


def import_font_settings(env, log_file):
    """Import tools/wine/japanese-fonts.reg into the prefix of `env` (the Wine session must be idle).

    Wine's regedit reads a version 5 .reg file as UTF-16; the committed file is
    UTF-8, so it is converted on the way.
    """
    missing = [f for f in FONT_FILES if not os.path.isfile(f)]
    if missing:
        raise RuntimeError("font files missing: %s; install fonts-ipafont-gothic "
                           "(tools/install-deps.sh)" % ", ".join(missing))
    with open(FONTS_REG, encoding="utf-8") as f:
        text = f.read()
    reg_path = os.path.join(env["HOME"], "japanese-fonts.utf16.reg")
    with open(reg_path, "wb") as f:
        f.write(text.replace("\n", "\r\n").encode("utf-16"))  # BOM, little-endian
    subprocess.run(["wine", "regedit", "/S", "Z:" + reg_path.replace("/", "\\")], env=env,
                   stdout=log_file, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                   check=True, timeout=120)
    subprocess.run(["wineserver", "-w"], env=env, stdout=log_file, stderr=subprocess.STDOUT,
                   timeout=120)
    # Wine writes a name such as "ＭＳ Ｐゴシック" with a \x escape per UTF-16 code unit.
    written = '"%s"="IPAPGothic"' % "".join(
        c if ord(c) < 0x80 else "\\x%04x" % ord(c) for c in "ＭＳ Ｐゴシック")
    with open(os.path.join(env["WINEPREFIX"], "user.reg"), encoding="utf-8") as f:
        if written not in f.read().split("\n"):
            raise RuntimeError("the font settings did not reach %s/user.reg (no line %s)"
                               % (env["WINEPREFIX"], written))


def _template_valid(path, version):
    stamp = os.path.join(path, _STAMP)
    try:
        with open(stamp, encoding="utf-8") as f:
            if f.read().strip() != version:
                return False
    except OSError:
        return False
    return all(os.path.exists(os.path.join(path, name))
               for name in ("system.reg", "user.reg", "drive_c/windows/system32"))


def require_32_bit_programs():
    """Fail, saying why, on a machine that runs no 32-bit x86 program (no Wine can run there)."""
    probe = subprocess.run([sys.executable, os.path.join(_REPO, "tools", "machine-runs-32-bit.py")],
                           capture_output=True, text=True, timeout=60)
    if probe.returncode != 0:
        raise RuntimeError("tools/machine-runs-32-bit.py failed:\n" + probe.stdout + probe.stderr)


def ensure_template(path, log=print):
    """Make the template prefix at `path` unless a valid one is there; returns `path`.

    Safe to call from several test processes at once: they take turns on a lock
    file, and the prefix is built under a temporary name and renamed when done.
    """
    require_32_bit_programs()
    path = os.path.abspath(path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    version = template_version()
    with open(path + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if _template_valid(path, version):
            return path
        log("creating the Wine template prefix %s (%s, about 15 s, once)" % (path, version))
        started = time.monotonic()
        building = "%s.building-%d" % (path, os.getpid())
        shutil.rmtree(building, ignore_errors=True)
        home = building + "-home"
        os.makedirs(home, exist_ok=True)
        env = base_environment(building, home)
        with open(path + ".wineboot.log", "w") as out:
            subprocess.run(["wineboot", "-i"], env=env, stdout=out, stderr=subprocess.STDOUT,
                           stdin=subprocess.DEVNULL, check=True, timeout=240)
            # Wait for the wineserver to write the registry and leave.
            subprocess.run(["wineserver", "-w"], env=env, stdout=out, stderr=subprocess.STDOUT,
                           timeout=120)
            import_font_settings(env, out)
        with open(os.path.join(building, _STAMP), "w", encoding="utf-8") as f:
            f.write(version + "\n")
        shutil.rmtree(path, ignore_errors=True)
        os.rename(building, path)
        shutil.rmtree(home, ignore_errors=True)
        log("template prefix ready in %.1f s" % (time.monotonic() - started))
        return path


def copy_template(template, prefix):
    """A private prefix at `prefix`: hard links to the template, real copies of what Wine rewrites."""
    if os.path.exists(prefix):
        shutil.rmtree(prefix)
    subprocess.run(["cp", "-al", template, prefix], check=True)
    for name in _REWRITTEN:
        source = os.path.join(template, name)
        if os.path.exists(source):
            shutil.copyfile(source, os.path.join(prefix, name) + ".copy")
            os.replace(os.path.join(prefix, name) + ".copy", os.path.join(prefix, name))
    os.remove(os.path.join(prefix, _STAMP))


def configure(prefix, watch=(), relay_from="tickbomb.exe", windows_version=None,
              log_pixels=None, audio=None, settings=None, trace_all=False):
    r"""Write a run's settings into the prefix's user.reg.

    watch: functions to trace ("user32.ExitWindowsEx", ...), only when called
    from `relay_from`; with trace_all, every call from `relay_from` into any
    DLL instead, Wine's stock exclusions dropped too.  windows_version:
    "winxp", "win98", "win10", ... or None for Wine's default.  log_pixels: the DPI the program sees.  audio: None for
    Wine's default drivers, "alsa" or "" (no audio driver at all).  settings:
    more of the user's settings, {key: {name: value}}, such as
    {r"Control Panel\Colors": {"ButtonText": "255 0 0"}}.
    """
    user_reg = os.path.join(prefix, "user.reg")
    if trace_all:
        registry.edit_registry_file(
            user_reg, r"Software\Wine\Debug", {"RelayFromInclude": relay_from},
            delete=["RelayFromExclude", "RelayInclude", "RelayExclude"])
    elif watch:
        registry.edit_registry_file(
            user_reg, r"Software\Wine\Debug",
            {"RelayInclude": ";".join(watch), "RelayFromInclude": relay_from},
            delete=["RelayFromExclude"])
    if windows_version:
        registry.edit_registry_file(user_reg, r"Software\Wine", {"Version": windows_version})
    if log_pixels:
        registry.edit_registry_file(user_reg, r"Control Panel\Desktop", {"LogPixels": int(log_pixels)})
    if audio is not None:
        registry.edit_registry_file(user_reg, r"Software\Wine\Drivers", {"Audio": audio})
    for key, values in (settings or {}).items():
        registry.edit_registry_file(user_reg, key, values)
    # A crash shows no dialog that would wait for a click: it ends the program.
    registry.edit_registry_file(user_reg, r"Software\Wine\WineDbg", {"ShowCrashDialog": 0})
