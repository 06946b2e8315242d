#!/usr/bin/python3
"""The Python driver, its pyvisa class and its PyMeasure one, against a live command server on the
simulated board. Usage: test_driver.py PATH_TO_KSY7100_EVAL"""
import os, sys, tempfile, time, unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from ksy7100 import KSY7100, KSY7100Error, LoopParts, parse_errors  # noqa: E402
from ksy7100.local_server import LocalServer  # noqa: E402

TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else "build/release/ksy7100-eval"

# Each property set in turn, read back, and asked for by its own command: (property, value, query, answer).
PROPERTIES = [
    ("reference", 10.0, "FREQ:REF?", "10"), ("pfd", 100.0, "FREQ:PFD?", "100"), ("frequency", 2400.2, "FREQ?", "2400.2"),
    ("prescaler", 16, "PRES?", "16"), ("output_power", 1, "POW:OUTP?", "1"), ("core_power", 0, "POW:CORE?", "0"),
    ("muxout", 1, "MUX?", "1"), ("polarity_positive", False, "SWIT:POL?", "0"), ("counter_reset", True, "SWIT:CRES?", "1"),
    ("cp_gain", True, "SWIT:CPG?", "1"), ("internal_divide", True, "SWIT:IDIV?", "1"),
    ("charge_pump_three_state", True, "SWIT:TST?", "1"), ("output_divide", True, "SWIT:ODIV?", "1"),
    ("mute_till_lock", True, "SWIT:MUTE?", "1"), ("lock_detect_precision", True, "SWIT:LDP?", "1"),
    ("hop_lock_measurement", True, "HOP:LOCK:STAT?", "1"),
    ("loop_parts", LoopParts(1e-09, 1e-08, 0.0, 5000.0, 0.0), "LOOP:COMP?", "1e-09,1e-08,0,5000,0"),
    ("loop_order", 3, "LOOP:ORD?", "3"), ("loop_kvco", 30.0, "LOOP:KVCO?", "30"), ("loop_snap", "E24", "LOOP:SNAP?", "E24"),
    ("loop_fom", -218.0, "LOOP:NOIS:FOM?", "-218"), ("loop_flicker", -110.0, "LOOP:NOIS:FLIC?", "-110"),
    ("loop_vco_noise", [(1e4, -90.0), (1e5, -115.0)], "LOOP:NOIS:VCO?", "10000,-90,100000,-115"),
    ("loop_reference_noise", [(1e3, -120.0)], "LOOP:NOIS:REF?", "1000,-120"), ("loop_reference_noise", [], "LOOP:NOIS:REF?", "NONE"),
]
# Each method called in turn, and what then holds. The loop's parts are a published design's.
METHODS = [
    (lambda s: (s.reset(), s.write_register("N", 0x017706)), lambda s: s.latch_word("N") == 0x017706),
    (lambda s: s.send_latch(), lambda s: s.board_frequency == 2400.2 and s.link == "SIM,OK" and s.self_test()
     and s.idn.startswith("KSY7100-EVAL,KSY7100-1,SIM,")),
    (lambda s: (s.step(up=False), s.save("a.txt"), s.step(), s.load("a.txt")), lambda s: s.frequency == 2400),
    (lambda s: (s.write("MUX 1"), s.hop(1750, 1752, 20, divide=(False, True)), time.sleep(0.2)),
     lambda s: s.hop_state.running and s.hop_state.progress > 0 and s.hop_state.scheduling in ("REALTIME", "NORMAL")),
    (lambda s: s.stop_hop(), lambda s: not s.hop_state.running and 0 < s.hop_locks().median < 1e-3 and
     0 < s.hop_locks().count == len(s.hop_lock_times()) and s.hop_locks().not_locked == 0 < s.hop_locks().resolution),
    (lambda s: s.sweep(1750, 1752, 200, 50) or time.sleep(0.1),
     lambda s: s.sweep_state.running and 1750 <= s.sweep_state.progress <= 1752),
    (lambda s: s.stop_sweep(), lambda s: not s.sweep_state.running),
    (lambda s: s.write("FREQ:REF 12;FREQ:PFD 60;FREQ 1392;CURR1 7,2937.5;LOOP:KVCO 30;LOOP:ORD 3"),
     lambda s: all(abs(got / published - 1) < 0.005 for got, published in
                   zip(s.design_loop(2000, 47.1, 1.136, 0.6), (6.59e-9, 85.5e-9, 467e-12, 2.58e3, 33.9e3)))),
    (lambda s: None, lambda s: s.loop_current == 4 and abs(s.loop_bandwidth - 2000) < 2 and abs(s.loop_phase_margin - 47.1) < 0.1
     and not s.lock_time(1390, 1392, 1e3).slips and 0 < s.lock_time(1390, 1392, 1e3).seconds < 0.01
     and 0 < s.lock_detect_time(1390, 1392) < 0.01 and s.phase_noise(1e3) < -60 and 0 < s.jitter(1e3, 1e6) < 1e-9),
]


class DriverTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = LocalServer(TOOL, extra_args=["--scpi-files", tempfile.mkdtemp()])
        cls.addClassCleanup(cls.server.close)

    def test_properties_and_methods_reach_their_commands_and_read_the_answers(self):
        with KSY7100(self.server.resource) as synth:
            synth.reset()
            for name, value, query, answer in PROPERTIES:
                with self.subTest(name):
                    setattr(synth, name, value)
                    self.assertEqual((getattr(synth, name), synth.query(query)), (value, answer))
            for i, (call, holds) in enumerate(METHODS):
                with self.subTest(method=i):
                    call(synth)
                    self.assertTrue(holds(synth))

    def test_refusals_raise_with_the_tools_code_and_message(self):
        with KSY7100(self.server.resource, timeout_ms=300) as synth:  # a refused query is answered by nothing
            for refused, code, message in ((lambda: synth.design_loop(2000, 95), -222, "Data out of range"),
                                           (lambda: synth.query("NOPE?"), -113, "Undefined header")):
                with self.assertRaises(KSY7100Error) as raised:
                    refused()
                self.assertEqual((raised.exception.code, raised.exception.message[:len(message)]), (code, message))
        self.assertEqual(parse_errors('-222,"Data out of range; a ""b"", c",-113,"Undefined header"'),
                         [(-222, 'Data out of range; a "b", c'), (-113, "Undefined header")])

    def test_pymeasure_drives_it_as_one_of_its_instruments(self):
        from ksy7100.pymeasure import KSY7100Eval
        synth = KSY7100Eval(self.server.resource)
        synth.write("*RST")
        synth.frequency, synth.pfd = 1000, 5
        synth.frequency = 1000.005  # seven digits: sent whole
        self.assertEqual((synth.frequency, synth.board_frequency, synth.muxout), (1000.005, 1000.005, 0))
        with self.assertRaises(KSY7100Error):
            synth.frequency = 0
        synth.adapter.connection.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
