"""The set-up the SCPI tests share: the simulator on a pseudo-terminal (behind a named link, so
it can be stopped and started again), the headless logger on it recording CSV and taking SCPI
commands on a port the system picks, and PyVISA's pure-Python back end as the client."""
import csv
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time

import pyvisa

FREQSIM = os.environ["FREQSIM"]
FRONTPANEL = os.environ["FRONTPANEL"]
NO_VALUE = 9.91e37


def wait_until(done, timeout=20.0, step=0.02):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if done():
            return True
        time.sleep(step)
    return done()


class Bench:
    def __init__(self, sim_args=(), logger_args=()):
        self.folder = tempfile.mkdtemp(prefix="scpi-")
        self.link = os.path.join(self.folder, "COM2")
        self.csv = os.path.join(self.folder, "run.csv")
        self.sim_args = list(sim_args)
        self.sim = None
        self.start_simulator()
        self.logger = subprocess.Popen(
            [FRONTPANEL, "--headless", "--port", "2=" + self.link, "--csv", self.csv, "--scpi", "0", *logger_args],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        first = self.logger.stderr.readline()
        found = re.search(r"scpi: listening on 127\.0\.0\.1:(\d+)", first)
        if not found:
            self.close()
            raise RuntimeError("the logger did not say where it listens: " + first)
        self.port = int(found.group(1))
        self.err = [first]
        # Its standard error is read all along, so it can never block on a full pipe.
        self.reader = threading.Thread(target=lambda: self.err.extend(self.logger.stderr), daemon=True)
        self.reader.start()
        self.manager = pyvisa.ResourceManager("@py")
        self.clients = []
        wait_until(lambda: len(self.rows()) > 0)

    def start_simulator(self):
        self.sim = subprocess.Popen([FREQSIM, "--link", self.link, *self.sim_args],
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    text=True)
        self.sim.stdout.readline()  # the line's path: the simulator is up

    def stop_simulator(self):
        self.sim.send_signal(signal.SIGTERM)
        self.sim.wait(10)

    def client(self, timeout_ms=10000):
        c = self.manager.open_resource(f"TCPIP0::127.0.0.1::{self.port}::SOCKET", read_termination="\n",
                                       write_termination="\n", timeout=timeout_ms)
        self.clients.append(c)
        return c

    def rows(self):
        """The CSV rows recorded so far (complete lines only)."""
        try:
            with open(self.csv, newline="", encoding="utf-8") as f:
                text = f.read()
        except FileNotFoundError:
            return []
        complete = text[:text.rfind("\n") + 1]
        return list(csv.DictReader(complete.splitlines()))

    def close(self):
        for c in self.clients:
            try:
                c.close()
            except Exception:
                pass
        if self.logger.poll() is None:
            self.logger.send_signal(signal.SIGTERM)
        self.logger.wait(15)
        if self.sim.poll() is None:
            self.stop_simulator()
        shutil.rmtree(self.folder, ignore_errors=True)
        return self.logger.returncode


def values(reply):
    return [float(v) for v in reply.split(",")]


def error_code(client):
    return int(client.query("SYST:ERR?").split(",")[0])
