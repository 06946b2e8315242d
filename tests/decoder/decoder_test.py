#!/usr/bin/env python3
"""The protocol decoders (decoders/), installed by `cmake --install`, in sigrok-cli on traces the tool
writes and on a hand-made one. Usage: decoder_test.py <ksy7100-eval> <build folder>"""
import json, os, random, re, shutil, subprocess, sys, tempfile, time, unittest
import pyvisa

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "python"))
from ksy7100.local_server import LocalServer  # noqa: E402

TOOL, BUILD = sys.argv.pop(1), sys.argv.pop(1)
# Random settings: each command and what it takes.
SETTINGS = {"MUX": range(8), "POW:OUTP": range(4), "POW:CORE": range(4), "ABPW": range(4), "CURR1": range(8),
            "CURR2": range(8), "TEST:READ": range(4), "TEST:EBAN": range(8), "BSEL": (1, 2, 4, 8),
            "PDOW": ("NORM", "SYNC", "ASYN"), "FREQ:STEP": ("UP", "DOWN"), "TEST:MODE": range(16),
            **{s: ("ON", "OFF") for s in "SWIT:POL SWIT:CRES SWIT:CPG SWIT:TST SWIT:MUTE SWIT:LDP TEST:EBEN TEST:BCON "
                                         "TEST:ADC TEST:ENAB".split()}}


def served(vcd, variant="ksy7100-1"):
    server = LocalServer(TOOL, variant, ["--trace", vcd])
    return server, pyvisa.ResourceManager("@py").open_resource(server.resource, read_termination="\n",
                                                              write_termination="\n", timeout=10000)


class DecoderTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp()
        cls.addClassCleanup(shutil.rmtree, cls.tmp)
        subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.tmp], check=True, capture_output=True)

    def sigrok(self, vcd, stack, shown):
        decoders = os.path.join(self.tmp, "share", "libsigrokdecode", "decoders")
        return subprocess.run(["sigrok-cli", "-i", vcd, "-P", stack, "-A", shown], capture_output=True, text=True, check=True,
                              env={**os.environ, "SIGROKDECODE_DIR": decoders, "PYTHONDONTWRITEBYTECODE": "1"}).stdout

    def words_of(self, vcd, variant="KSY7100-1", ref_mhz=10.0):
        """The decoded words: each its word, field texts, frequency and warnings."""
        words = []
        stack = f"spi:clk=CLK:mosi=DATA:cs=LE:cs_polarity=active-low:wordsize=24,ksy7100:variant={variant}:ref={ref_mhz}"
        for text in re.findall(r"ksy7100-\d+: (.*)", self.sigrok(vcd, stack, "ksy7100")):
            if latch := re.fullmatch(r"(Control|R counter|N counter|Test) latch ([0-9A-F]{6})", text):
                words.append({"word": int(latch.group(2), 16), "fields": [], "mhz": None, "warnings": []})
            elif text.startswith("VCO "):
                words[-1]["mhz"] = float(text.split()[1])
            else:
                words[-1]["warnings" if text.endswith(" latch (reserved)") else "fields"].append(text)
        return words

    def test_every_variants_words_show_the_exported_fields_and_the_boards_frequency(self):
        # Defaults, then random settings. A counter shows by its meaning alone ("B 296"), another field by
        # its name and meaning less what is in brackets ("Prescaler 32/33").
        for n in range(9):
            variant, vcd, rng = f"KSY7100-{n}", os.path.join(self.tmp, f"{n}.vcd"), random.Random(n)
            choices = SETTINGS if n == 8 else {**SETTINGS, "PRES": (8, 16, 32), "SWIT:ODIV": ("ON", "OFF")}
            server, inst = served(vcd, variant.lower())
            snapshots = []
            for settings in ([], [f"{h} {rng.choice(c)}" for h, c in choices.items()]):
                for command in rng.sample(settings, len(settings)) + ["TEST:UPD"] * bool(settings):
                    inst.write(command)  # a setting the board or the counters refuse is left as it was
                inst.write("*CLS;LATC:SEND ALL")
                snapshots.append((json.loads(inst.query_binary_values("LATC:EXP? JSON", datatype="s", container=bytes)),
                                  float(inst.query("BOAR:FREQ?"))))
            inst.write("SYST:EXIT")
            server.process.wait(timeout=10)
            words = self.words_of(vcd, variant, snapshots[0][0]["reference_mhz"])
            for (exported, board_mhz), sent in zip(snapshots, (words[:4], words[-4:])):  # each LATC:SEND ALL
                for ex, got in zip(exported["words"], sent):
                    fields = [f["meaning"] if f["field"].endswith("Counter") else f["field"] + " " +
                              re.sub(r" [(].*[)]$", "", f["meaning"]) for f in ex["fields"]]
                    self.assertEqual((got["word"], got["fields"], got["warnings"]), (int(ex["word"], 16), fields, []), variant)
                self.assertAlmostEqual(sent[-1]["mhz"], board_mhz, delta=1e-9 * board_mhz, msg=variant)

    def test_a_hop_run_shows_one_lock_detect_rise_a_hop(self):
        """The loop takes about 1 ms to lock, so each hop is read unlocked first even by a slowed-down tool."""
        vcd = os.path.join(self.tmp, "lock.vcd")
        server, inst = served(vcd)
        inst.write("LATC:SEND ALL; MUX 1; LOOP:DES 1000,50; HOP:STAR 1750,1760,20")
        time.sleep(0.8)
        count = int(inst.query("HOP:STOP;HOP:LOCK?").split(",")[0])
        inst.write("SYST:EXIT")
        server.process.wait(timeout=10)
        locks = re.findall(r"Lock detect after [0-9.]+ (?:us|ms)", self.sigrok(vcd, "ksy7100_ld:le=LE:ld=LD", "ksy7100_ld=locks"))
        self.assertTrue(count >= 20 and 0.8 * count <= len(locks) <= count + 2, f"{len(locks)} rises for {count} hops")

    def test_reserved_bits_are_warned_of_on_a_trace_as_a_logic_analyser_takes_it(self):
        cases = [(0xC000C9, ["Reserved set in the R counter latch (reserved)"]), (0x0800C9, []),  # DB19: the test modes
                 (0x0128F2, ["Res set in the N counter latch (reserved)"]),
                 (0x01000B, ["Reserved set in the Test latch (reserved)"]), (0x8FF108, [])]
        lines = ["$timescale 1 us $end $scope module port $end $var wire 1 ! CLK $end $var wire 1 \" DATA $end "
                 "$var wire 1 # LE $end $upscope $end $enddefinitions $end", "#0", "0!", "0\"", "1#"]
        for k, (word, _) in enumerate(cases):  # LE low, 24 bits on rising CLK edges, LE high
            t = 84 * k + 10
            lines += [f"#{t}", "0#"] + [f"#{t + 1 + 3 * i}\n{(word >> (23 - i)) & 1}\"\n#{t + 2 + 3 * i}\n1!\n#{t + 3 + 3 * i}\n0!"
                                        for i in range(24)] + [f"#{t + 74}", "1#"]
        vcd = os.path.join(self.tmp, "reserved.vcd")
        with open(vcd, "w") as f:
            f.write("\n".join(lines + [f"#{84 * len(cases) + 10}"]) + "\n")
        self.assertEqual([(w["word"], w["warnings"]) for w in self.words_of(vcd)], cases)


if __name__ == "__main__":
    unittest.main(verbosity=2)
