"""The countdown left alone: ten seconds, then one shutdown request."""

from harness import TickbombRun, scenario


@scenario(timeout=60)
def shutdown_after_ten_seconds():
    # Wine's default Windows version is NT 6 or later: plain shutdown, flags 1.
    with TickbombRun(watch=["user32.ExitWindowsEx"]) as run:
        run.wait_for_window()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        run.wait_for_exit(timeout=30)
        requests = run.relay.calls("user32.ExitWindowsEx")
    assert len(requests) == 1, "shutdown requests: %s" % requests
    assert requests[0].matches(1, 0), "expected ExitWindowsEx(1, 0), got %r" % requests[0]
    after = requests[0].time - shown
    assert 9.5 <= after <= 12.0, "the shutdown request came %.2f s after the window appeared" % after
