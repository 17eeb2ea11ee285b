"""A private PulseAudio server whose only sink plays into nothing at the pace of a sound card.

Without a sound card Wine has no audio device, or (with the ALSA file capture)
one that swallows a sound as fast as it is written: either way a synchronous
PlaySoundA returns long before its sound would have ended.  PulseAudio's null
sink consumes samples in real time, so through Wine's pulse driver a
synchronous play lasts as long as its sound (plus the device latency), as on a
real machine.  Debian package: pulseaudio.
"""

import os
import shutil
import subprocess
import tempfile
import time

from .display import stop_process


class PulseServer:
    """pulseaudio with one null sink, listening on a socket of its own; no default config."""

    def __init__(self, log_path):
        self.log_path = log_path
        self.process = None
        self.dir = None

    @property
    def socket(self):
        return os.path.join(self.dir, "native")

    def start(self, timeout=15):
        if shutil.which("pulseaudio") is None:
            raise AssertionError("paced audio needs PulseAudio: install the Debian package "
                                 "pulseaudio (tools/install-deps.sh)")
        # A short path of its own: a socket path may not exceed 107 bytes.
        self.dir = tempfile.mkdtemp(prefix="tickbomb-pulse-")
        env = dict(os.environ, HOME=self.dir, XDG_RUNTIME_DIR=self.dir, XDG_CONFIG_HOME=self.dir)
        env.pop("DISPLAY", None)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        with open(self.log_path, "w") as log:
            self.process = subprocess.Popen(
                ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                 "--log-target=stderr", "--disallow-module-loading=yes",
                 "-L", "module-null-sink sink_name=paced",
                 "-L", "module-native-protocol-unix auth-anonymous=1 socket=%s" % self.socket],
                env=env, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                start_new_session=True)
        deadline = time.monotonic() + timeout
        while not os.path.exists(self.socket):
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("PulseAudio did not start; see %s" % self.log_path)
            time.sleep(0.05)
        return self

    def client_env(self, home):
        """Environment for Wine's pulse driver; writes a client.conf into `home` (no autospawn)."""
        config = os.path.join(home, ".config", "pulse")
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "client.conf"), "w") as f:
            f.write("autospawn = no\n")
        return {"PULSE_SERVER": "unix:" + self.socket}

    def stop(self):
        stop_process(self.process)
        if self.dir:
            shutil.rmtree(self.dir, ignore_errors=True)
