#!/usr/bin/python3
"""The command server as a lab script meets it: through a real instrument client (pyvisa with its
pure-Python backend) and plain sockets, against the tool running without windows on the
simulated board, with the words the board received read back from the trace.

Usage: scpi_client_test.py PATH_TO_KSY7100_EVAL
"""
import os
import random
import socket
import subprocess
import sys
import tempfile
import time
import unittest

import pyvisa

TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else "build/release/ksy7100-eval"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def latch_words(trace_path):
    """The latch words of a trace: DATA sampled on each rising CLK, a word on each rising LE."""
    ids, level, shift, words = {}, {}, 0, []
    with open(trace_path) as f:
        for line in map(str.strip, f):
            if line.startswith("$var"):
                ids[line.split()[3]] = line.split()[4]
            elif line[:1] in ("0", "1"):
                name, value = ids.get(line[1:]), int(line[0])
                rising = level.get(name) == 0 and value == 1
                level[name] = value
                if name == "CLK" and rising:
                    shift = ((shift << 1) | level.get("DATA", 0)) & 0xFFFFFF
                elif name == "LE" and rising:
                    words.append(shift)
    return words


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.trace = os.path.join(self.folder, "trace.vcd")
        self.port = free_port()
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        self.tool = subprocess.Popen(
            [TOOL, "--headless", "--variant", "ksy7100-1", "--link", "sim", "--trace", self.trace,
             f"--scpi={self.port}", "--scpi-files", self.folder],
            env=env, stderr=subprocess.PIPE, text=True)
        for _ in range(200):  # until it listens
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.1).close()
                break
            except OSError:
                time.sleep(0.02)
        self.rm = pyvisa.ResourceManager("@py")

    def tearDown(self):
        if self.tool.poll() is None:
            self.tool.terminate()
        self.tool.wait(timeout=5)
        self.tool.stderr.close()
        self.rm.close()

    def instrument(self):
        return self.rm.open_resource(f"TCPIP::127.0.0.1::{self.port}::SOCKET",
                                     read_termination="\n", write_termination="\n", timeout=5000)

    def board_words(self):
        time.sleep(0.05)  # the trace is flushed after each action; let the last one land
        return latch_words(self.trace)

    def test_set_a_frequency_read_the_word_back_and_a_refused_one_leaves_the_board_alone(self):
        inst = self.instrument()
        self.assertEqual(inst.query("*IDN?").split(",")[:3], ["KSY7100-EVAL", "KSY7100-1", "0"])
        inst.write("FREQ 2400.2")
        self.assertEqual(inst.query("*OPC?"), "1")
        self.assertEqual(inst.query("LATC:WORD? N"), "017706")
        before = self.board_words()
        self.assertEqual(before[-1], 0x017706, "the simulated board holds the word")
        self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"')
        inst.write("FREQ 0")
        self.assertEqual(inst.query("SYST:ERR?"),
                         '-222,"Data out of range; The total divide ratio N would be 0; it must be at least 1."')
        self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"')
        self.assertEqual(self.board_words(), before)

    def test_a_hop_run_stopped_remotely_leaves_the_board_on_one_of_its_frequencies(self):
        inst = self.instrument()
        inst.write("HOP:STAR 1750,1752,10")
        self.assertTrue(inst.query("HOP:STAT?").startswith("RUN"))
        time.sleep(1.0)
        inst.write("HOP:STOP")
        state, hops = inst.query("HOP:STAT?").split(",")
        self.assertEqual(state, "IDLE")
        # About 100 hops at 10 ms; a loaded machine (sanitized build, parallel tests) delays ticks,
        # so only a wrong interval (100 ms or 1 ms) is caught, not a slow scheduler.
        self.assertTrue(20 <= int(hops) <= 110, hops)
        n_words = [w for w in self.board_words() if w & 3 == 2]
        self.assertEqual(len(n_words), 2 * int(hops), "each plain hop sends the N latch twice")
        last = n_words[-1]
        n = ((last >> 8) & 0x1FFF) * 32 + ((last >> 2) & 31)
        self.assertIn(n, (8750, 8760))
        self.assertIn(inst.query("FREQ?"), ("1750", "1752"))

    def test_two_clients_at_once(self):
        a, b = self.instrument(), self.instrument()
        a.write("FREQ 2401")
        a.query("*OPC?")  # done before the other client asks
        self.assertEqual(b.query("FREQ?"), "2401", "both clients drive the one board")
        a.write("NOPE")
        self.assertEqual(b.query("SYST:ERR?"), '0,"No error"', "each connection has its own error queue")
        self.assertTrue(a.query("SYST:ERR?").startswith("-113,"))

    def test_garbage_an_overlong_line_and_an_abrupt_disconnect_leave_the_server_answering(self):
        random.seed(7100)
        with socket.create_connection(("127.0.0.1", self.port)) as s:
            s.sendall(bytes(random.getrandbits(8) for _ in range(1 << 20)))
        with socket.create_connection(("127.0.0.1", self.port)) as s:
            s.sendall(b"FREQ 2400" + b"0" * 10000)  # an over-long line cut off mid-way
        inst = self.instrument()
        inst.write("A" * 5000)
        self.assertEqual(inst.query("SYST:ERR?"), '-223,"Too much data; a line holds at most 4096 bytes"')
        self.assertTrue(inst.query("*IDN?").startswith("KSY7100-EVAL"))

    def test_files_stay_inside_the_servers_folder(self):
        inst = self.instrument()
        inst.write('MEM:SAVE "../x"')  # the other names refused: ScpiServer.FileNamesResolveInsideTheFolderOnly
        self.assertIn("not '..'", inst.query("SYST:ERR?"))
        inst.write('MEM:SAVE "setup.txt"')
        self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"')
        self.assertTrue(os.path.exists(os.path.join(self.folder, "setup.txt")))
        with open(os.path.join(self.folder, "bad.txt"), "w") as f:
            f.write("valid vco settings\r\n" + "secret-content\r\n" * 27)
        inst.write('MEM:LOAD "bad.txt"')
        error = inst.query("SYST:ERR?")
        self.assertTrue(error.startswith("-222,"), error)
        self.assertNotIn("secret", error)


if __name__ == "__main__":
    unittest.main(verbosity=2)
