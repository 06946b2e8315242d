"""A command server of the tool on this machine, for scripts and tests that bring their own: the
tool started without windows on the simulated board (or the link given), listening on a free port.

    with LocalServer("build/release/ksy7100-eval") as server:
        synth = KSY7100(server.resource)
"""
import os
import socket
import subprocess
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class LocalServer:
    def __init__(self, tool, variant="ksy7100-1", extra_args=(), stderr=subprocess.DEVNULL):
        self.port = free_port()
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        args = [tool, "--headless", "--variant", variant, *extra_args, f"--scpi={self.port}"]
        if "--link" not in extra_args:
            args[4:4] = ["--link", "sim"]
        self.process = subprocess.Popen(args, env=env, stderr=stderr, text=True)
        for _ in range(250):  # until it listens
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.1).close()
                break
            except OSError:
                time.sleep(0.02)
        self.resource = f"TCPIP::127.0.0.1::{self.port}::SOCKET"

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(timeout=5)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
