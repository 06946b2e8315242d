#!/usr/bin/python3
"""The Python driver against a live command server: the tool started without windows on the
simulated board, driven through the plain pyvisa class and the PyMeasure one.

Usage: test_driver.py PATH_TO_KSY7100_EVAL
"""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from ksy7100 import KSY7100, KSY7100Error, parse_errors  # noqa: E402
from ksy7100.local_server import LocalServer  # noqa: E402

TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else "build/release/ksy7100-eval"


class DriverTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = LocalServer(TOOL)
        cls.resource = cls.server.resource

    @classmethod
    def tearDownClass(cls):
        cls.server.close()

    def test_settings_read_back_and_refusals_raise_with_the_tools_message(self):
        with KSY7100(self.resource) as synth:
            synth.reset()
            self.assertTrue(synth.idn.startswith("KSY7100-EVAL,KSY7100-1,SIM,"))
            self.assertEqual((synth.link, synth.self_test()), ("SIM,OK", True))
            synth.reference = 19.68
            self.assertAlmostEqual(synth.frequency, 2399.95591836734, places=9)
            synth.reference = 10
            synth.frequency = 2400.2
            self.assertEqual((synth.frequency, synth.board_frequency, synth.latch_word("N")), (2400.2, 2400.2, 0x017706))
            synth.output_power, synth.cp_gain = 1, True
            self.assertEqual((synth.output_power, synth.cp_gain, synth.prescaler), (1, True, 32))
            with self.assertRaises(KSY7100Error) as refused:
                synth.frequency = 0
            self.assertEqual(refused.exception.code, -222)
            self.assertIn("at least 1", refused.exception.message)
            synth.instrument.timeout = 300  # a refused query is answered by nothing: the wait ends it
            with self.assertRaises(KSY7100Error) as refused:
                synth.query("NOPE?")
            self.assertEqual(refused.exception.code, -113)
            synth.write_register("N", 0x017706)
            self.assertEqual(synth.latch_word("N"), 0x017706)

    def test_a_hop_run_starts_reports_and_stops(self):
        with KSY7100(self.resource) as synth:
            synth.reset()
            synth.write("LATC:SEND ALL; MUX 1")  # a whole plan on the board, MUXOUT on lock detect
            self.assertTrue(synth.hop_lock_measurement)
            synth.hop(1750, 1752, 20)
            time.sleep(0.2)
            running, hops, scheduling, _ = synth.hop_state
            self.assertTrue(running and hops > 0)
            self.assertIn(scheduling, ("REALTIME", "NORMAL"))
            synth.stop_hop()
            self.assertFalse(synth.hop_state[0])
            locks = synth.hop_locks()
            self.assertTrue(0 < locks.count <= synth.hop_state[1] and locks.not_locked == 0)
            self.assertTrue(0 < locks.median < 0.001 and locks.resolution > 0)
            self.assertEqual(len(synth.hop_lock_times()), locks.count)
            self.assertIn(synth.frequency, (1750.0, 1752.0))

    def test_pymeasure_drives_it_as_one_of_its_instruments(self):
        from ksy7100.pymeasure import KSY7100Eval
        synth = KSY7100Eval(self.resource)
        synth.write("*RST")
        synth.frequency = 2401
        self.assertEqual((synth.frequency, synth.board_frequency, synth.muxout), (2401, 2401, 0))
        synth.frequency = 1000
        synth.pfd = 5
        synth.frequency = 1000.005  # seven digits: sent whole
        self.assertEqual(synth.frequency, 1000.005)
        with self.assertRaises(KSY7100Error):
            synth.frequency = 0
        synth.adapter.connection.close()

    def test_the_loop_designer_designs_and_predicts(self):
        with KSY7100(self.resource) as synth:
            synth.reset()
            synth.reference, synth.pfd, synth.frequency = 12, 60, 1392
            synth.write("CURR1 7,2937.5")
            synth.loop_kvco, synth.loop_order = 30, 3
            parts = synth.design_loop(2000, 47.1, 1.136, 0.6)
            for got, published in zip(parts, (6.59e-9, 85.5e-9, 467e-12, 2.58e3, 33.9e3)):
                self.assertAlmostEqual(got / published, 1, delta=0.005)
            self.assertEqual(synth.loop_current, 4)
            self.assertAlmostEqual(synth.loop_bandwidth, 2000, delta=2)
            synth.loop_vco_noise = [(1e4, -90), (1e5, -115)]
            self.assertEqual(synth.loop_vco_noise, [(1e4, -90), (1e5, -115)])
            seconds, slips = synth.lock_time(1390, 1392, 1e3)
            self.assertTrue(0 < seconds < 0.01 and not slips)
            self.assertTrue(0 < synth.lock_detect_time(1390, 1392) < 0.01)
            self.assertLess(synth.phase_noise(1e3), -60)
            with self.assertRaises(KSY7100Error) as refused:
                synth.design_loop(2000, 95)
            self.assertEqual(refused.exception.code, -222)

    def test_error_queue_answers_parse_with_quotes_and_commas(self):
        self.assertEqual(parse_errors('0,"No error"'), [])
        self.assertEqual(parse_errors('-222,"Data out of range; a ""b"", c",-113,"Undefined header"'),
                         [(-222, 'Data out of range; a "b", c'), (-113, "Undefined header")])


if __name__ == "__main__":
    unittest.main(verbosity=2)
