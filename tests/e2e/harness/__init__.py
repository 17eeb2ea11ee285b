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

from .display import ROOT_COLOUR, SCREEN_SIZE
from .relay import Call, RelayLog, signed32
from .run import FORM_CAPTION, TickbombRun, relay_clock
from . import images

SCENARIOS = []


def scenario(timeout=90, serial=False):
    """Marks a scenario function.

    timeout: seconds the scenario may take, Wine start-up included (the CTest
    timeout adds a margin for making the template prefix); serial: run it
    alone, not beside another e2e test (for timing measurements).
    """
    def mark(function):
        function.e2e_timeout = timeout
        function.e2e_serial = serial
        SCENARIOS.append(function)
        return function
    return mark


__all__ = ["Call", "FORM_CAPTION", "ROOT_COLOUR", "RelayLog", "SCENARIOS", "SCREEN_SIZE",
           "TickbombRun", "images", "relay_clock", "scenario", "signed32"]
