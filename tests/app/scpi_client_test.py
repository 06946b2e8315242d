#!/usr/bin/python3
"""The command server as a lab script meets it, through pyvisa with its pure-Python backend, against
the tool without windows on the simulated board. Usage: scpi_client_test.py PATH_TO_KSY7100_EVAL"""
import os, re, sys, tempfile, unittest
import pyvisa

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "python"))
from ksy7100.local_server import LocalServer  # noqa: E402

TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else "build/release/ksy7100-eval"

# What a bench script meets, in order on one connection: (message, what query() reads back;
# None for a write). Answers of one message come back on one line, joined by ';'.
CONFORMANCE = [
    ("*ESR?;*ESR?", "128;0"), ("FREQ:PFD 100;REF 10;:FREQ:PFD?;*STB?", "100;16"),  # power on, read once
    ("FREQ:PFD 200;REF 19.68;:FREQ?", "2399.95591836734"), ("*RST", None),
    ("FREQ 2.4GHz;FREQ?", "2400"), ("FREQ 2400200 kHz;FREQ?", "2400.2"), ("FREQ:PFD .2 MHZ;PFD?", "200"),
    ("FREQ 2400 ms", None), ("SYST:ERR?", '-131,"Invalid suffix; \'MS\' is no unit of a frequency"'),
    ("MUX 3 Hz", None), ("SYST:ERR?", '-138,"Suffix not allowed; this parameter is a plain number, not \'HZ\'"'),
    ("FREQ ?", None), ("SYST:ERR:NEXT?", '-102,"Syntax error; the ? of a query follows its header without a blank"'),
    ("MUX #B11;MUX?", "3"), ("FREQ MIN;FREQ?", "198.4"), ("FREQ DEF;FREQ?", "2400"),
    ("REG:WRIT N,#H017706;LATC:WORD? N", "017706"), ("MEM:SAVE 'a.txt';SYST:ERR:COUN?", "0"),
    # The plans are one answer, seven fields a plan; ';' separates only the message's answers.
    ("FREQ:PLAN? 2400.1,200;*OPC?", re.compile(r"^[^;,]+(,[^;,]+){6}(,[^;,]+(,[^;,]+){6})*;1$")),
    # The status byte with and without errors in the queue, summed by the event register's enable.
    ("*CLS;NOPE", None), ("FREQ 0", None), ("*ESR?;*STB?", "48;20"),
    ("*ESE 16;FREQ 0", None), ("*STB?", "36"), ("*SRE 32;*STB?;*SRE?", "100;32"),
    ("SYST:ERR:COUN?;SYST:ERR:ALL?", re.compile(r'3;-113,".*",-222,".*",-222,".*"')),
    ("*CLS;*STB?;*ESE 0;*SRE 0;*ESE?", "0;0"),
    # A run started is not pending: *OPC, *OPC? and *WAI complete at once.
    ("HOP:STAR 1750,1752,0.1 s;*OPC?", "1"), ("*WAI;*OPC;*ESR?;HOP:STAT?", re.compile(r"1;RUN,\d+,(REALTIME|NORMAL|NONE),\d+")),
    ("HOP:STOP;SYST:VERS?;SYST:LINK?;*TST?", "1999.0;SIM,OK;0"),
    # A new run counts its own hops from 0. It holds the link: every other writer is refused until HOP:STOP.
    ("HOP:STAR 1750,1752,30000;HOP:STAT?", re.compile(r"RUN,0,(REALTIME|NORMAL|NONE),0")), ("FREQ 1800", None),
    ("LATC:SEND ALL", None), ("MEAS:SUPP?", None), ("*TST?", "1"),
    ("SYST:ERR:ALL?", re.compile(r'(-(200|330),"[^;"]*; A lock-time hop run [^"]*\(HOP:STOP\)\.",?){4}')),
    ("HOP:STOP;FREQ 1800;*OPC?", "1"),
]

# The queries of the settings (REG:WRIT N: asked as REG:WRIT? N).
ROUND_TRIPS = ("FREQ FREQ:PFD FREQ:REF SWIT:POL SWIT:CRES SWIT:CPG SWIT:IDIV SWIT:TST SWIT:ODIV SWIT:MUTE SWIT:LDP "
               "POW:OUTP POW:CORE CURR1 CURR2 PDOW MUX PRES BSEL ABPW BOAR TEST:MODE TEST:READ TEST:EBAN TEST:EBEN "
               "TEST:BCON TEST:ADC TEST:ENAB").split() + ["REG:WRIT N"]


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.server, self.rm = LocalServer(TOOL, extra_args=["--scpi-files", self.folder]), pyvisa.ResourceManager("@py")
        self.addCleanup(self.server.close)
        self.addCleanup(self.rm.close)

    def instrument(self):
        return self.rm.open_resource(self.server.resource, read_termination="\n", write_termination="\n", timeout=5000)

    def test_the_instrument_conventions_as_a_bench_script_meets_them(self):
        inst = self.instrument()
        for message, expected in CONFORMANCE:
            with self.subTest(message=message):
                if expected is None:
                    inst.write(message)
                    continue
                answer = inst.query(message)
                self.assertTrue(expected.fullmatch(answer) if isinstance(expected, re.Pattern) else answer == expected, answer)
        self.assertTrue(os.path.exists(os.path.join(self.folder, "a.txt")), "MEM:SAVE writes in the server's folder")
        for header in ROUND_TRIPS:  # each query's answer, given back to its setting, is taken unchanged
            with self.subTest(header=header):
                query = header.replace(" ", "? ") if " " in header else header + "?"
                value = inst.query(query)
                self.assertEqual(inst.query(header + ("," if " " in header else " ") + value + ";SYST:ERR?"), '0,"No error"')
                self.assertEqual(inst.query(query), value)

    def test_clients_drive_one_board_each_with_its_own_error_queue(self):
        a, b = self.instrument(), self.instrument()
        a.write("FREQ 2401;NOPE")
        a.query("*OPC?")  # done before the other client asks
        self.assertEqual((b.query("FREQ?"), b.query("SYST:ERR?")), ("2401", '0,"No error"'))
        self.assertTrue(a.query("SYST:ERR?").startswith("-113,"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
