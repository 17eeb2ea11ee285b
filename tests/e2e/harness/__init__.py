"""End-to-end harness: the real tickbomb.exe under Wine on a virtual display.

A scenario is a function in tests/e2e/scenarios/*.py marked with @scenario;
each becomes its own CTest test (e2e.<file>.<function>):

    from harness import scenario, TickbombRun

    @scenario(timeout=60)
    def escape_ends_without_shutdown():
        with TickbombRun(watch=["user32.ExitWindowsEx"]) as run:
            run.wait_for_window()
            run.key("Escape")
            run.close_message_box(run.wait_for_message_box("By ピコリン"))
            run.wait_for_exit(timeout=30)
            assert run.relay.calls("user32.ExitWindowsEx") == []
"""

import functools

from .display import ROOT_COLOUR, SCREEN_SIZE
from .relay import Call, RelayLog, signed32
from .run import FORM_CAPTION, TickbombRun, relay_clock
from . import images, speed

SCENARIOS = []


def scenario(timeout=90, serial=False, windows_versions=None, wine=True):
    """Marks a scenario function.

    timeout: seconds the scenario may take, Wine start-up included (the CTest
    timeout adds a margin for making the template prefix); serial: run it
    alone, not beside another e2e test (for timing measurements);
    windows_versions: run it once per Windows version, each its own test, the
    function taking the version as `windows_version` (None: Wine's default,
    named file.function; "win98": file.function.win98); wine: False for a
    scenario that only reads the .exe and needs no template prefix.
    """
    def mark(function):
        function.e2e_timeout = timeout
        function.e2e_serial = serial
        function.e2e_windows_versions = windows_versions
        function.e2e_wine = wine
        SCENARIOS.append(function)
        return function
    return mark


def scenario_variants(module_name, function):
    """[(test name, callable)] of one marked scenario function."""
    name = "%s.%s" % (module_name, function.__name__)
    if function.e2e_windows_versions is None:
        return [(name, function)]
    variants = []
    for version in function.e2e_windows_versions:
        variant = functools.partial(function, windows_version=version)
        variant.e2e_timeout, variant.e2e_serial = function.e2e_timeout, function.e2e_serial
        variant.e2e_wine = function.e2e_wine
        variants.append((name if version is None else "%s.%s" % (name, version), variant))
    return variants


__all__ = ["Call", "FORM_CAPTION", "ROOT_COLOUR", "RelayLog", "SCENARIOS", "SCREEN_SIZE",
           "TickbombRun", "images", "relay_clock", "scenario", "scenario_variants",
           "signed32", "speed"]
